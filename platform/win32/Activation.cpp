// Bringing a program's window to the front, and the window functions the
// logic calls by name with its 32-bit handles.
#include "platform/win32/Win32Platform.h"

#include "platform/RuntimeError.h"
#include "platform/win32/Handles.h"

namespace {
struct ProcessWindowSearch {
    DWORD processId;
    HWND skip;  // the Settings window, which has no owner but is not the program's main window
    HWND found;
};

BOOL CALLBACK FindProcessWindow(HWND hwnd, LPARAM data) {
    auto* search = reinterpret_cast<ProcessWindowSearch*>(data);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(hwnd, &owner);
    if (owner != search->processId || !IsWindowVisible(hwnd) || GetWindow(hwnd, GW_OWNER) || hwnd == search->skip)
        return TRUE;
    search->found = hwnd;
    return FALSE;
}
}  // namespace

void Win32Platform::AppActivate(int32_t processId) {
    ProcessWindowSearch search{static_cast<DWORD>(processId), settingsWindow_.dialog, nullptr};
    EnumWindows(FindProcessWindow, reinterpret_cast<LPARAM>(&search));
    if (!search.found) throw RuntimeError::InvalidProcedureCall();
    if (IsIconic(search.found)) ShowWindow(search.found, SW_RESTORE);
    SetForegroundWindow(search.found);
    // A window made foreground while it was still hidden (by its icon's
    // menu) is not activated again when shown, and then nothing hands the
    // calendar the keyboard as activation does (WM_SETFOCUS).
    if (search.found == hwnd_ && GetActiveWindow() == hwnd_) SetFocus(monthView_.hwnd);
}

int32_t Win32Platform::SetWindowPos(int32_t hWnd, int32_t hWndInsertAfter, int32_t x, int32_t y, int32_t cx, int32_t cy,
                                    int32_t flags) {
    HWND window = FullHandle(hWnd), after = FullHandle(hWndInsertAfter);
    // The window is made in the topmost band (FormWindow.cpp): before it is
    // first shown, putting it there changes nothing, and under Wine the call
    // alone costs a twentieth of the start.
    constexpr UINT kInPlace = SWP_NOMOVE | SWP_NOSIZE;
    const bool alreadyThere = window == hwnd_ && after == HWND_TOPMOST && !IsWindowVisible(window) &&
                              (GetWindowLongW(window, GWL_EXSTYLE) & WS_EX_TOPMOST) &&
                              (static_cast<UINT>(flags) & kInPlace) == kInPlace;
    if (alreadyThere) return TRUE;
    return ::SetWindowPos(window, after, x, y, cx, cy, static_cast<UINT>(flags));
}

int32_t Win32Platform::GetWindowThreadProcessId(int32_t hWnd, int32_t& processId) {
    DWORD id = 0;
    const DWORD thread = ::GetWindowThreadProcessId(FullHandle(hWnd), &id);
    processId = static_cast<int32_t>(id);
    return static_cast<int32_t>(thread);
}

namespace {

// The shortcut held alternates between two ids, so that a new one is taken
// before the old one is let go; a third tries whether one is free.
constexpr int kHotKeyIds[] = {1, 2};
constexpr int kTrialHotKeyId = 3;
constexpr UINT kModNoRepeat = 0x4000;  // MOD_NOREPEAT, Windows 7 on

// Held down, a shortcut repeats: it toggles once a press. Windows before 7
// refuse the flag that says so, and get the shortcut without it.
bool Register(HWND window, int id, int32_t modifiers, int32_t keyCode) {
    const UINT held = static_cast<UINT>(modifiers), key = static_cast<UINT>(keyCode);
    if (::RegisterHotKey(window, id, held | kModNoRepeat, key)) return true;
    if (GetLastError() == ERROR_HOTKEY_ALREADY_REGISTERED) return false;
    return ::RegisterHotKey(window, id, held, key) != 0;
}

}  // namespace

bool Win32Platform::RegisterHotKey(int32_t modifiers, int32_t keyCode) {
    const int id = hotKeyId_ == kHotKeyIds[0] ? kHotKeyIds[1] : kHotKeyIds[0];
    if (!Register(hwnd_, id, modifiers, keyCode)) return false;
    if (hotKeyId_) ::UnregisterHotKey(hwnd_, hotKeyId_);
    hotKeyId_ = id;
    return true;
}

void Win32Platform::UnregisterHotKey() {
    if (hotKeyId_) ::UnregisterHotKey(hwnd_, hotKeyId_);
    hotKeyId_ = 0;
}

bool Win32Platform::HotKeyFree(int32_t modifiers, int32_t keyCode) {
    if (!Register(hwnd_, kTrialHotKeyId, modifiers, keyCode)) return false;
    ::UnregisterHotKey(hwnd_, kTrialHotKeyId);
    return true;
}
