#include "platform/win32/FileWatch.h"

#include <memory>

#include "platform/win32/Text.h"

namespace {

constexpr DWORD kChanges = FILE_NOTIFY_CHANGE_LAST_WRITE | FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_SIZE;

struct Watched {
    std::wstring name, shortName;  // Windows may report a change by either
    WPARAM index;                  // in the paths WatchFiles was given
};

struct Folder {
    std::wstring path;
    HANDLE handle = INVALID_HANDLE_VALUE;
    HANDLE event = nullptr;
    OVERLAPPED overlapped{};
    alignas(DWORD) BYTE changes[16 * 1024];
    std::vector<Watched> files;

    ~Folder() {
        if (handle != INVALID_HANDLE_VALUE) {
            // The buffer must outlive the read in progress.
            DWORD bytes = 0;
            if (CancelIoEx(handle, &overlapped) || GetLastError() != ERROR_NOT_FOUND)
                GetOverlappedResult(handle, &overlapped, &bytes, TRUE);
            CloseHandle(handle);
        }
        if (event) CloseHandle(event);
    }
    bool Read() {
        ResetEvent(event);
        return ReadDirectoryChangesW(handle, changes, sizeof(changes), FALSE, kChanges, nullptr, &overlapped,
                                     nullptr) != FALSE;
    }
};

struct Watch {
    HANDLE stop;
    HWND window;
    UINT message;
    LPARAM generation;
    std::vector<std::unique_ptr<Folder>> folders;
    ~Watch() { CloseHandle(stop); }
};

bool SameName(const wchar_t* a, size_t aLength, const std::wstring& b) {
    return !b.empty() &&
           CompareStringOrdinal(a, static_cast<int>(aLength), b.data(), static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

DWORD WINAPI WatchFolders(void* watching) {
    std::unique_ptr<Watch> watch(static_cast<Watch*>(watching));
    auto& folders = watch->folders;
    auto post = [&](const Watched& file) {
        PostMessageW(watch->window, watch->message, file.index, watch->generation);
    };
    for (;;) {
        HANDLE waits[MAXIMUM_WAIT_OBJECTS];
        waits[0] = watch->stop;
        for (size_t i = 0; i < folders.size(); ++i) waits[i + 1] = folders[i]->event;
        const DWORD woke = WaitForMultipleObjects(static_cast<DWORD>(folders.size() + 1), waits, FALSE, INFINITE);
        if (woke == WAIT_OBJECT_0 || woke > WAIT_OBJECT_0 + folders.size()) break;
        const size_t which = woke - WAIT_OBJECT_0 - 1;
        Folder& folder = *folders[which];
        DWORD bytes = 0;
        const bool read = GetOverlappedResult(folder.handle, &folder.overlapped, &bytes, FALSE) != FALSE;
        std::vector<bool> changed(folder.files.size(), !read || bytes == 0);  // none listed: too many to list
        for (DWORD at = 0; read && bytes >= sizeof(FILE_NOTIFY_INFORMATION) && at < bytes;) {
            const auto* change = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(folder.changes + at);
            for (size_t i = 0; i < folder.files.size(); ++i) {
                const size_t length = change->FileNameLength / sizeof(wchar_t);
                if (SameName(change->FileName, length, folder.files[i].name) ||
                    SameName(change->FileName, length, folder.files[i].shortName))
                    changed[i] = true;
            }
            if (change->NextEntryOffset == 0) break;
            at += change->NextEntryOffset;
        }
        for (size_t i = 0; i < folder.files.size(); ++i)
            if (changed[i]) post(folder.files[i]);
        // A folder that can no longer be read (deleted, its drive gone) is watched no more.
        if (!folder.Read()) folders.erase(folders.begin() + static_cast<ptrdiff_t>(which));
    }
    return 0;
}

}  // namespace

void FileWatcher::Stop() {
    if (stop_) SetEvent(stop_);
    stop_ = nullptr;
}

bool FileWatcher::WatchFiles(const std::vector<std::string>& utf8Paths) {
    Stop();
    paths_ = utf8Paths;
    ++generation_;
    if (utf8Paths.empty()) return true;
    auto watch = std::make_unique<Watch>();
    watch->stop = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!watch->stop) return false;
    watch->window = window_;
    watch->message = message_;
    watch->generation = generation_;
    bool all = true;
    for (size_t index = 0; index < utf8Paths.size(); ++index) {
        const std::wstring given = wide_text::Utf16(utf8Paths[index]);
        wchar_t full[MAX_PATH * 4];
        wchar_t* name = nullptr;
        const DWORD length = GetFullPathNameW(given.c_str(), MAX_PATH * 4, full, &name);
        if (length == 0 || length >= MAX_PATH * 4 || !name) {
            all = false;
            continue;
        }
        Watched file{name, {}, index};
        wchar_t shortPath[MAX_PATH * 4];
        const DWORD shortLength = GetShortPathNameW(full, shortPath, MAX_PATH * 4);
        if (shortLength > 0 && shortLength < MAX_PATH * 4) {
            const wchar_t* shortName = wcsrchr(shortPath, L'\\');
            if (shortName && !SameName(shortName + 1, wcslen(shortName + 1), file.name)) file.shortName = shortName + 1;
        }
        const std::wstring folderPath(full, static_cast<size_t>(name - full));
        Folder* folder = nullptr;
        for (auto& known : watch->folders)
            if (SameName(known->path.data(), known->path.size(), folderPath)) folder = known.get();
        if (!folder) {
            if (watch->folders.size() + 1 >= MAXIMUM_WAIT_OBJECTS) {
                all = false;
                continue;
            }
            auto made = std::make_unique<Folder>();
            made->path = folderPath;
            made->handle = CreateFileW(folderPath.c_str(), FILE_LIST_DIRECTORY,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                       FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr);
            made->event = made->handle != INVALID_HANDLE_VALUE ? CreateEventW(nullptr, TRUE, FALSE, nullptr) : nullptr;
            made->overlapped.hEvent = made->event;
            if (!made->event || !made->Read()) {
                all = false;
                continue;
            }
            folder = made.get();
            watch->folders.push_back(std::move(made));
        }
        folder->files.push_back(std::move(file));
    }
    if (watch->folders.empty()) return false;
    HANDLE stop = watch->stop;
    HANDLE thread = CreateThread(nullptr, 0, WatchFolders, watch.get(), 0, nullptr);
    if (!thread) return false;
    watch.release();
    CloseHandle(thread);
    stop_ = stop;
    return all;
}

std::optional<std::string> FileWatcher::Changed(WPARAM wParam, LPARAM lParam) const {
    if (lParam != generation_ || wParam >= paths_.size()) return std::nullopt;
    return paths_[wParam];
}
