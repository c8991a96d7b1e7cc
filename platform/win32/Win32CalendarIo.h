#pragma once
#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/CalendarIo.h"

// CalendarIo on WinHTTP (Downloads.cpp) and the file system
// (CalendarFiles.cpp). Holds nothing between calls but the one WinHTTP
// session, made at the first fetch and shared by every thread.
class Win32CalendarIo final : public CalendarIo {
public:
    // How long a server may stay silent (the name's resolution, connecting,
    // sending, the reply and each part of its body) before a fetch gives up;
    // a whole fetch gets ten times as long.
    static constexpr uint32_t kStallMs = 30000;
    explicit Win32CalendarIo(uint32_t stallMs = kStallMs) : stallMs_(stallMs) {}
    ~Win32CalendarIo() override;
    Win32CalendarIo(const Win32CalendarIo&) = delete;
    Win32CalendarIo& operator=(const Win32CalendarIo&) = delete;

    HttpReply Fetch(const std::string& url, const std::string& etag, const std::string& lastModified) override;
    FileReply ReadFile(const std::string& utf8Path) override;
    int64_t FileStamp(const std::string& utf8Path) override;
    std::optional<std::string> ReadCopy(const std::string& name) override;
    bool WriteCopy(const std::string& name, std::string_view bytes) override;
    void RemoveCopy(const std::string& name) override;

private:
    static BOOL CALLBACK OpenSession(PINIT_ONCE, void* self, void**);
    void* Session();  // the HINTERNET, or null where WinHTTP made none
    // The copy's full path (with the folders made when create is set); empty
    // for a name that is no plain file name, or with no local application data.
    static std::wstring CopyPath(const std::string& name, const wchar_t* extension, bool create);

    uint32_t stallMs_;
    INIT_ONCE sessionOnce_ = INIT_ONCE_STATIC_INIT;
    void* session_ = nullptr;
    // Windows older than 8.1 have no automatic proxy session: the user's
    // automatic configuration is then asked for each address.
    bool proxyAutoDetect_ = false;
    std::wstring proxyAutoConfigUrl_;
    // One copy written, read or removed at a time: Windows will not replace
    // a file another thread has open.
    SRWLOCK copies_ = SRWLOCK_INIT;
};
