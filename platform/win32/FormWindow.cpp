// The window as designed, and the one place where window messages become the
// calendar's events.
#include "platform/win32/Win32Platform.h"

#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>
#include <windowsx.h>

#include <algorithm>
#include <new>

#include "platform/Contrast.h"
#include "platform/Numeric.h"
#include "platform/RuntimeError.h"
#include "platform/win32/AccessibleName.h"
#include "platform/win32/Text.h"
#include "resources/resource.h"

namespace {

const wchar_t kFormClass[] = L"vrlCalendar.frmCalendar";
// The program's name in every language: what a screen reader calls the window.
const wchar_t kFormCaption[] = L"vrlCalendar";

enum ControlId : UINT_PTR { kLabel1 = 1, kLabel2 = 2, kMonthView1 = 3 };

// Design places and sizes in twips; the load handler replaces all of them
// except Label1's height.
struct DesignRect {
    float left, top, width, height;
};
constexpr DesignRect kFormDesign{0, 0, 2840, 2460};
constexpr DesignRect kLabel1Design{240, 0, 2175, 150};
constexpr DesignRect kLabel2Design{120, 0, 975, 135};
constexpr DesignRect kMonthViewDesign{0, 240, 2640, 2310};

// Windows 8.1 on tell a window of a new scale; the program still runs on Vista.
constexpr UINT kDpiChanged = 0x02E0;  // WM_DPICHANGED

// Window background: the system colour for highlighted text.
constexpr int kBackgroundColour = COLOR_HIGHLIGHTTEXT;

contrast::Scheme CurrentScheme() {
    HIGHCONTRASTA highContrast{};
    highContrast.cbSize = sizeof highContrast;
    const bool on = SystemParametersInfoA(SPI_GETHIGHCONTRAST, sizeof highContrast, &highContrast, 0) &&
                    (highContrast.dwFlags & HCF_HIGHCONTRASTON);
    auto colour = [](int index) { return static_cast<int32_t>(GetSysColor(index)); };
    return {on, colour(kBackgroundColour), colour(COLOR_BTNTEXT), colour(COLOR_WINDOWTEXT),
            colour(COLOR_HOTLIGHT), colour(COLOR_HIGHLIGHT)};
}

int16_t ShiftState() {
    return static_cast<int16_t>((GetKeyState(VK_SHIFT) < 0 ? 1 : 0) | (GetKeyState(VK_CONTROL) < 0 ? 2 : 0) |
                                (GetKeyState(VK_MENU) < 0 ? 4 : 0));
}

int16_t ButtonsHeld(WPARAM keys) {
    return static_cast<int16_t>((keys & MK_LBUTTON ? 1 : 0) | (keys & MK_RBUTTON ? 2 : 0) |
                                (keys & MK_MBUTTON ? 4 : 0));
}

}  // namespace

template <typename Handler>
void Win32Platform::Raise(Handler&& handler) {
    // While a run-time error is being reported the program is ending: no
    // handler runs any more, so no second error can pile up on the first.
    if (reporting_) return;
    try {
        handler();
    } catch (...) {
        ReportException(std::current_exception());
    }
}

// As the classic runtime does: say which error, then end. The icon goes
// first, so the notification area is not left holding a dead one.
void Win32Platform::ReportException(const std::exception_ptr& thrown) {
    reporting_ = true;
    if (trayIconAdded_) {
        ::Shell_NotifyIconW(NIM_DELETE, &trayIcon_);
        trayIconAdded_ = false;
    }
    const RuntimeError error = ErrorOf(thrown);
    // Owned by the window, which it disables: a click there brings the report
    // back rather than the window. Out of memory, the report itself may not
    // get the memory for its words: then it says the least it can.
    try {
        const std::string text = language_.Text(TextId::RunTimeError, numeric::IntegerText(error.Number())) + "\n\n" +
                                 language_.ErrorDescription(error.Number(), error.what());
        MessageBoxW(hwnd_, wide_text::Utf16(text).c_str(), wide_text::Utf16(app_.EXEName()).c_str(),
                    MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
    } catch (...) {
        MessageBoxW(hwnd_, L"Run-time error", kFormCaption, MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
    }
    ExitProcess(static_cast<UINT>(error.Number()));
}

void Win32Platform::CreateForm() {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_DATE_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);

    icon_ = static_cast<HICON>(LoadImageA(instance_, MAKEINTRESOURCEA(IDI_CALENDAR), IMAGE_ICON, 32, 32, 0));
    LoadSmallIcon();
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = FormProc;
    windowClass.hInstance = instance_;
    windowClass.hIcon = icon_;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = GetSysColorBrush(kBackgroundColour);
    windowClass.lpszClassName = kFormClass;
    RegisterClassExW(&windowClass);

    // A tool window has no taskbar button: the notification-area icon is the
    // calendar's handle while it runs.
    hwnd_ = CreateWindowExW(WS_EX_TOOLWINDOW, kFormClass, kFormCaption, WS_POPUP | WS_CLIPCHILDREN,
                            ToPixels(kFormDesign.left), ToPixels(kFormDesign.top), ToPixels(kFormDesign.width),
                            ToPixels(kFormDesign.height), nullptr, nullptr, instance_, this);

    // Made on the primary display, the window has its scale, which differs
    // from the system's once the user has changed it since signing in.
    scale_.Change(scale_.Of(hwnd_));
    scale_.FreeOldFonts();

    auto createChild = [&](const wchar_t* windowClass, const wchar_t* text, DWORD style, const DesignRect& at,
                           UINT_PTR id) {
        HWND child = CreateWindowExW(0, windowClass, text, WS_CHILD | WS_VISIBLE | style, ToPixels(at.left),
                                     ToPixels(at.top), ToPixels(at.width), ToPixels(at.height), hwnd_,
                                     reinterpret_cast<HMENU>(id), instance_, nullptr);
        SetWindowSubclass(child, ControlProc, id, reinterpret_cast<DWORD_PTR>(this));
        return child;
    };
    // Tab order: the calendar first. The window hands it the focus whenever
    // it gets it (WM_SETFOCUS below), so its keys work from the start.
    // The labels draw their captions in every language; a screen reader
    // says what they do (Label::accessibleName, WM_GETOBJECT below).
    monthView_.hwnd = createChild(MONTHCAL_CLASSW, L"", WS_TABSTOP | MCS_WEEKNUMBERS, kMonthViewDesign, kMonthView1);
    label1_.hwnd = createChild(L"STATIC", L"X ", SS_RIGHT | SS_NOTIFY, kLabel1Design, kLabel1);
    label2_.hwnd = createChild(L"STATIC", L"?", SS_LEFT | SS_NOTIFY, kLabel2Design, kLabel2);
    label1_.accessibleName = wide_text::Utf16(language_.Text(TextId::Close));
    label2_.accessibleName = wide_text::Utf16(language_.Text(TextId::Help));

    // One month, over the whole range.
    SYSTEMTIME range[2]{};
    range[0].wYear = 1753, range[0].wMonth = 1, range[0].wDay = 1;
    range[1].wYear = 9999, range[1].wMonth = 12, range[1].wDay = 31;
    MonthCal_SetRange(monthView_.hwnd, GDTR_MIN | GDTR_MAX, range);
    MonthCal_SetMaxSelCount(monthView_.hwnd, 1);
    DesignControls();
    monthView_.toolTip = language_.Text(TextId::IconTip);

    toolTips_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr, instance_, nullptr);
    auto addTip = [&](HWND control, const std::string& utf8) {
        std::wstring text = wide_text::Utf16(utf8);  // the control copies it
        TOOLINFOW tool{};
        tool.cbSize = TTTOOLINFOW_V1_SIZE;
        tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        tool.hwnd = hwnd_;
        tool.uId = reinterpret_cast<UINT_PTR>(control);
        tool.lpszText = text.data();
        SendMessageW(toolTips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    };
    addTip(monthView_.hwnd, monthView_.toolTip);
    addTip(label1_.hwnd, language_.Text(TextId::Label1ToolTip));

    taskbarCreated_ = RegisterWindowMessageA("TaskbarCreated");
}

// The controls as designed, at the window's scale: the labels' places and
// font, the calendar's font, and its size, the control's own minimum for one
// month. At start-up and after a change of scale alike, the load handler's
// layout then starts from these.
void Win32Platform::DesignControls() {
    auto place = [&](HWND control, const DesignRect& at) {
        MoveWindow(control, ToPixels(at.left), ToPixels(at.top), ToPixels(at.width), ToPixels(at.height), FALSE);
    };
    place(label1_.hwnd, kLabel1Design);
    place(label2_.hwnd, kLabel2Design);
    SendMessageA(label1_.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(scale_.LabelFont()), FALSE);
    SendMessageA(label2_.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(scale_.LabelFont()), FALSE);
    // Left to its default font, Wine's control measures itself with an unscaled
    // font and draws with a scaled one, so above 100 % its right-hand columns
    // fall outside it. Given the system's message font, which follows the
    // display scale, it measures with the font it draws with.
    if (HFONT font = scale_.CalendarFont())
        SendMessageA(monthView_.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    RECT minimum{};
    MonthCal_GetMinReqRect(monthView_.hwnd, &minimum);
    const int todayWidth = static_cast<int>(MonthCal_GetMaxTodayWidth(monthView_.hwnd));
    const int width = minimum.right - minimum.left > todayWidth ? minimum.right - minimum.left : todayWidth;
    ::SetWindowPos(monthView_.hwnd, nullptr, ToPixels(kMonthViewDesign.left), ToPixels(kMonthViewDesign.top), width,
                   minimum.bottom - minimum.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

// Windows suggests the window's new place and size; the load handler's layout
// decides the size, as at a start at this scale.
void Win32Platform::OnDpiChanged(int dotsPerInch, const RECT& suggested) {
    scale_.Change(dotsPerInch);
    DesignControls();
    scale_.FreeOldFonts();
    float left = ToTwips(suggested.left), top = ToTwips(suggested.top);
    Raise([&] { events_->Form_DpiChanged(left, top); });
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

int Win32Platform::Run(FormEvents& events) {
    events_ = &events;
    // The labels' accessible objects are handed to other programs through COM.
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    CreateForm();
    Raise([&] { events_->Form_Load(); });
    ShowWindow(hwnd_, SW_SHOWNORMAL);
    SetForegroundWindow(hwnd_);

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        PreviewKey(msg);
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    CoUninitialize();
    return 0;
}

// Key preview: the window sees key presses before whichever control has the
// focus, Alt+key (a system key) included; the key then goes on as usual.
void Win32Platform::PreviewKey(const MSG& msg) {
    if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN) return;
    if (msg.hwnd != hwnd_ && !IsChild(hwnd_, msg.hwnd)) return;
    int16_t keyCode = static_cast<int16_t>(msg.wParam);
    int16_t shift = ShiftState();
    Raise([&] { events_->Form_KeyDown(keyCode, shift); });
}

// The control keeps its own idea of today for its marker and its footer, and
// would catch up with a new day only minutes later.
void Win32Platform::RefreshToday() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    MonthCal_SetToday(monthView_.hwnd, &now);
}

void Win32Platform::RaiseDayChange() {
    RefreshToday();
    Raise([&] { events_->Form_DayChange(); });
}

// A new colour scheme, or high contrast switched: common controls learn of it
// only from their parent, and every part of the window is painted anew.
void Win32Platform::OnColoursChanged() {
    SendMessageA(monthView_.hwnd, WM_SYSCOLORCHANGE, 0, 0);
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
}

LRESULT CALLBACK Win32Platform::FormProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<Win32Platform*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<Win32Platform*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (!self) return DefWindowProcW(hwnd, message, wParam, lParam);
    try {
        return self->OnFormMessage(hwnd, message, wParam, lParam);
    } catch (...) {  // never into the window system
        self->ReportException(std::current_exception());
    }
}

LRESULT Win32Platform::OnFormMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == taskbarCreated_ && taskbarCreated_ != 0) {
        Raise([&] { events_->Form_TaskbarCreated(); });
        return 0;
    }
    switch (message) {
        case WM_MOUSEMOVE: {
            // The handler reads the shell's mouse message out of X (below). A
            // real pointer column that large, on a window over 512 pixels wide,
            // would read as one: the pointer is reported no further right than
            // the column before the first of them. Nothing else reads it.
            int16_t button = ButtonsHeld(wParam), shift = ShiftState();
            const int column = std::min(GET_X_LPARAM(lParam), static_cast<int>(WM_MOUSEFIRST) - 1);
            float x = units::WindowMouseTwips(column, scale_.TwipsPerPixel());
            float y = units::WindowMouseTwips(GET_Y_LPARAM(lParam), scale_.TwipsPerPixel());
            Raise([&] { events_->Form_MouseMove(button, shift, x, y); });
            return 0;
        }
        case kTrayCallback: {
            // The notification icon's mouse event, delivered as the window's
            // mouse move with the event's message where the pointer's x goes.
            const DWORD at = GetMessagePos();
            trayEventAt_ = {GET_X_LPARAM(at), GET_Y_LPARAM(at)};
            int16_t button = 0, shift = ShiftState();
            float x = units::WindowMouseTwips(LOWORD(lParam), scale_.TwipsPerPixel());
            float y = 0;
            Raise([&] { events_->Form_MouseMove(button, shift, x, y); });
            return 0;
        }
        case WM_SETFOCUS:
            SetFocus(monthView_.hwnd);
            return 0;
        case WM_ACTIVATE: {
            // Only activation moving to another window of this program counts.
            HWND other = reinterpret_cast<HWND>(lParam);
            DWORD otherProcess = 0;
            if (LOWORD(wParam) == WA_INACTIVE && other && ::GetWindowThreadProcessId(other, &otherProcess) &&
                otherProcess == GetCurrentProcessId())
                Raise([&] { events_->Form_Deactivate(); });
            break;
        }
        case WM_CTLCOLORSTATIC: {
            HWND control = reinterpret_cast<HWND>(lParam);
            HDC dc = reinterpret_cast<HDC>(wParam);
            const Label& label = control == label1_.hwnd ? label1_ : label2_;
            SetTextColor(dc, static_cast<COLORREF>(contrast::LabelPaint(label.foreColor, CurrentScheme())));
            SetBkColor(dc, GetSysColor(kBackgroundColour));
            return reinterpret_cast<LRESULT>(GetSysColorBrush(kBackgroundColour));
        }
        case kDpiChanged:
            // Sent from inside the move that took the window onto the other
            // display, which may be a drag step that has one coordinate still
            // to write, in twips of the scale it read them in.
            scaleChange_ = {true, LOWORD(wParam), *reinterpret_cast<const RECT*>(lParam)};
            PostMessageA(hwnd, kScaleChanged, 0, 0);
            return 0;
        case kScaleChanged:
            // A hidden window is minimised: it takes the new scale on when it
            // is shown again, at its place then (Form::SetWindowState).
            if (scaleChange_.pending && !IsIconic(hwnd)) {
                scaleChange_.pending = false;
                OnDpiChanged(scaleChange_.dotsPerInch, scaleChange_.suggested);
            }
            return 0;
        case WM_SYSCOLORCHANGE:
        case WM_THEMECHANGED:
            OnColoursChanged();
            break;
        case WM_SETTINGCHANGE:
            if (wParam == SPI_SETHIGHCONTRAST) OnColoursChanged();
            break;
        case WM_CLOSE: {
            if (reporting_) return 0;  // the report ends the program itself
            int16_t cancel = 0;
            Raise([&] { events_->Form_Unload(cancel); });
            DestroyWindow(hwnd);
            return 0;
        }
        case WM_TIMER: {
            const auto which = static_cast<FormTimer>(wParam);
            if (which != FormTimer::DayChange && which != FormTimer::TrayRetry) break;
            KillTimer(hwnd, wParam);  // each fires once
            if (which == FormTimer::DayChange) RefreshToday();
            Raise([&] { events_->Form_Timer(which); });
            return 0;
        }
        case WM_TIMECHANGE:  // the clock or the time zone was changed
            RaiseDayChange();
            return 0;
        case WM_POWERBROADCAST:
            if (wParam == PBT_APMRESUMEAUTOMATIC || wParam == PBT_APMRESUMESUSPEND) RaiseDayChange();
            return TRUE;
        case WM_ENDSESSION:
            if (wParam) SendMessageA(hwnd, WM_CLOSE, 0, 0);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK Win32Platform::ControlProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                            DWORD_PTR self) {
    auto* platform = reinterpret_cast<Win32Platform*>(self);
    try {
        return platform->OnControlMessage(hwnd, message, wParam, lParam, id);
    } catch (...) {  // never into the window system
        platform->ReportException(std::current_exception());
    }
}

LRESULT Win32Platform::OnControlMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id) {
    int16_t button = ButtonsHeld(wParam), shift = ShiftState();
    float x = ToTwips(GET_X_LPARAM(lParam)), y = ToTwips(GET_Y_LPARAM(lParam));
    if (id == kMonthView1) {
        switch (message) {
            case WM_LBUTTONDOWN: button = 1; Raise([&] { events_->MonthView1_MouseDown(button, shift, x, y); }); break;
            case WM_RBUTTONDOWN: button = 2; Raise([&] { events_->MonthView1_MouseDown(button, shift, x, y); }); break;
            case WM_MBUTTONDOWN: button = 4; Raise([&] { events_->MonthView1_MouseDown(button, shift, x, y); }); break;
            case WM_MOUSEMOVE: Raise([&] { events_->MonthView1_MouseMove(button, shift, x, y); }); break;
        }
        return DefSubclassProc(hwnd, message, wParam, lParam);
    }

    // A label's click is a left press and release both on the label.
    Label& label = id == kLabel1 ? label1_ : label2_;
    switch (message) {
        case WM_GETOBJECT:
            if (const LRESULT answer = accessible_name::Answer(hwnd, wParam, lParam, label.accessibleName)) return answer;
            break;
        case WM_MOUSEMOVE:
            if (id == kLabel1)
                Raise([&] { events_->Label1_MouseMove(button, shift, x, y); });
            else
                Raise([&] { events_->Label2_MouseMove(button, shift, x, y); });
            return 0;
        case WM_LBUTTONDOWN:
            label.pressed = true;
            SetCapture(hwnd);
            return 0;
        case WM_CAPTURECHANGED:
            // Another window took the mouse (a switch of windows, say): the
            // press is over, and no later release may count as its click.
            label.pressed = false;
            return 0;
        case WM_LBUTTONUP: {
            const bool wasPressed = label.pressed;
            label.pressed = false;
            ReleaseCapture();
            RECT client{};
            GetClientRect(hwnd, &client);
            POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            if (!wasPressed || !PtInRect(&client, at)) return 0;
            if (id == kLabel1)
                Raise([&] { events_->Label1_Click(); });
            else
                Raise([&] { events_->Label2_Click(); });
            return 0;
        }
    }
    return DefSubclassProc(hwnd, message, wParam, lParam);
}
