// Loaded into the calendar's process by the inspector's message hook, so that a change of colour
// scheme reaches the calendar as it does on Windows: that process's system colours change, and
// every top-level window is told (WM_SYSCOLORCHANGE). Wine keeps a process's system colours from
// its start, so SetSysColors called from the inspector's own process would never reach it.
#include <windows.h>

#include <cstdio>

namespace {

struct Colour {
    const char* name;  // as in HKCU\Control Panel\Colors
    int index;
};

const Colour kScheme[] = {
    {"HilightText", COLOR_HIGHLIGHTTEXT}, {"Hilight", COLOR_HIGHLIGHT},      {"Window", COLOR_WINDOW},
    {"WindowText", COLOR_WINDOWTEXT},     {"ButtonFace", COLOR_BTNFACE},     {"ButtonText", COLOR_BTNTEXT},
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

}  // namespace

// WH_GETMESSAGE: runs in the calendar's thread as it takes the inspector's message off its queue.
extern "C" __declspec(dllexport) LRESULT CALLBACK TakeScheme(int code, WPARAM wParam, LPARAM lParam) {
    static const UINT take = RegisterWindowMessageA("vrlCalendar e2e: take the colour scheme");
    auto* message = reinterpret_cast<MSG*>(lParam);
    if (code == HC_ACTION && wParam == PM_REMOVE && message->message == take) {
        message->message = WM_NULL;
        TakeSchemeFromRegistry();
        if (HANDLE taken = OpenEventA(EVENT_MODIFY_STATE, FALSE, "vrlCalendar e2e: scheme taken")) {
            SetEvent(taken);
            CloseHandle(taken);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
