// Loaded into the calendar's process by the inspector's message hooks, to do there what another
// process cannot under Wine:
// - TakeScheme: a change of colour scheme reaches the calendar as it does on Windows: that
//   process's system colours change, and every top-level window is told (WM_SYSCOLORCHANGE). Wine
//   keeps a process's system colours from its start, so SetSysColors called from the inspector's
//   own process would never reach it.
// - ChangeDpi: tells the calendar that its display's scale has changed, as Windows does; the
//   message carries a pointer into the receiving process, which only a caller inside it can pass.
// - ReadMenu: the items of the menu the calendar has open. Wine's menus are the process's own
//   objects, which another process cannot read as it can on Windows.
// - ReadTip: the text a tool tip shows (the calendar's, or the shell's over the icon). A tool tip
//   keeps its text from other programs; Wine's does not answer WM_GETTEXT with it either.
// - ReadNames: the names Microsoft Active Accessibility gives the calendar's window and labels, as a
//   screen reader asks for them. Wine hands no accessible object to another process.
// - ActivateTip: the calendar's tool tip asked and, unless it declines (or whatever it answers, given 1),
//   made the foreground window, as Wine does when a click reaches a tip; Windows activates no tip.
// Text goes back in UTF-8, through memory the inspector shares.
#include <windows.h>
#include <commctrl.h>
#include <oleacc.h>

#include <cstdio>
#include <string>

#include "HookProtocol.h"

namespace {

struct Colour {
    const char* name;  // as in HKCU\Control Panel\Colors
    int index;
};

const Colour kScheme[] = {
    {"HilightText", COLOR_HIGHLIGHTTEXT}, {"Hilight", COLOR_HIGHLIGHT},  {"Window", COLOR_WINDOW},
    {"WindowText", COLOR_WINDOWTEXT},     {"ButtonFace", COLOR_BTNFACE}, {"ButtonText", COLOR_BTNTEXT},
    {"HotTrackingColor", COLOR_HOTLIGHT}, {"GrayText", COLOR_GRAYTEXT},
};

void TakeSchemeFromRegistry() {
    int indices[sizeof kScheme / sizeof kScheme[0]];
    COLORREF values[sizeof kScheme / sizeof kScheme[0]];
    int count = 0;
    for (const Colour& colour : kScheme) {
        char text[32] = "";
        DWORD size = sizeof text;
        int r = 0, g = 0, b = 0;
        if (RegGetValueA(HKEY_CURRENT_USER, "Control Panel\\Colors", colour.name, RRF_RT_REG_SZ, nullptr, text,
                         &size) == ERROR_SUCCESS &&
            std::sscanf(text, "%d %d %d", &r, &g, &b) == 3) {
            indices[count] = colour.index;
            values[count++] = RGB(r, g, b);
        }
    }
    SetSysColors(count, indices, values);
}

// Each procedure is a WH_GETMESSAGE hook: it runs in the calendar's thread as that thread takes the
// inspector's message off its queue (a menu's own loop takes it too), does its work once, then tells
// the inspector through the event named done.
template <typename Work>
LRESULT WhenPosted(const hook_protocol::Procedure& procedure, int code, WPARAM wParam, LPARAM lParam, Work&& work) {
    auto* message = reinterpret_cast<MSG*>(lParam);
    if (code == HC_ACTION && wParam == PM_REMOVE && message->message == RegisterWindowMessageA(procedure.message)) {
        const MSG posted = *message;
        message->message = WM_NULL;
        work(posted);
        if (HANDLE event = OpenEventA(EVENT_MODIFY_STATE, FALSE, procedure.done)) {
            SetEvent(event);
            CloseHandle(event);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

std::string Utf8(const wchar_t* text) {
    char utf8[2048] = "";
    WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8, nullptr, nullptr);
    return utf8;
}

void ShareText(const std::string& text) {
    HANDLE shared = OpenFileMappingA(FILE_MAP_WRITE, FALSE, hook_protocol::kSharedText);
    char* view = shared ? static_cast<char*>(MapViewOfFile(shared, FILE_MAP_WRITE, 0, 0, 0)) : nullptr;
    if (view) {
        lstrcpynA(view, text.c_str(), hook_protocol::kSharedSize);
        UnmapViewOfFile(view);
    }
    if (shared) CloseHandle(shared);
}

std::string AccessibleName(HWND window) {
    IAccessible* object = nullptr;
    const HRESULT found = AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                                     reinterpret_cast<void**>(&object));
    if (FAILED(found)) return "error " + std::to_string(static_cast<unsigned long>(found));
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR name = nullptr;
    std::string text = SUCCEEDED(object->get_accName(self, &name)) && name ? Utf8(name) : "none";
    SysFreeString(name);
    object->Release();
    return text;
}

std::string NamesText(HWND calendar) {
    std::string text = "found=1\nwindow=" + AccessibleName(calendar) + "\n";
    for (int id : {1, 2}) text += "label" + std::to_string(id) + "=" + AccessibleName(GetDlgItem(calendar, id)) + "\n";
    return text;
}

std::string MenuText() {
    HWND popup = FindWindowA("#32768", nullptr);
    HMENU menu =
        popup && IsWindowVisible(popup) ? reinterpret_cast<HMENU>(SendMessageA(popup, MN_GETHMENU, 0, 0)) : nullptr;
    if (!menu) return "found=0\n";
    std::string text = "found=1\n";
    const UINT defaultItem = GetMenuDefaultItem(menu, FALSE, 0);
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        wchar_t caption[128] = L"";
        MENUITEMINFOW item{};
        item.cbSize = sizeof item;
        item.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_STRING;
        item.dwTypeData = caption;
        item.cch = 128;
        RECT at{};
        GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &item);
        GetMenuItemRect(nullptr, menu, static_cast<UINT>(i), &at);
        char line[640];
        std::snprintf(line, sizeof line,
                      "item=%d default=%d checked=%d enabled=%d x=%ld y=%ld width=%ld height=%ld text=%s\n", i,
                      item.wID == defaultItem ? 1 : 0, item.fState & MFS_CHECKED ? 1 : 0,
                      item.fState & MFS_DISABLED ? 0 : 1, at.left, at.top, at.right - at.left, at.bottom - at.top,
                      item.fType & MFT_SEPARATOR ? "-" : Utf8(caption).c_str());
        text += line;
    }
    return text;
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK TakeScheme(int code, WPARAM wParam, LPARAM lParam) {
    return WhenPosted(hook_protocol::kTakeScheme, code, wParam, lParam, [](const MSG&) { TakeSchemeFromRegistry(); });
}

extern "C" __declspec(dllexport) LRESULT CALLBACK ReadMenu(int code, WPARAM wParam, LPARAM lParam) {
    return WhenPosted(hook_protocol::kReadMenu, code, wParam, lParam, [](const MSG&) { ShareText(MenuText()); });
}

extern "C" __declspec(dllexport) LRESULT CALLBACK CloseMenu(int code, WPARAM wParam, LPARAM lParam) {
    return WhenPosted(hook_protocol::kCloseMenu, code, wParam, lParam, [](const MSG&) { EndMenu(); });
}

extern "C" __declspec(dllexport) LRESULT CALLBACK ReadTip(int code, WPARAM wParam, LPARAM lParam) {
    return WhenPosted(hook_protocol::kReadTip, code, wParam, lParam, [](const MSG& posted) {
        wchar_t text[1024] = L"";
        TTTOOLINFOW tool{};
        tool.cbSize = sizeof tool;
        if (SendMessageW(posted.hwnd, TTM_GETCURRENTTOOLW, 0, reinterpret_cast<LPARAM>(&tool))) {
            tool.lpszText = text;
            SendMessageW(posted.hwnd, TTM_GETTEXTW, 1024, reinterpret_cast<LPARAM>(&tool));
        }
        ShareText(Utf8(text));
    });
}

extern "C" __declspec(dllexport) LRESULT CALLBACK ReadNames(int code, WPARAM wParam, LPARAM lParam) {
    return WhenPosted(hook_protocol::kReadNames, code, wParam, lParam,
                      [](const MSG& posted) { ShareText(NamesText(posted.hwnd)); });
}

// The new scale comes as the posted message's wParam. Windows suggests a place and size; the calendar
// takes the place and lays out its own size.
extern "C" __declspec(dllexport) LRESULT CALLBACK ChangeDpi(int code, WPARAM wParam, LPARAM lParam) {
    return WhenPosted(hook_protocol::kChangeDpi, code, wParam, lParam, [](const MSG& posted) {
        const WORD dotsPerInch = static_cast<WORD>(posted.wParam);
        RECT suggested{};
        GetWindowRect(posted.hwnd, &suggested);
        SendMessageA(posted.hwnd, hook_protocol::kDpiChanged, MAKEWPARAM(dotsPerInch, dotsPerInch),
                     reinterpret_cast<LPARAM>(&suggested));
    });
}

// Whether the tip had the activation as the call returned, before the calendar could answer.
extern "C" __declspec(dllexport) LRESULT CALLBACK ActivateTip(int code, WPARAM wParam, LPARAM lParam) {
    return WhenPosted(hook_protocol::kActivateTip, code, wParam, lParam, [](const MSG& posted) {
        HWND tip = nullptr;
        while ((tip = FindWindowExW(nullptr, tip, TOOLTIPS_CLASSW, nullptr)) &&
               GetWindow(tip, GW_OWNER) != posted.hwnd) {}
        const LRESULT answer = tip ? SendMessageW(tip, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(tip),
                                                  MAKELPARAM(HTCLIENT, WM_LBUTTONDOWN))
                                   : 0;
        if (tip && (posted.wParam || answer < MA_NOACTIVATE)) SetForegroundWindow(tip);
        ShareText(tip && GetForegroundWindow() == tip ? "activated=1\n" : "activated=0\n");
    });
}
