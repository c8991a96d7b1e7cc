#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// What the calendar reads its users' iCalendar files with: subscribed
// addresses fetched over HTTP(S), local files, and the last good copy of each
// kept in the user's local application data. The platform does what it is
// asked and says what happened; what to make of it (keep the old copy, try
// again later, tell the user) is the logic's. Every member may be called
// from any thread, also at once from several.
struct HttpReply {
    enum class Failure {
        None,              // a reply came: see status
        Unreachable,       // no answer: name unknown, nothing listening, the connection broke
        BadCertificate,    // the server's certificate was refused (or no secure connection could be made)
        TooLarge,          // the body went over kMaxCalendarBytes
        Stalled,           // the server went silent for longer than the time allowed
        TooManyRedirects,  // more than kMaxRedirects redirects in a row
        Refused,           // not an http(s) address, or a redirect from https to http
    };
    Failure failure = Failure::None;
    int32_t status = 0;  // the final reply's HTTP status (200, 304, 404, 500...)
    std::string body;    // as sent, whatever the status; empty for a 304
    std::string etag;    // the reply's headers as sent, empty when absent
    std::string lastModified;
    std::string contentType;
    std::string finalUrl;           // where the reply came from, after any redirects
    uint32_t systemError = 0;       // the system's error code behind a failure, for a log
    uint32_t certificateFlags = 0;  // BadCertificate: WinHTTP's WINHTTP_CALLBACK_STATUS_FLAG_* bits, where it gave them
};

struct FileReply {
    enum class Failure {
        None,
        Missing,     // no such file or folder (or drive)
        Locked,      // another program holds it against reading
        Unreadable,  // access denied, a folder, a device error...
        TooLarge,    // over kMaxCalendarBytes
    };
    Failure failure = Failure::None;
    std::string body;
    int64_t stamp = 0;  // the last write, in 100 ns ticks since 1601 (a FILETIME), as FileStamp says
    uint32_t systemError = 0;
};

class CalendarIo {
public:
    // No calendar a person keeps comes near this; a larger reply or file is
    // refused rather than held in memory.
    static constexpr int64_t kMaxCalendarBytes = 32 * 1024 * 1024;
    static constexpr int kMaxRedirects = 10;

    virtual ~CalendarIo() = default;

    // GET url (http:// or https://) with If-None-Match and If-Modified-Since
    // from etag and lastModified where they are not empty. A 304 comes back as
    // status 304 with an empty body. Redirects (301, 302, 303, 307, 308) are
    // followed, at most kMaxRedirects of them.
    virtual HttpReply Fetch(const std::string& url, const std::string& etag, const std::string& lastModified) = 0;

    // A local file, whole, read while other programs may write it.
    virtual FileReply ReadFile(const std::string& utf8Path) = 0;
    // The file's last write (as FileReply::stamp); 0 when there is no such file.
    virtual int64_t FileStamp(const std::string& utf8Path) = 0;

    // The last good copy of a calendar, kept under a name the logic chooses:
    // letters, digits, '-' and '_' only (a hash of the address); any other
    // name is refused. ReadCopy: none when there is no copy or it cannot be
    // read. WriteCopy replaces the old copy whole or, on any failure, leaves
    // it as it was.
    virtual std::optional<std::string> ReadCopy(const std::string& name) = 0;
    virtual bool WriteCopy(const std::string& name, std::string_view bytes) = 0;
    virtual void RemoveCopy(const std::string& name) = 0;
};
