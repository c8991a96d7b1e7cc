// The floor for any program of this kind: a borderless topmost window holding
// one month-calendar control and, in its top strip, the calendar's two labels
// in their bold 8.25-point face, and one icon with its tip in the
// notification area: what the calendar shows at its start, and nothing else.
// Built with the same flags and stack protector's guard as the calendar, for
// bench.py.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <initializer_list>
#include <tuple>

namespace {
const char kClass[] = "vrlBaseline";

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}
}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_DATE_CLASSES};
    InitCommonControlsEx(&controls);
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = GetSysColorBrush(COLOR_HIGHLIGHTTEXT);
    windowClass.lpszClassName = kClass;
    RegisterClassExA(&windowClass);
    HWND window = CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, kClass, "baseline", WS_POPUP, 600, 20, 340, 190,
                                  nullptr, nullptr, instance, nullptr);
    HWND calendar = CreateWindowExA(0, MONTHCAL_CLASSA, "", WS_CHILD | WS_VISIBLE, 7, 12, 320, 171, window, nullptr,
                                    instance, nullptr);
    (void)calendar;
    HFONT bold = CreateFontA(-MulDiv(825, GetDeviceCaps(GetDC(nullptr), LOGPIXELSY), 7200), 0, 0, 0, FW_BOLD, 0, 0, 0,
                             DEFAULT_CHARSET, 0, 0, 0, 0, "MS Sans Serif");
    for (const auto& [text, left, style] : {std::tuple{"X ", 327, SS_RIGHT}, {"?", 310, SS_LEFT}}) {
        HWND label = CreateWindowExA(0, "STATIC", text, WS_CHILD | WS_VISIBLE | SS_NOTIFY | style, left, 0, 13, 12,
                                     window, nullptr, instance, nullptr);
        SendMessageA(label, WM_SETFONT, reinterpret_cast<WPARAM>(bold), FALSE);
    }

    NOTIFYICONDATAA icon{};
    icon.cbSize = NOTIFYICONDATAA_V1_SIZE;
    icon.hWnd = window;
    icon.uID = 1;
    icon.uFlags = NIF_ICON | NIF_TIP;  // the calendar's tip is as long
    icon.hIcon = static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(1), IMAGE_ICON, 32, 32, 0));
    lstrcpyA(icon.szTip, " Click icon system tray to HIDE or SHOW ");
    Shell_NotifyIconA(NIM_ADD, &icon);

    ShowWindow(window, SW_SHOWNORMAL);
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    Shell_NotifyIconA(NIM_DELETE, &icon);
    return 0;
}
