// The window made as designed, its message loop, and the one boundary where
// a handler's run-time error is reported.
#include "platform/win32/Win32Platform.h"

#include <commctrl.h>
#include <shellapi.h>

#include "platform/Numeric.h"
#include "platform/RuntimeError.h"
#include "platform/win32/OptionalFunction.h"
#include "platform/win32/Text.h"
#include "resources/resource.h"

namespace {

const wchar_t kFormClass[] = L"vrlCalendar.frmCalendar";

SYSTEMTIME AsSystemTime(const form_design::Date& date) {
    SYSTEMTIME day{};
    day.wYear = static_cast<WORD>(date.year), day.wMonth = static_cast<WORD>(date.month);
    day.wDay = static_cast<WORD>(date.day);
    return day;
}

}  // namespace

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
        MessageBoxW(hwnd_, L"Run-time error", L"vrlCalendar", MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
    }
    ExitProcess(static_cast<UINT>(error.Number()));
}

void Win32Platform::CreateForm() {
    static_assert(units::kTwipsPerInch == 1440, "the design is in twips");
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_DATE_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);

    icon_ = static_cast<HICON>(LoadImageA(instance_, MAKEINTRESOURCEA(IDI_CALENDAR), IMAGE_ICON, 32, 32, 0));
    LoadSmallIcon();
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = FormProc;
    windowClass.hInstance = instance_;
    windowClass.hIcon = icon_;
    // Without the small icon, registering makes one from the large one's
    // resource, which under Wine costs most of a millisecond: it is the same
    // image at the same size, loaded here.
    windowClass.hIconSm =
        static_cast<HICON>(LoadImageA(instance_, MAKEINTRESOURCEA(IDI_CALENDAR), IMAGE_ICON,
                                      GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = GetSysColorBrush(design_.backColor);
    windowClass.lpszClassName = kFormClass;
    RegisterClassExW(&windowClass);

    // A tool window has no taskbar button: the notification-area icon is the
    // calendar's handle while it runs. It floats above other windows from
    // the start; the load handler's SetFormAtTop then finds it there.
    const form_design::Rect& at = design_.design;
    hwnd_ =
        CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, kFormClass, wide_text::Utf16(design_.caption).c_str(),
                        (design_.borderless ? WS_POPUP : WS_POPUP | WS_BORDER) | WS_CLIPCHILDREN, ToPixels(at.left),
                        ToPixels(at.top), ToPixels(at.width), ToPixels(at.height), nullptr, nullptr, instance_, this);

    // Made on the primary display, the window has its scale, which differs
    // from the system's once the user has changed it since signing in.
    scale_.Change(scale_.Of(hwnd_));
    scale_.FreeOldFonts();

    // In tab order, the calendar first. The window hands it the focus
    // whenever it gets it (WM_SETFOCUS), so its keys work from the start.
    for (const form_design::Control& control : design_.controls) CreateControl(control);
    ReadAppMode();
    ApplyAppMode();
    DesignControls();
    taskbarCreated_ = RegisterWindowMessageA("TaskbarCreated");
    LetShellMessagesThrough();
    background_.emplace(hwnd_, kBackgroundDone);
    fileWatcher_.emplace(hwnd_, kFileChanged);
}

// A calendar started elevated (by an installer run as administrator, say)
// would not hear the unelevated shell: Windows' message filter drops its
// icon's callback and TaskbarCreated, and a hidden calendar could not come
// back. Those two are let through for this window alone (Windows 7 on).
void Win32Platform::LetShellMessagesThrough() {
    using FilterFn = BOOL(WINAPI*)(HWND, UINT, DWORD, void*);
    static const auto allow = OptionalFunction<FilterFn>("user32.dll", "ChangeWindowMessageFilterEx");
    constexpr DWORD kAllow = 1;  // MSGFLT_ALLOW
    if (allow)
        for (UINT message : {static_cast<UINT>(kTrayCallback), taskbarCreated_}) allow(hwnd_, message, kAllow, nullptr);
}

// One control as designed. The labels draw their captions in every language;
// a screen reader says what they do (their accessible names, WM_GETOBJECT).
HWND Win32Platform::CreateControl(const form_design::Control& control) {
    DWORD style = WS_CHILD | WS_VISIBLE;
    const wchar_t* windowClass = L"STATIC";
    switch (control.kind) {
        case form_design::Kind::MonthView:
            // The day states are asked for whether or not the user has
            // calendars: the style cannot be given once the control is made.
            // With every day plain, it draws as without it.
            style |= WS_TABSTOP | MCS_DAYSTATE | (design_.monthView.showWeekNumbers ? MCS_WEEKNUMBERS : 0);
            windowClass = MONTHCAL_CLASSW;
            break;
        case form_design::Kind::Label:
            style |= SS_NOTIFY | (control.alignment == form_design::Alignment::Right ? SS_RIGHT : SS_LEFT);
            break;
        case form_design::Kind::List:
            // Hidden until the logic shows it; reached with Tab, read line by line.
            style = WS_CHILD | WS_TABSTOP | LBS_NOINTEGRALHEIGHT | LBS_NOTIFY;
            windowClass = L"LISTBOX";
            break;
    }
    const form_design::Rect& at = control.design;
    HWND made = CreateWindowExW(0, windowClass, wide_text::Utf16(control.caption).c_str(), style, ToPixels(at.left),
                                ToPixels(at.top), ToPixels(at.width), ToPixels(at.height), hwnd_,
                                reinterpret_cast<HMENU>(static_cast<UINT_PTR>(control.id)), instance_, nullptr);
    if (!made) throw RuntimeError::OutOfMemory();
    const auto classProc = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(made, GWLP_WNDPROC));
    const std::wstring name = control.accessibleName ? wide_text::Utf16(language_.Text(*control.accessibleName)) : L"";
    switch (control.name) {
        case form_design::Name::MonthView1: {
            monthView_.hwnd = made, monthView_.classProc = classProc;
            const form_design::MonthView& settings = design_.monthView;
            SYSTEMTIME range[2]{AsSystemTime(settings.minDate), AsSystemTime(settings.maxDate)};
            MonthCal_SetRange(made, GDTR_MIN | GDTR_MAX, range);
            MonthCal_SetMaxSelCount(made, settings.maxSelCount);
            monthView_.toolTip = control.toolTip ? language_.Text(*control.toolTip) : "";
            break;
        }
        case form_design::Name::Label1:
        case form_design::Name::Label2: {
            Label& label = control.name == form_design::Name::Label1 ? label1_ : label2_;
            label.hwnd = made, label.classProc = classProc, label.accessibleName = name;
            break;
        }
        case form_design::Name::List1: eventList_.hwnd = made, eventList_.classProc = classProc; break;
    }
    // The control's messages come here first. Not through the common
    // controls' subclassing: that looks its record up among the window's
    // properties for every message, a question to the window system each.
    SetWindowLongPtrW(made, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrW(made, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ControlProc));
    return made;
}

// The tool tips show only after the pointer has rested on a control: they
// are made once the window has been painted (a timer comes after painting),
// not before it shows. A tip is never the window the user works in: made
// with WS_EX_NOACTIVATE, which keeps a click from activating it on Windows,
// it also answers a click's question (WM_MOUSEACTIVATE) so itself, as
// Wine's tip does not (ToolTipProc).
void Win32Platform::AddToolTips() {
    toolTips_ =
        CreateWindowExW(WS_EX_TOPMOST | WS_EX_NOACTIVATE, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd_, nullptr, instance_, nullptr);
    SetWindowSubclass(toolTips_, ToolTipProc, 0, 0);
    for (const form_design::Control& control : design_.controls)
        if (control.toolTip) AddToolTip(GetDlgItem(hwnd_, control.id), *control.toolTip);
    // The day's list: a tip for the line under the pointer, off while it has none.
    AddToolTip(eventList_.hwnd, std::nullopt);
    eventList_.tip = toolTips_;
}

void Win32Platform::AddToolTip(HWND control, std::optional<TextId> text) {
    std::wstring tip = text ? wide_text::Utf16(language_.Text(*text)) : std::wstring();  // the control copies it
    TOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V1_SIZE;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = hwnd_;
    tool.uId = reinterpret_cast<UINT_PTR>(control);
    tool.lpszText = tip.data();
    SendMessageW(toolTips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

// What the gaps between several months may take at 300 %.
constexpr int kMostGapPixels = 160;

// The controls as designed, at the window's scale: the labels' places and
// font, the calendar's font, and its size, the control's own minimum for the
// months it shows. At start-up and after a change of scale alike, the load
// handler's layout then starts from these.
void Win32Platform::DesignControls() {
    auto place = [&](HWND control, form_design::Name which) {
        const form_design::Rect& at = design_.Find(which).design;
        MoveWindow(control, ToPixels(at.left), ToPixels(at.top), ToPixels(at.width), ToPixels(at.height), FALSE);
        if (HFONT font = scale_.LabelFont()) SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    };
    place(label1_.hwnd, form_design::Name::Label1);
    place(label2_.hwnd, form_design::Name::Label2);
    const form_design::Rect& list = design_.Find(form_design::Name::List1).design;
    MoveWindow(eventList_.hwnd, ToPixels(list.left), ToPixels(list.top), ToPixels(list.width), ToPixels(list.height),
               FALSE);
    // Left to its default font, Wine's control measures itself with an unscaled
    // font and draws with a scaled one, so above 100 % its right-hand columns
    // fall outside it. Given the system's message font, which follows the
    // display scale, it measures with the font it draws with.
    if (HFONT font = scale_.CalendarFont()) {
        SendMessageA(monthView_.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        SendMessageA(eventList_.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }
    RECT minimum{};
    MonthCal_GetMinReqRect(monthView_.hwnd, &minimum);
    const int todayWidth = static_cast<int>(MonthCal_GetMaxTodayWidth(monthView_.hwnd));
    const int monthWidth = minimum.right - minimum.left > todayWidth ? minimum.right - minimum.left : todayWidth;
    dark_.measuredApplied = dark_.applied;
    const form_design::MonthView& months = design_.monthView;
    const form_design::Rect& at = design_.Find(form_design::Name::MonthView1).design;
    // Several months: the control lays them out itself in the room it gets,
    // each as large as one, with gaps between them that only it knows. It is
    // grown until it shows them all (MCM_GETCALENDARCOUNT).
    const int columns = monthView_.columns > 0 ? monthView_.columns : months.monthColumns;
    const int rows = monthView_.rows > 0 ? monthView_.rows : months.monthRows;
    int width = monthWidth * columns, height = (minimum.bottom - minimum.top) * rows;
    const auto size = [&] {
        ::SetWindowPos(monthView_.hwnd, nullptr, ToPixels(at.left), ToPixels(at.top), width, height,
                       SWP_NOZORDER | SWP_NOACTIVATE);
    };
    size();
    for (int grown = 0;
         grown < kMostGapPixels && MonthCal_GetCalendarCount(monthView_.hwnd) < static_cast<DWORD>(columns * rows);
         ++grown) {
        width += columns > 1 ? 1 : 0;
        height += rows > 1 ? 1 : 0;
        size();
    }
}

// Windows suggests the window's new place and size; the load handler's layout
// decides the size, as at a start at this scale.
void Win32Platform::OnDpiChanged(int dotsPerInch, const RECT& suggested, bool remakeFonts) {
    scale_.Change(dotsPerInch, remakeFonts);
    DesignControls();
    scale_.FreeOldFonts();
    float left = ToTwips(suggested.left), top = ToTwips(suggested.top);
    Raise([&] { events_->Form_DpiChanged(left, top); });
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

// Tab and Shift+Tab go between the calendar and the day's list, while it
// shows, as they go between a dialog's controls.
bool Win32Platform::TabBetweenControls(const MSG& msg) {
    if (msg.message != WM_KEYDOWN || msg.wParam != VK_TAB || !IsWindowVisible(eventList_.hwnd)) return false;
    if (msg.hwnd != monthView_.hwnd && msg.hwnd != eventList_.hwnd) return false;
    SetFocus(msg.hwnd == monthView_.hwnd ? eventList_.hwnd : monthView_.hwnd);
    return true;
}

void Win32Platform::Run(FormEvents& events) {
    events_ = &events;
    CreateForm();
    form_.Hold();
    Raise([&] { events_->Form_Load(); });
    form_.Settle();
    ShowWindow(hwnd_, SW_SHOWNORMAL);
    SetForegroundWindow(hwnd_);
    SetTimer(hwnd_, kToolTipsTimer, 0, nullptr);

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (design_.keyPreview) PreviewKey(msg);
        // Tab, the arrows, Enter, Esc and the access keys in the Settings window.
        if (settingsWindow_.dialog && IsDialogMessageW(settingsWindow_.dialog, &msg)) continue;
        if (TabBetweenControls(msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    // Ended here, not by returning: a calendar's read may still be going on
    // off the window's thread, with what it reads into.
    ExitProcess(0);
}
