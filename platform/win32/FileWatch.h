#pragma once
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

// Local calendar files watched for changes on disk: a thread of its own
// waits on their folders (ReadDirectoryChangesW) and posts the window one
// message for each change to a watched file, a write, a new size, or a
// file renamed or deleted to or from its name (as editors save). Several
// messages may come for one save; telling them apart is the logic's.
// WatchFiles and Changed belong to the window's thread.
class FileWatcher {
public:
    FileWatcher(HWND window, UINT changedMessage) : window_(window), message_(changedMessage) {}
    ~FileWatcher() { Stop(); }
    FileWatcher(const FileWatcher&) = delete;
    FileWatcher& operator=(const FileWatcher&) = delete;

    // These files from now on, instead of those before (none: no more
    // watching). False when some could not be watched (their folder is
    // missing or refused, or more than 63 folders are asked for); the
    // others are.
    bool WatchFiles(const std::vector<std::string>& utf8Paths);

    // For changedMessage: the path that changed, as WatchFiles was given it;
    // none for a message about a set watched before.
    std::optional<std::string> Changed(WPARAM wParam, LPARAM lParam) const;

private:
    void Stop();

    HWND window_;
    UINT message_;
    std::vector<std::string> paths_;
    LPARAM generation_ = 0;
    HANDLE stop_ = nullptr;  // the watching thread's, set to end it; the thread closes it
};
