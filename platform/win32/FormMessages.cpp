// The one place where window messages become the calendar's events: one
// switch for the window, one for its controls, each case a line or a call.
#include "platform/win32/Win32Platform.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <utility>

#include "platform/Contrast.h"
#include "platform/win32/AccessibleName.h"

namespace {

// Windows 8.1 on tell a window of a new scale; the program still runs on Vista.
constexpr UINT kDpiChanged = 0x02E0;  // WM_DPICHANGED

// The month calendar's notifications as Windows' SDK numbers them; MinGW-w64's
// header has MCN_GETDAYSTATE as MCN_FIRST + 3, which no control sends.
constexpr int kMcnGetDayState = -747;  // MCN_FIRST - 1
constexpr int kMcnSelChange = -749;    // MCN_FIRST - 3

int16_t ShiftState() {
    return static_cast<int16_t>((GetKeyState(VK_SHIFT) < 0 ? 1 : 0) | (GetKeyState(VK_CONTROL) < 0 ? 2 : 0) |
                                (GetKeyState(VK_MENU) < 0 ? 4 : 0));
}

int16_t ButtonsHeld(WPARAM keys) {
    return static_cast<int16_t>((keys & MK_LBUTTON ? 1 : 0) | (keys & MK_RBUTTON ? 2 : 0) |
                                (keys & MK_MBUTTON ? 4 : 0));
}

}  // namespace

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
        case WM_MOUSEMOVE: OnMouseMove(wParam, lParam); return 0;
        case kTrayCallback: OnTrayCallback(lParam); return 0;
        case kTakeActivationBack: OnTakeActivationBack(); return 0;
        case WM_SETFOCUS: SetFocus(monthView_.hwnd); return 0;
        case WM_ACTIVATE: OnActivate(wParam, reinterpret_cast<HWND>(lParam)); break;
        case WM_CTLCOLORSTATIC: return OnCtlColorStatic(reinterpret_cast<HWND>(lParam), reinterpret_cast<HDC>(wParam));
        case WM_CTLCOLORLISTBOX: return OnCtlColorList(reinterpret_cast<HWND>(lParam), reinterpret_cast<HDC>(wParam));
        case WM_NOTIFY: return OnNotify(*reinterpret_cast<const NMHDR*>(lParam));
        case kBackgroundDone: Raise([&] { BackgroundWork::Finish(lParam); }); return 0;
        case kFileChanged:
            if (fileWatcher_ && fileWatcher_->Changed(wParam, lParam))
                Raise([&] { events_->Form_CalendarFileChanged(); });
            return 0;
        case kDpiChanged: OnDpiChangedMessage(wParam, *reinterpret_cast<const RECT*>(lParam)); return 0;
        case kScaleChanged: OnScaleChanged(); return 0;
        case WM_SYSCOLORCHANGE:
        case WM_THEMECHANGED: OnColoursChanged(); break;
        case WM_SETTINGCHANGE: OnSettingChange(wParam, reinterpret_cast<const wchar_t*>(lParam)); break;
        case WM_ERASEBKGND: return OnEraseBackground(hwnd, reinterpret_cast<HDC>(wParam));
        case WM_HOTKEY: Raise([&] { events_->Form_HotKey(); }); return 0;
        case WM_CLOSE: OnClose(); return 0;
        case WM_TIMER:
            if (OnTimer(wParam)) return 0;
            break;
        case WM_TIMECHANGE: OnDayChange(); return 0;  // the clock or the time zone was changed
        case WM_POWERBROADCAST:
            // Sent at every resume; a resume by the user follows it with
            // PBT_APMRESUMESUSPEND, which would read every calendar again.
            if (wParam == PBT_APMRESUMEAUTOMATIC) {
                OnDayChange();
                Raise([&] { events_->Form_Resume(); });
            }
            return TRUE;
        case WM_ENDSESSION:
            if (wParam) SendMessageA(hwnd, WM_CLOSE, 0, 0);
            return 0;
        case WM_DESTROY:
            names_.Forget();
            PostQuitMessage(0);
            return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

// The handler reads the shell's mouse message out of X (OnTrayCallback). A
// real pointer column that large, on a window over 512 pixels wide, would
// read as one: the pointer is reported no further right than the column
// before the first of them. Nothing else reads it.
void Win32Platform::OnMouseMove(WPARAM keys, LPARAM at) {
    int16_t button = ButtonsHeld(keys), shift = ShiftState();
    const int column = std::min(GET_X_LPARAM(at), static_cast<int>(WM_MOUSEFIRST) - 1);
    float x = units::WindowMouseTwips(column, scale_.TwipsPerPixel());
    float y = units::WindowMouseTwips(GET_Y_LPARAM(at), scale_.TwipsPerPixel());
    Raise([&] { events_->Form_MouseMove(button, shift, x, y); });
}

// The notification icon's mouse event, delivered as the window's mouse move
// with the event's message where the pointer's x goes.
void Win32Platform::OnTrayCallback(LPARAM event) {
    const DWORD at = GetMessagePos();
    trayEventAt_ = {GET_X_LPARAM(at), GET_Y_LPARAM(at)};
    int16_t button = 0, shift = ShiftState();
    float x = units::WindowMouseTwips(LOWORD(event), scale_.TwipsPerPixel());
    float y = 0;
    Raise([&] { events_->Form_MouseMove(button, shift, x, y); });
}

// Only activation moving to another window of this program counts. The
// Settings window, topmost and owned by no one, is not put under the
// calendar again: the calendar's move into the band would take its place
// and the activation with it. The tool tip takes no keys: activation that
// reaches it (Wine activates a tip, and its keys then go nowhere) comes
// back to the calendar once this change is over.
void Win32Platform::OnActivate(WPARAM state, HWND other) {
    DWORD otherProcess = 0;
    if (LOWORD(state) != WA_INACTIVE || !other || other == settingsWindow_.dialog) return;
    if (other == toolTips_) {
        PostMessageA(hwnd_, kTakeActivationBack, 0, 0);
        return;
    }
    if (::GetWindowThreadProcessId(other, &otherProcess) && otherProcess == GetCurrentProcessId())
        Raise([&] { events_->Form_Deactivate(); });
}

// The month calendar asks which of the days it is about to show are bold,
// and says when the user picked another day. The array it hands over is
// its own, filled here.
LRESULT Win32Platform::OnNotify(const NMHDR& header) {
    if (header.hwndFrom != monthView_.hwnd) return 0;
    switch (static_cast<int>(header.code)) {
        case kMcnGetDayState: {
            // Windows' control hands over an array of its own, to be filled;
            // where one comes without, the program's own is handed back.
            auto& asked = const_cast<NMDAYSTATE&>(reinterpret_cast<const NMDAYSTATE&>(header));
            if (!asked.prgDayState && asked.cDayState > 0) {
                monthView_.dayStates.assign(static_cast<size_t>(asked.cDayState), 0);
                asked.prgDayState = monthView_.dayStates.data();
            }
            monthView_.FillDayStates(asked.stStart, asked.cDayState, asked.prgDayState);
            break;
        }
        case kMcnSelChange: Raise([&] { events_->MonthView1_SelChange(); }); break;
    }
    return 0;
}

// Only while the tip still has it: a window the user has activated since
// (the Settings window, a message box, another program's) keeps it, and a
// hidden calendar, or one a message box holds disabled, takes nothing.
void Win32Platform::OnTakeActivationBack() {
    if (GetForegroundWindow() != toolTips_ || !IsWindowVisible(hwnd_) || IsIconic(hwnd_) || !IsWindowEnabled(hwnd_))
        return;
    SetForegroundWindow(hwnd_);
}

LRESULT Win32Platform::OnCtlColorStatic(HWND control, HDC dc) {
    const Label& label = control == label1_.hwnd ? label1_ : label2_;
    const contrast::Scheme scheme = CurrentScheme();
    SetTextColor(dc, static_cast<COLORREF>(contrast::LabelPaint(label.foreColor, scheme)));
    SetBkColor(dc, static_cast<COLORREF>(contrast::WindowBackground(scheme)));
    return reinterpret_cast<LRESULT>(dark_.applied ? dark_.background : GetSysColorBrush(design_.backColor));
}

// The class's brush is the designed system colour; the dark surface is
// painted here.
LRESULT Win32Platform::OnEraseBackground(HWND hwnd, HDC dc) {
    if (!dark_.applied) return DefWindowProcW(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client{};
    GetClientRect(hwnd, &client);
    FillRect(dc, &client, dark_.background);
    return 1;
}

// High contrast switched, or the light or dark app mode chosen in Settings
// (announced as "ImmersiveColorSet"). A new regional format (the first day of
// the week, the months' names), text size or system font changes what the
// calendar needs: it is measured again as at a new scale, a hidden one when
// it is shown.
void Win32Platform::OnSettingChange(WPARAM setting, const wchar_t* area) {
    auto named = [area](const wchar_t* name) { return area && lstrcmpiW(area, name) == 0; };
    const bool appMode = named(L"ImmersiveColorSet");
    if (appMode) ReadAppMode();
    if (appMode || setting == SPI_SETHIGHCONTRAST) OnColoursChanged();
    if (named(L"intl") || setting == SPI_SETNONCLIENTMETRICS || setting == SPI_SETICONTITLELOGFONT) {
        // Common controls learn of it from their parent alone.
        SendMessageW(monthView_.hwnd, WM_SETTINGCHANGE, setting, reinterpret_cast<LPARAM>(area));
        MeasureAgain(true);
    }
    if (named(L"intl")) Raise([&] { events_->Form_SettingChange(); });
}

// Laid out again as at a new scale, at the window's own scale and place
// unless a new scale is already waiting: after the handler running now, and
// for a hidden window when it is shown.
void Win32Platform::MeasureAgain(bool remakeFonts) {
    if (!scaleChange_.pending) scaleChange_ = {true, scale_.Of(hwnd_), form_.Rect()};
    scaleChange_.remakeFonts = scaleChange_.remakeFonts || remakeFonts;
    PostMessageA(hwnd_, kScaleChanged, 0, 0);
}

// Sent from inside the move that took the window onto the other display,
// which may be a drag step that has one coordinate still to write, in twips
// of the scale it read them in: the new scale is taken on after it.
void Win32Platform::OnDpiChangedMessage(WPARAM dotsPerInch, const RECT& suggested) {
    scaleChange_ = {true, LOWORD(dotsPerInch), suggested};
    PostMessageA(hwnd_, kScaleChanged, 0, 0);
}

// A hidden window is minimised: it takes the new scale on when it is shown
// again, at its place then (Form::SetWindowState).
void Win32Platform::OnScaleChanged() {
    if (!scaleChange_.pending || IsIconic(hwnd_)) return;
    scaleChange_.pending = false;
    OnDpiChanged(scaleChange_.dotsPerInch, scaleChange_.suggested, std::exchange(scaleChange_.remakeFonts, false));
}

// A new colour scheme, or high contrast switched: common controls learn of it
// only from their parent, and every part of the window is painted anew.
void Win32Platform::OnColoursChanged() {
    SendMessageA(monthView_.hwnd, WM_SYSCOLORCHANGE, 0, 0);
    ApplyAppMode();
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
    Raise([&] { events_->Form_SettingChange(); });  // a number in the icon takes the scheme's colours
}

void Win32Platform::OnClose() {
    if (reporting_) return;  // the report ends the program itself
    int16_t cancel = 0;
    Raise([&] { events_->Form_Unload(cancel); });
    DestroyWindow(hwnd_);
}

// Each of the window's timers fires once. False for a timer not the window's.
bool Win32Platform::OnTimer(WPARAM id) {
    if (id == kToolTipsTimer) {
        KillTimer(hwnd_, id);
        AddToolTips();
        return true;
    }
    const auto which = static_cast<FormTimer>(id);
    if (id < static_cast<WPARAM>(FormTimer::DayChange) || id > static_cast<WPARAM>(kLastFormTimer)) return false;
    KillTimer(hwnd_, id);
    if (which == FormTimer::DayChange) RefreshToday();
    Raise([&] { events_->Form_Timer(which); });
    return true;
}

void Win32Platform::OnDayChange() {
    RefreshToday();
    Raise([&] { events_->Form_DayChange(); });
}

// The control keeps its own idea of today for its marker and its footer, and
// would catch up with a new day only minutes later.
void Win32Platform::RefreshToday() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    MonthCal_SetToday(monthView_.hwnd, &now);
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

LRESULT CALLBACK Win32Platform::ControlProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* platform = reinterpret_cast<Win32Platform*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    try {
        if (hwnd == platform->monthView_.hwnd) return platform->OnMonthViewMessage(hwnd, message, wParam, lParam);
        if (hwnd == platform->eventList_.hwnd) return platform->OnListMessage(hwnd, message, wParam, lParam);
        return platform->OnLabelMessage(hwnd, message, wParam, lParam);
    } catch (...) {  // never into the window system
        platform->ReportException(std::current_exception());
    }
}

// Wine's tool tip leaves a click's question to DefWindowProc, whose answer
// lets the click activate it.
LRESULT CALLBACK Win32Platform::ToolTipProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                            DWORD_PTR) {
    if (message == WM_MOUSEACTIVATE) return MA_NOACTIVATE;
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

// The shift keys are asked of the window system for mouse messages alone:
// the controls get many others (a move, a font, each part of a paint), and
// three questions each made the window's start a few milliseconds later.
LRESULT Win32Platform::OnMonthViewMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    // With week numbers the picture is made whole before it reaches the
    // screen (PaintMonthView), its background too; a copy asked for in a DC
    // of the caller's has the numbers as well.
    const bool painting = message == WM_PAINT || message == WM_ERASEBKGND || message == WM_PRINTCLIENT;
    if (painting && (GetWindowLongPtrW(hwnd, GWL_STYLE) & MCS_WEEKNUMBERS)) {
        if (message == WM_ERASEBKGND) return 1;
        if (message == WM_PAINT) {
            PaintMonthView(hwnd);
            return 0;
        }
        const LRESULT printed = CallWindowProcW(monthView_.classProc, hwnd, message, wParam, lParam);
        if (lParam & PRF_CLIENT) PaintWeekNumbers(reinterpret_cast<HDC>(wParam));
        return printed;
    }
    if (message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN || message == WM_MBUTTONDOWN ||
        message == WM_MOUSEMOVE) {
        int16_t button = message == WM_LBUTTONDOWN   ? 1
                         : message == WM_RBUTTONDOWN ? 2
                         : message == WM_MBUTTONDOWN ? 4
                                                     : ButtonsHeld(wParam);
        int16_t shift = ShiftState();
        float x = ToTwips(GET_X_LPARAM(lParam)), y = ToTwips(GET_Y_LPARAM(lParam));
        Raise([&] {
            message == WM_MOUSEMOVE ? events_->MonthView1_MouseMove(button, shift, x, y)
                                    : events_->MonthView1_MouseDown(button, shift, x, y);
        });
    }
    return CallWindowProcW(monthView_.classProc, hwnd, message, wParam, lParam);
}

// A label's click is a left press and release both on the label.
LRESULT Win32Platform::OnLabelMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Label& label = hwnd == label1_.hwnd ? label1_ : label2_;
    const bool isLabel1 = &label == &label1_;
    switch (message) {
        case WM_GETOBJECT:
            if (const LRESULT answer = names_.Answer(hwnd, wParam, lParam, label.accessibleName)) return answer;
            break;
        case WM_MOUSEMOVE: {
            int16_t button = ButtonsHeld(wParam), shift = ShiftState();
            float x = ToTwips(GET_X_LPARAM(lParam)), y = ToTwips(GET_Y_LPARAM(lParam));
            Raise([&] {
                isLabel1 ? events_->Label1_MouseMove(button, shift, x, y)
                         : events_->Label2_MouseMove(button, shift, x, y);
            });
            return 0;
        }
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
            if (wasPressed && PtInRect(&client, at))
                Raise([&] { isLabel1 ? events_->Label1_Click() : events_->Label2_Click(); });
            return 0;
        }
    }
    return CallWindowProcW(label.classProc, hwnd, message, wParam, lParam);
}
