// Local calendar files and the last good copies of subscribed ones.
#include <windows.h>
#include <shlobj.h>

#include <string>

#include "platform/win32/Text.h"
#include "platform/win32/Win32CalendarIo.h"

namespace {

int64_t Ticks(const FILETIME& time) {
    return static_cast<int64_t>((static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
}

FileReply::Failure FailureOf(DWORD error) {
    switch (error) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_DRIVE:
        case ERROR_NOT_READY:  // a drive with no medium in it
        case ERROR_BAD_NETPATH:
        case ERROR_BAD_NET_NAME:
        case ERROR_INVALID_NAME: return FileReply::Failure::Missing;
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION: return FileReply::Failure::Locked;
        default: return FileReply::Failure::Unreadable;
    }
}

FileReply Failed(DWORD error) {
    FileReply reply;
    reply.failure = FailureOf(error);
    reply.systemError = error;
    return reply;
}

// The whole file, shared with any program that writes, renames or deletes it
// meanwhile: a calendar program saving its file must never find it held.
FileReply ReadWhole(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (file == INVALID_HANDLE_VALUE) return Failed(GetLastError());
    FileReply reply;
    BY_HANDLE_FILE_INFORMATION information{};
    if (!GetFileInformationByHandle(file, &information)) {
        reply = Failed(GetLastError());
    } else if (information.nFileSizeHigh != 0 || information.nFileSizeLow > CalendarIo::kMaxCalendarBytes) {
        reply.failure = FileReply::Failure::TooLarge;
    } else {
        reply.stamp = Ticks(information.ftLastWriteTime);
        // One byte more than the size: a file that grew meanwhile is read to its new end.
        constexpr DWORD kPart = 64 * 1024;
        for (;;) {
            const size_t had = reply.body.size();
            reply.body.resize(had + kPart);
            DWORD got = 0;
            if (!::ReadFile(file, reply.body.data() + had, kPart, &got, nullptr)) {
                const DWORD error = GetLastError();
                reply = Failed(error);
                break;
            }
            reply.body.resize(had + got);
            if (got == 0) break;
            if (reply.body.size() > static_cast<size_t>(CalendarIo::kMaxCalendarBytes)) {
                reply.body.clear();
                reply.failure = FileReply::Failure::TooLarge;
                break;
            }
        }
        reply.body.shrink_to_fit();
    }
    CloseHandle(file);
    return reply;
}

bool IsPlainName(const std::string& name) {
    if (name.empty() || name.size() > 128) return false;
    for (char c : name)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_'))
            return false;
    return true;
}

bool MakeFolder(const std::wstring& path) {
    return CreateDirectoryW(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

}  // namespace

FileReply Win32CalendarIo::ReadFile(const std::string& utf8Path) {
    if (utf8Path.empty()) return Failed(ERROR_FILE_NOT_FOUND);
    return ReadWhole(wide_text::Utf16(utf8Path));
}

int64_t Win32CalendarIo::FileStamp(const std::string& utf8Path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (utf8Path.empty() || !GetFileAttributesExW(wide_text::Utf16(utf8Path).c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return 0;
    return Ticks(data.ftLastWriteTime);
}

std::wstring Win32CalendarIo::CopyPath(const std::string& name, const wchar_t* extension, bool create) {
    if (!IsPlainName(name)) return {};
    // SHGetFolderPathW rather than SHGetKnownFolderPath: the latter's
    // answer is freed with CoTaskMemFree, which would load COM at every start.
    wchar_t local[MAX_PATH];
    if (FAILED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA | (create ? CSIDL_FLAG_CREATE : 0), nullptr,
                                SHGFP_TYPE_CURRENT, local)))
        return {};
    std::wstring path = local;
    path += L"\\vrlCalendar";
    if (create && !MakeFolder(path)) return {};
    path += L"\\Calendars";
    if (create && !MakeFolder(path)) return {};
    return path + L"\\" + wide_text::Utf16(name) + extension;
}

std::optional<std::string> Win32CalendarIo::ReadCopy(const std::string& name) {
    const std::wstring path = CopyPath(name, L".ics", false);
    if (path.empty()) return std::nullopt;
    AcquireSRWLockExclusive(&copies_);
    FileReply copy = ReadWhole(path);
    ReleaseSRWLockExclusive(&copies_);
    if (copy.failure != FileReply::Failure::None) return std::nullopt;
    return std::move(copy.body);
}

bool Win32CalendarIo::WriteCopy(const std::string& name, std::string_view bytes) {
    const std::wstring path = CopyPath(name, L".ics", true), temporary = CopyPath(name, L".tmp", false);
    if (path.empty() || temporary.empty()) return false;
    AcquireSRWLockExclusive(&copies_);
    bool written = false;
    HANDLE file =
        CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        written = true;
        for (size_t at = 0; written && at < bytes.size();) {
            const DWORD part = static_cast<DWORD>(bytes.size() - at < 1u << 20 ? bytes.size() - at : 1u << 20);
            DWORD put = 0;
            written = ::WriteFile(file, bytes.data() + at, part, &put, nullptr) && put == part;
            at += put;
        }
        // On the disk before the rename, so that a crash leaves the old copy or the new one, whole.
        written = FlushFileBuffers(file) && written;
        written = CloseHandle(file) && written;
        written =
            written && MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
        if (!written) DeleteFileW(temporary.c_str());
    }
    ReleaseSRWLockExclusive(&copies_);
    return written;
}

void Win32CalendarIo::RemoveCopy(const std::string& name) {
    const std::wstring path = CopyPath(name, L".ics", false);
    if (path.empty()) return;
    AcquireSRWLockExclusive(&copies_);
    DeleteFileW(path.c_str());
    ReleaseSRWLockExclusive(&copies_);
}
