// The notification-area icon: its image at the taskbar's size, and the
// logic's record handed to the shell at this architecture's layout.
#include "platform/win32/Win32Platform.h"

#include <shellapi.h>

#include <cstddef>

#include "platform/win32/NativeNotifyIcon.h"
#include "platform/win32/Handles.h"
#include "resources/resource.h"

// The icon the shell is handed: drawn for the notification area's size at
// the taskbar's scale, which the shell would otherwise shrink from the large one.
int32_t Win32Platform::Form::IconHandle() {
    w.LoadSmallIcon();
    return AsInt32(w.smallIcon_);
}

// Loaded again whenever the taskbar's display has taken another scale since;
// an icon that cannot be loaded at the new size keeps the old one.
void Win32Platform::LoadSmallIcon() {
    const int size = scale_.SmallIconSize();
    if (size == smallIconSize_) return;
    HICON icon = static_cast<HICON>(LoadImageA(instance_, MAKEINTRESOURCEA(IDI_CALENDAR), IMAGE_ICON, size, size, 0));
    if (!icon) return;
    if (smallIcon_) DestroyIcon(smallIcon_);
    smallIcon_ = icon;
    smallIconSize_ = size;
}

// The shell's wide record of Windows 2000 on, as this architecture lays it
// out: the program's buffer holds its fields up to the tip, at x86's offsets;
// on x64 the handles are 8 bytes wide and aligned, so every field sits
// elsewhere. The shell reads a tip of 128 units from a record of this size.
constexpr DWORD kWideRecordSize = NOTIFYICONDATAW_V2_SIZE;
static_assert(sizeof(NOTIFYICONDATAW{}.szTip) == shell_layout::kTipBytes);
static_assert(offsetof(NOTIFYICONDATAW, szTip) + shell_layout::kTipBytes == offsetof(NOTIFYICONDATAW, dwState));
// The two layouts the record fuzzer converts, as this compiler has them.
static_assert(offsetof(NOTIFYICONDATAW, hWnd) == sizeof(void*) &&
              offsetof(NOTIFYICONDATAW, szTip) == (sizeof(void*) == 8 ? 40 : 24) &&
              kWideRecordSize == (sizeof(void*) == 8 ? 952 : 936));

HWND Win32Platform::FullHandle(int32_t hWnd) const {
    // Window and icon handles carry 32 significant bits on every Windows, and
    // widen by sign extension; our own keep exactly the value we were given.
    if (hWnd == AsInt32(hwnd_)) return hwnd_;
    return AsHandle(hWnd);
}

HICON Win32Platform::FullIconHandle(int32_t hIcon) const {
    if (hIcon == AsInt32(smallIcon_)) return smallIcon_;
    return reinterpret_cast<HICON>(static_cast<intptr_t>(hIcon));
}

int32_t Win32Platform::Shell_NotifyIconW(int32_t message, ShellNotifyIconBuffer& data) {
    NOTIFYICONDATAW record = native_notify_icon::FromBuffer<NOTIFYICONDATAW>(
        data, kWideRecordSize, [&](int32_t h) { return FullHandle(h); }, [&](int32_t h) { return FullIconHandle(h); });
    // The calendar asks for the shell's mouse events as mouse moves of its
    // window. They come as a message of their own, so that a real pointer
    // move is never taken for one; the window turns them into mouse moves.
    const bool asMouseMoves = record.uCallbackMessage == WM_MOUSEMOVE;
    if (asMouseMoves) record.uCallbackMessage = kTrayCallback;
    const BOOL result = ::Shell_NotifyIconW(static_cast<DWORD>(message), &record);
    if (asMouseMoves) record.uCallbackMessage = WM_MOUSEMOVE;
    if (result && (message == NIM_ADD || message == NIM_MODIFY)) {
        trayIcon_ = record;
        trayIconAdded_ = true;
    } else if (result && message == NIM_DELETE && record.hWnd == trayIcon_.hWnd && record.uID == trayIcon_.uID) {
        trayIconAdded_ = false;
    }
    native_notify_icon::ToBuffer(
        record, kWideRecordSize, [](const void* h) { return AsInt32(h); }, data);
    return result;
}
