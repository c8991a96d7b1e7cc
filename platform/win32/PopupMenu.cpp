#include "platform/win32/PopupMenu.h"

#include <shellapi.h>

#include "platform/RuntimeError.h"
#include "platform/win32/OptionalFunction.h"
#include "platform/win32/Text.h"

namespace popup_menu {

namespace {

// Set by the menu loop's message filter: Esc closes the menu and returns no
// item, exactly as a click elsewhere does. Menus are tracked one at a time,
// on this one thread.
bool escaped = false;

LRESULT CALLBACK WatchForEscape(int code, WPARAM wParam, LPARAM lParam) {
    const auto* message = reinterpret_cast<const MSG*>(lParam);
    if (code == MSGF_MENU && message->message == WM_KEYDOWN && message->wParam == VK_ESCAPE) escaped = true;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Where the shell shows the icon; Windows 7 and later can say.
bool IconRect(HWND owner, UINT iconId, RECT& rect) {
    using GetRectFn = HRESULT(WINAPI*)(const NOTIFYICONIDENTIFIER*, RECT*);
    static const auto getRect = OptionalFunction<GetRectFn>("shell32.dll", "Shell_NotifyIconGetRect");
    NOTIFYICONIDENTIFIER icon{};
    icon.cbSize = sizeof icon;
    icon.hWnd = owner;
    icon.uID = iconId;
    return getRect && SUCCEEDED(getRect(&icon, &rect));
}

// The menu grows away from the edge the point is nearer, so that it does not
// cover the icon: upwards from a taskbar at the bottom, downwards from one at
// the top. Windows turns a menu round by itself when the display ends first,
// but Wine does that by pushing it back onto the display, over the point.
UINT Alignment(POINT at) {
    MONITORINFO display{};
    display.cbSize = sizeof display;
    GetMonitorInfoA(MonitorFromPoint(at, MONITOR_DEFAULTTONEAREST), &display);
    const UINT across = GetSystemMetrics(SM_MENUDROPALIGNMENT) ? TPM_RIGHTALIGN : TPM_LEFTALIGN;
    const bool lowerHalf = at.y - display.rcMonitor.top > (display.rcMonitor.bottom - display.rcMonitor.top) / 2;
    return across | (lowerHalf ? TPM_BOTTOMALIGN : TPM_TOPALIGN);
}

}  // namespace

int32_t Show(HWND owner, UINT iconId, const std::vector<MenuItem>& items, POINT pointer) {
    HMENU menu = CreatePopupMenu();
    if (!menu) throw RuntimeError::OutOfMemory();
    for (const MenuItem& item : items) {
        const UINT flags = item.text.empty()
                               ? MF_SEPARATOR
                               : MF_STRING | (item.checked ? MF_CHECKED : 0) | (item.enabled ? 0 : MF_GRAYED);
        const std::wstring text = wide_text::Utf16(item.text);
        if (!AppendMenuW(menu, flags, static_cast<UINT_PTR>(item.id), item.text.empty() ? nullptr : text.c_str())) {
            DestroyMenu(menu);
            throw RuntimeError::OutOfMemory();
        }
        if (item.isDefault) SetMenuDefaultItem(menu, static_cast<UINT>(item.id), FALSE);
    }

    POINT at = pointer;
    RECT icon{};
    if (IconRect(owner, iconId, icon) && !PtInRect(&icon, pointer))
        at = {icon.left + (icon.right - icon.left) / 2, icon.top + (icon.bottom - icon.top) / 2};

    // Unless its owner is the foreground window, the menu stays open when the
    // user clicks elsewhere; the message posted after it lets a menu opened
    // next time track from the start (both as Windows documents for
    // TrackPopupMenu on a notification icon). TrackPopupMenuEx keeps the menu
    // on the display that holds the point.
    SetForegroundWindow(owner);
    escaped = false;
    HHOOK watch = SetWindowsHookExA(WH_MSGFILTER, WatchForEscape, nullptr, GetCurrentThreadId());
    const int chosen = TrackPopupMenuEx(menu, Alignment(at) | TPM_RIGHTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY, at.x,
                                        at.y, owner, nullptr);
    if (watch) UnhookWindowsHookEx(watch);
    PostMessageA(owner, WM_NULL, 0, 0);
    DestroyMenu(menu);
    return chosen == 0 && escaped ? kMenuEscaped : chosen;
}

}  // namespace popup_menu
