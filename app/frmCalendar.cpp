#include "app/frmCalendar.h"

#include <algorithm>
#include <string>
#include <utility>

#include "calendars/Reminders.h"
#include "clock/DayClock.h"
#include "platform/Displays.h"
#include "platform/Numeric.h"
#include "platform/RuntimeError.h"
#include "settings/Choices.h"
#include "settings/SavedPosition.h"
#include "settings/StartAtSignIn.h"
#include "tray/TrayIcon.h"

using numeric::Add;
using numeric::Sub;

namespace {

constexpr float kMargin = 100;  // calendar to window edge, left and right
constexpr float kLabelWidth = 200;
constexpr float kLabelHeight = 175;  // also the strip the calendar sits under
constexpr float kLabel2FromRight = 450;
constexpr float kKeyStep = 100;
constexpr float kEdgeGap = 100;  // kept free at the right and bottom edges

constexpr int16_t kKeyLeft = 37;
constexpr int16_t kKeyUp = 38;
constexpr int16_t kKeyRight = 39;
constexpr int16_t kKeyDown = 40;
constexpr int16_t kKeyEscape = 27;
constexpr int16_t kKeyC = 67;
constexpr int16_t kCtrlOnly = 2;
constexpr int16_t kAltOnly = 4;
constexpr int16_t kLeftButtonOnly = 1;

constexpr int32_t kBlack = 0;
constexpr int32_t kRed = 255;
// The dead rim around a label's text inside which the pointer does not light it.
constexpr float kHoverLow = 20;
constexpr float kHoverHigh = 160;

constexpr int32_t kHwndTopmost = -1;
constexpr int32_t kSwpNoSizeNoMove = 1 + 2;

// A refused icon is tried again after 2, 4, 8, 16, 32 and 64 seconds: the
// shell that refuses it at log-on is up well within those two minutes.
constexpr int kTrayRetries = 6;
constexpr uint32_t kFirstTrayRetryMs = 2000;

constexpr int32_t kMsgBoxOkOnly = 0;
constexpr int32_t kMsgBoxExclamation = 48;
const char* const kTitle = "vrlCalendar " CALENDAR_VERSION;

int32_t HoverColor(float X, float Y) {
    if (X >= kHoverHigh) return kBlack;
    if (X <= kHoverLow) return kBlack;
    if (Y <= kHoverLow) return kBlack;
    if (Y >= kHoverHigh) return kBlack;
    return kRed;
}

}  // namespace

void frmCalendar::Form_Load() {
    if (platform_.App().PrevInstance()) {
        platform_.App().End();
        return;
    }
    LayOut();

    // The icon goes up before the stored values are read, so that a failure
    // there still leaves the user a handle on the program; its tip counts
    // the weeks as most users have them.
    CountWeeks();
    AddTrayIcon();
    const std::string name = platform_.App().EXEName();
    const auto read = [&](const auto& stored) {
        return stored.Read(platform_.Settings().GetSetting(name, name, stored.name, ""));
    };
    weekNumbers_ = read(choices::kWeekNumbers);
    iconShows_ = read(choices::kIconShows);
    opensOn_ = read(choices::kOpensOn);
    remindMe_ = read(choices::kRemindMe);
    monthsShown_ = read(choices::kMonthsShown);
    if (monthsShown_ != MonthsShown::One) FitMonths();
    remindersShown_ = calendars::ReadShown(platform_.Settings().GetSetting(name, name, "remindersShown", ""));
    if (weekNumbers_ == WeekNumbering::None) {
        platform_.MonthView1().SetWeekNumbers(false);
        LayOut();
    }
    if (weekNumbers_ != WeekNumbering::Regional || iconShows_ != IconShows::Calendar) {
        CountWeeks();
        ShowToday();
    }
    LoadCalendars();
    saved_position::Restore(platform_);
    dateSet_ = platform_.Today();
    platform_.MonthView1().SetValue(dateSet_);
    ShowTheDaysEvents();
    RegisterShortcut();
    SetFormAtTop();
    LookAtTheDateLater();
}

// The shortcut shows or hides the calendar, as a left press on the icon does.
// Chosen so, a hidden calendar comes up on the display the user works on, at
// the place it had on its own; the icon shows it where it is.
void frmCalendar::Form_HotKey() {
    if (opensOn_ == OpensOn::Working && tray::IsHidden(platform_)) {
        FormObject& me = platform_.Me();
        const auto [from, to] = platform_.Screen().WorkAreas();
        const auto [left, top] = displays::SamePlaceIn(from, to, me.Left(), me.Top(), me.Width(), me.Height());
        me.Move(left, top);
    }
    tray::Toggle(platform_);
}

// The calendar numbers its rows itself: the control's own numbers follow a
// rule of its own, one the user cannot choose, and on Windows never reach 53.
// ISO 8601 weeks start on Monday whatever the format, so its rows do too.
void frmCalendar::CountWeeks() {
    const auto [firstDay, firstWeek] = platform_.RegionalWeeks();
    counting_ = weeks::CountingFor(weekNumbers_, firstDay, firstWeek);
    // Without numbers beside the rows, the icon's week is the format's.
    weekCount_ = counting_.value_or(*weeks::CountingFor(WeekNumbering::Regional, firstDay, firstWeek));
    platform_.MonthView1().SetFirstDayOfWeek(weekCount_.firstDay);
}

void frmCalendar::MonthView1_GetWeekNumber(CalendarDate& RowStart, int32_t& Week) {
    Week = counting_ ? weeks::WeekOfYear(RowStart, *counting_) : 0;
}

void frmCalendar::Form_SettingChange() {
    CountWeeks();
    ShowToday();
}

// This week at a glance: today's date and week before what a click does.
// Where a long date leaves the hint no room in the shell's 127 units, the
// date stands alone rather than beside a hint cut short.
std::string frmCalendar::IconTip() {
    const std::string hint = platform_.MonthView1().ToolTipText();
    const CalendarDate today = platform_.Today();
    std::string date = platform_.LongDate(today);
    if (date.empty()) return hint;
    if (counting_)
        date += " \u00B7 " +
                platform_.Language().Text(TextId::TipWeek, numeric::IntegerText(weeks::WeekOfYear(today, *counting_)));
    // Today's next event goes before the hint, and stays where the hint does not.
    const std::string next = NextEventTip();
    if (!next.empty()) date += "\n" + next;
    const auto fits = [](const std::string& tip) { return Utf16(tip).size() <= shell_layout::kTipUnits - 1; };
    const std::string tip = date + "\n" + hint;
    if (fits(tip)) return tip;
    if (fits(date)) return date;
    return platform_.LongDate(today);
}

// The icon as chosen: this week's number or today's day, drawn at the
// taskbar's size and in its scheme's colours, or the designed one.
int32_t frmCalendar::IconImage() {
    return platform_.NumberIcon(tray::IconNumber(iconShows_, platform_.Today(), weekCount_));
}

// The shell is told only when the tip or the image is new.
void frmCalendar::ShowToday() {
    const std::string tip = IconTip();
    const int32_t image = IconImage();
    if ((tip != iconTip_ || image != iconImage_) && tray::ChangeIcon(platform_, tip, image))
        iconTip_ = tip, iconImage_ = image;
}

// The window around the calendar, from the controls as designed.
void frmCalendar::LayOut() {
    FormObject& me = platform_.Me();
    me.SetWidth(Add(platform_.MonthView1().Width(), 2 * kMargin));
    platform_.Label1().Move(Sub(me.Width(), kLabelWidth), 0, kLabelWidth, kLabelHeight);
    platform_.Label2().Move(Sub(me.Width(), kLabel2FromRight), 0, kLabelWidth, kLabelHeight);
    // The calendar under the labels' strip as it came out in whole pixels,
    // and the window down to the calendar's bottom edge, its today line.
    const float strip = platform_.Label1().Height();
    me.SetHeight(Add(strip, platform_.MonthView1().Height()));
    platform_.MonthView1().Move(kMargin, strip);
    // The day's events under the month, as wide as it, once there are calendars.
    if (calendars_.empty()) return;
    ListObject& list = platform_.List1();
    const float listHeight = list.Height();
    list.Move(kMargin, me.Height(), platform_.MonthView1().Width(), listHeight);
    me.SetHeight(Add(me.Height(), listHeight));
}

int32_t frmCalendar::MonthsWanted() const {
    switch (monthsShown_) {
        case MonthsShown::Two:
        case MonthsShown::TwoDown: return 2;
        case MonthsShown::Three:
        case MonthsShown::ThreeDown: return 3;
        case MonthsShown::One: break;
    }
    return 1;
}

// The months chosen, or as many of them as the work area of the window's
// display holds: each month is as large as one alone.
void frmCalendar::FitMonths() {
    const bool down = monthsShown_ == MonthsShown::TwoDown || monthsShown_ == MonthsShown::ThreeDown;
    const DisplayArea work = platform_.Screen().WorkAreas().first;
    FormObject& me = platform_.Me();
    for (monthsFit_ = MonthsWanted();; --monthsFit_) {
        platform_.MonthView1().SetMonths(down ? 1 : monthsFit_, down ? monthsFit_ : 1);
        LayOut();
        const bool unknown = work.width <= 0 || work.height <= 0;  // taken as room for all
        if (monthsFit_ == 1 || unknown || (me.Width() <= work.width && me.Height() <= work.height)) break;
    }
}

// Empty when every month chosen is shown.
std::string frmCalendar::MonthsStatus() const {
    if (monthsFit_ >= MonthsWanted()) return {};
    return platform_.Language().Text(TextId::MonthsFit, numeric::IntegerText(monthsFit_));
}

// Laid out as a start at the new scale lays it out, where Windows suggests,
// and within the limits Alt+arrows keep on the display it is then on.
void frmCalendar::Form_DpiChanged(float& Left, float& Top) {
    FitMonths();
    FormObject& me = platform_.Me();
    me.Move(Left, Top);
    ScreenObject& screen = platform_.Screen();
    const float formWidth = me.Width(), formHeight = me.Height();
    const MoveLimits limits = LimitsOnItsDisplay(
        {0, 0, Sub(Sub(screen.Width(), formWidth), kEdgeGap), Sub(Sub(screen.Height(), formHeight), kEdgeGap)},
        formWidth, formHeight);
    const float left = std::max(std::min(Left, limits.maxLeft), limits.minLeft);
    const float top = std::max(std::min(Top, limits.maxTop), limits.minTop);
    if (left != Left || top != Top) me.Move(left, top);
}

void frmCalendar::Form_Unload(int16_t& /*Cancel*/) {
    settingsWanted_ = false;
    platform_.CloseSettings();  // it closes with the calendar, as Cancel closes it
    if (!shortcutText_.empty()) platform_.UnregisterHotKey();
    RemoveTrayIcon();
    saved_position::Save(platform_);
}

void frmCalendar::Form_Deactivate() { SetFormAtTop(); }

void frmCalendar::Form_KeyDown(int16_t& KeyCode, int16_t& Shift) {
    FormObject& me = platform_.Me();
    ScreenObject& screen = platform_.Screen();
    const float formWidth = me.Width();
    MoveLimits limits{0, 0, Sub(Sub(screen.Width(), formWidth), kEdgeGap), 0};
    const float formHeight = me.Height();
    limits.maxTop = Sub(Sub(screen.Height(), formHeight), kEdgeGap);

    // Esc puts the calendar away as a left press on its icon does.
    if (KeyCode == kKeyEscape && Shift == 0) {
        if (!tray::IsHidden(platform_)) tray::Toggle(platform_);
        return;
    }
    // Ctrl+C copies the day picked, as the user's short date writes it.
    if (KeyCode == kKeyC && Shift == kCtrlOnly) {
        platform_.CopyText(platform_.ShortDate(platform_.MonthView1().Value()));
        return;
    }
    if (KeyCode < kKeyLeft || KeyCode > kKeyDown) return;
    if (Shift != kAltOnly) return;
    const auto [minLeft, minTop, maxLeft, maxTop] = LimitsOnItsDisplay(limits, formWidth, formHeight);

    // The full step is written first and the value the window really took is
    // then checked against the limit on the side the key moves towards.
    switch (KeyCode) {
        case kKeyLeft:
            me.SetLeft(Sub(me.Left(), kKeyStep));
            if (me.Left() < minLeft) me.SetLeft(minLeft);
            break;
        case kKeyUp:
            me.SetTop(Sub(me.Top(), kKeyStep));
            if (me.Top() < minTop) me.SetTop(minTop);
            break;
        case kKeyRight:
            me.SetLeft(Add(me.Left(), kKeyStep));
            if (me.Left() > maxLeft) me.SetLeft(maxLeft);
            break;
        case kKeyDown:
            me.SetTop(Add(me.Top(), kKeyStep));
            if (me.Top() > maxTop) me.SetTop(maxTop);
            break;
    }
}

// On a display beside the primary one the limits are that display's edges,
// not the primary screen's, which would throw the window back onto it.
frmCalendar::MoveLimits frmCalendar::LimitsOnItsDisplay(MoveLimits primary, float formWidth, float formHeight) {
    const std::optional<DisplayArea> display = displays::SecondaryUnderWindow(platform_);
    if (!display) return primary;
    return {display->left, display->top, Sub(Sub(Add(display->left, display->width), formWidth), kEdgeGap),
            Sub(Sub(Add(display->top, display->height), formHeight), kEdgeGap)};
}

void frmCalendar::Form_MouseMove(int16_t& /*Button*/, int16_t& /*Shift*/, float& X, float& /*Y*/) {
    ResetLabelColors();
    const int32_t event = tray::OnWindowMouseMove(platform_, X);
    if (event == tray::kRightButtonUp) ShowTrayMenu();
    if (event == tray::kNotificationClick) Notification_Click();
}

// The icon's menu offers what the window offers, so that a hidden calendar
// can be closed, and all of it can be reached from the keyboard.
void frmCalendar::ShowTrayMenu() {
    const bool startsAtSignIn = start_at_sign_in::IsOn(platform_);
    const auto items = tray::MenuItems(platform_.Language(), tray::IsHidden(platform_), helpOpen_, startsAtSignIn,
                                       shortcutText_, !calendars_.empty());
    switch (platform_.PopupMenu(items)) {
        case tray::kShowOrHide: tray::Toggle(platform_); break;
        case tray::kHelp: ShowHelp(); break;
        case tray::kStartAtSignIn: SetStartAtSignIn(!startsAtSignIn); break;
        case tray::kSettings: ShowSettings(); break;
        case tray::kRefreshCalendars: Form_Resume(); break;
        case tray::kClose: platform_.Me().Unload(); break;
        case kMenuEscaped: tray::ReturnFocus(platform_); break;
    }
}

// A refused write leaves the entry as it was; the user is told why, and the
// calendar goes on.
void frmCalendar::SetStartAtSignIn(bool on) {
    try {
        start_at_sign_in::Set(platform_, on);
    } catch (const RuntimeError& error) {
        const Texts& texts = platform_.Language();
        platform_.MsgBox(texts.Text(on ? TextId::StartAtSignInRefused : TextId::StopAtSignInRefused) + "\r\n\r\n" +
                             error.Description(),
                         kMsgBoxExclamation, kTitle);
    }
}

void frmCalendar::Form_TaskbarCreated() {
    // A new shell earns a new round of tries if it refuses the icon too.
    if (trayFailures_ >= kTrayRetries) trayFailures_ = 0;
    AddTrayIcon();
}

// A calendar left running across midnight or a sleep would otherwise go on
// showing the day it was started on. It follows the date only while the user
// has left it where the program put it: that day selected, that month shown.
// This is a convenience: a calendar it cannot read is left as it is, and the
// program goes on.
void frmCalendar::Form_DayChange() {
    LookAtTheDateLater();
    IgnoringErrors([&] { ShowToday(); });
    IgnoringErrors([&] {
        const CalendarDate today = platform_.Today();
        if (today == dateSet_) return;
        MonthViewObject& calendar = platform_.MonthView1();
        if (calendar.Value() != dateSet_) return;
        if (calendar.ShownMonth() != CalendarDate{dateSet_.year, dateSet_.month, 1}) return;
        calendar.SetValue(today);
        dateSet_ = today;
    });
    IgnoringErrors([&] { ShowTheDaysEvents(); });
    IgnoringErrors([&] { TimeTheReminders(); });
}

void frmCalendar::Form_Timer(FormTimer which) {
    switch (which) {
        case FormTimer::DayChange: Form_DayChange(); break;
        case FormTimer::TrayRetry: AddTrayIcon(); break;
        case FormTimer::NextEvent: ShowToday(); break;
        case FormTimer::Reminder: TimeTheReminders(); break;
        case FormTimer::CalendarRead:
            ReadCalendarsDue();
            TimeTheNextRead();
            break;
    }
}

void frmCalendar::LookAtTheDateLater() {
    uint32_t wait = day_clock::kLongestWaitMs;  // a zone that cannot be asked: look again within the hour
    IgnoringErrors([&] {
        wait = day_clock::MillisecondsToNextLook(platform_.NowUtcMs(),
                                                 [&](int64_t utcMs) { return platform_.LocalDateAt(utcMs); });
    });
    IgnoringErrors([&] { platform_.StartTimer(FormTimer::DayChange, wait); });
}

void frmCalendar::Label1_Click() { platform_.Me().Unload(); }

void frmCalendar::Label1_MouseMove(int16_t& /*Button*/, int16_t& /*Shift*/, float& X, float& Y) {
    platform_.Label2().SetForeColor(kBlack);
    platform_.Label1().SetForeColor(HoverColor(X, Y));
}

void frmCalendar::Label2_Click() {
    ResetLabelColors();
    ShowHelp();
}

void frmCalendar::ShowHelp() {
    {
        struct Open {
            bool& flag;
            explicit Open(bool& flag) : flag(flag) { flag = true; }
            ~Open() { flag = false; }
        } open(helpOpen_);
        platform_.MsgBox(platform_.Language().Text(TextId::HelpPrompt), kMsgBoxOkOnly, kTitle);
    }
    if (std::exchange(settingsWanted_, false)) ShowSettings();
}

void frmCalendar::Label2_MouseMove(int16_t& /*Button*/, int16_t& /*Shift*/, float& X, float& Y) {
    platform_.Label1().SetForeColor(kBlack);
    platform_.Label2().SetForeColor(HoverColor(X, Y));
}

void frmCalendar::MonthView1_MouseDown(int16_t& /*Button*/, int16_t& /*Shift*/, float& X, float& Y) {
    drag_.TargetLeft = platform_.Me().Left();
    drag_.TargetTop = platform_.Me().Top();
    drag_.AnchorX = X;
    drag_.AnchorY = Y;
}

void frmCalendar::MonthView1_MouseMove(int16_t& Button, int16_t& /*Shift*/, float& X, float& Y) {
    if (drag_.Busy != numeric::False) return;
    drag_.Busy = numeric::True;
    ResetLabelColors();

    // X and Y are relative to the calendar, which moves with the window: their
    // distance from the anchor is how far the pointer got ahead of the window.
    // A failed read keeps the previous target, a failed write keeps that
    // coordinate; neither may leave Busy set.
    if (Button == kLeftButtonOnly) {
        FormObject& me = platform_.Me();
        IgnoringErrors([&] { drag_.TargetLeft = Add(Sub(X, drag_.AnchorX), me.Left()); });
        IgnoringErrors([&] { drag_.TargetTop = Add(Sub(Y, drag_.AnchorY), me.Top()); });
        IgnoringErrors([&] { me.SetLeft(drag_.TargetLeft); });
        IgnoringErrors([&] { me.SetTop(drag_.TargetTop); });
    }
    drag_.Busy = numeric::False;
}

// Deactivation only re-asserts the band; the call does not hold activation
// back, so it must not run when another application takes the foreground.
void frmCalendar::SetFormAtTop() {
    IgnoringErrors([&] { platform_.SetWindowPos(platform_.Me().hWnd(), kHwndTopmost, 0, 0, 0, 0, kSwpNoSizeNoMove); });
}

// An icon the shell refuses is tried again a few times, further apart each
// time, until the shell takes it or announces a new taskbar; without it a
// hidden calendar could never be shown again.
void frmCalendar::AddTrayIcon() {
    const std::string tip = IconTip();
    const int32_t image = IconImage();
    if (tray::AddIcon(platform_, tip, image)) {
        iconTip_ = tip, iconImage_ = image;
        if (trayFailures_ > 0) platform_.StopTimer(FormTimer::TrayRetry);
        trayFailures_ = 0;
        return;
    }
    if (trayFailures_ < kTrayRetries) platform_.StartTimer(FormTimer::TrayRetry, kFirstTrayRetryMs << trayFailures_++);
}

void frmCalendar::RemoveTrayIcon() { tray::RemoveIcon(platform_); }

void frmCalendar::ResetLabelColors() {
    platform_.Label1().SetForeColor(kBlack);
    platform_.Label2().SetForeColor(kBlack);
}
