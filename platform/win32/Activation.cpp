// Bringing a program's window to the front, and the window functions the
// logic calls by name with its 32-bit handles.
#include "platform/win32/Win32Platform.h"

#include "platform/RuntimeError.h"
#include "platform/win32/Handles.h"

namespace {
struct ProcessWindowSearch {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK FindProcessWindow(HWND hwnd, LPARAM data) {
    auto* search = reinterpret_cast<ProcessWindowSearch*>(data);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(hwnd, &owner);
    if (owner != search->processId || !IsWindowVisible(hwnd) || GetWindow(hwnd, GW_OWNER)) return TRUE;
    search->found = hwnd;
    return FALSE;
}
}  // namespace

void Win32Platform::AppActivate(int32_t processId) {
    ProcessWindowSearch search{static_cast<DWORD>(processId), nullptr};
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
    return ::SetWindowPos(FullHandle(hWnd), FullHandle(hWndInsertAfter), x, y, cx, cy, static_cast<UINT>(flags));
}

int32_t Win32Platform::GetWindowThreadProcessId(int32_t hWnd, int32_t& processId) {
    DWORD id = 0;
    const DWORD thread = ::GetWindowThreadProcessId(FullHandle(hWnd), &id);
    processId = static_cast<int32_t>(id);
    return static_cast<int32_t>(thread);
}

namespace {

constexpr int kHotKeyId = 1;
constexpr UINT kModNoRepeat = 0x4000;  // MOD_NOREPEAT, Windows 7 on

}  // namespace

// Held down, a shortcut repeats: it toggles once a press. Windows before 7
// refuse the flag that says so, and get the shortcut without it.
bool Win32Platform::RegisterHotKey(int32_t modifiers, int32_t keyCode) {
    const UINT held = static_cast<UINT>(modifiers), key = static_cast<UINT>(keyCode);
    if (::RegisterHotKey(hwnd_, kHotKeyId, held | kModNoRepeat, key)) return true;
    if (GetLastError() == ERROR_HOTKEY_ALREADY_REGISTERED) return false;
    return ::RegisterHotKey(hwnd_, kHotKeyId, held, key) != 0;
}

void Win32Platform::UnregisterHotKey() { ::UnregisterHotKey(hwnd_, kHotKeyId); }
