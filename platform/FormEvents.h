#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct CalendarDate {
    int year;
    int month;
    int day;
    bool operator==(const CalendarDate&) const = default;
};

// The window's timers. Each fires once, when it was asked to.
enum class FormTimer : int32_t {
    DayChange = 1,     // time to look at the date again
    TrayRetry = 2,     // time to try the notification-area icon again
    CalendarRead = 3,  // time to read the calendars' addresses again
    NextEvent = 4,     // today's next event begins: the icon's tip names the one after it
    Reminder = 5,      // a reminder may be due
};
constexpr FormTimer kLastFormTimer = FormTimer::Reminder;  // the timers run from DayChange to it

// Which week numbers the calendar shows, as the Settings window offers them.
enum class WeekNumbering : int32_t {
    None = 0,
    Regional = 1,  // as the user's regional format counts them
    Iso = 2,       // ISO 8601, weeks from Monday
};

// What the notification icon shows.
enum class IconShows : int32_t {
    Calendar = 0,  // the designed icon
    Week = 1,      // this week's number
    Day = 2,       // today's day of the month
};

// Where the shortcut brings a hidden calendar up.
enum class OpensOn : int32_t {
    Left = 0,     // where it was left
    Working = 1,  // on the display the user works on
};

// How many months the calendar shows, and how: side by side, or one above
// the other ("down").
enum class MonthsShown : int32_t { One = 0, Two = 1, Three = 2, TwoDown = 3, ThreeDown = 4 };

// When the user is reminded of an event.
enum class RemindMe : int32_t {
    Calendar = 0,  // as each calendar's alarms say
    Never = 1,
    // So many minutes before every event; all-day ones at 9:00 the day before.
    Before5 = 5,
    Before10 = 10,
    Before15 = 15,
    Before30 = 30,
    Before60 = 60,
};

// What the Settings window shows, and what the user chose in it.
struct SettingsChoice {
    int32_t modifiers = 0;  // the window system's bits (1 Alt, 2 Ctrl, 4 Shift, 8 Win)
    int32_t keyCode = 0;    // a virtual-key code; 0 and no modifiers: no shortcut
    WeekNumbering weekNumbers = WeekNumbering::Regional;
    bool startAtSignIn = false;
    IconShows iconShows = IconShows::Calendar;
    OpensOn opensOn = OpensOn::Left;
    RemindMe remindMe = RemindMe::Calendar;
    MonthsShown monthsShown = MonthsShown::One;
    // The calendars as stored (a path or an address each), and, as the
    // window opens, a line for each that names it and says how it was read.
    std::vector<std::string> calendars;
    std::vector<std::string> calendarLines;
    bool operator==(const SettingsChoice&) const = default;
};

// The events the platform raises to the calendar window, named as the window's
// handlers. Arguments are passed by reference as the platform's event
// procedures receive them; mouse coordinates are twips relative to the object.
// Button bits: 1 left, 2 right, 4 middle. Shift bits: 1 Shift, 2 Ctrl, 4 Alt.
class FormEvents {
public:
    virtual ~FormEvents() = default;

    virtual void Form_Load() = 0;
    virtual void Form_Unload(int16_t& Cancel) = 0;
    virtual void Form_Deactivate() = 0;
    virtual void Form_KeyDown(int16_t& KeyCode, int16_t& Shift) = 0;
    virtual void Form_MouseMove(int16_t& Button, int16_t& Shift, float& X, float& Y) = 0;
    // The shell announced a new taskbar (it restarted, or it came up after us):
    // every notification-area icon it had is gone.
    virtual void Form_TaskbarCreated() = 0;
    // The window's display scale changed: it was moved onto a display of
    // another scale, or the user changed the scale. The platform has put the
    // controls back as designed, at the new scale; Left and Top are where
    // Windows suggests the window goes, in twips at the new scale.
    virtual void Form_DpiChanged(float& Left, float& Top) = 0;
    // The date may have changed under the running program: local midnight
    // passed, the machine woke from sleep, or the clock or time zone changed.
    virtual void Form_DayChange() = 0;
    virtual void Form_Timer(FormTimer which) = 0;
    // The user pressed the calendar's shortcut, wherever the keyboard was.
    virtual void Form_HotKey() = 0;
    // The user changed the regional format (the first day of the week, the
    // first week of the year, the dates), the colour scheme or the app mode.
    virtual void Form_SettingChange() = 0;

    // The Settings window: the user changed the shortcut (Status: the line
    // under it says whether it can be used), or pressed OK (Cancel set: the
    // window stays open, and Status says why).
    virtual void Settings_ShortcutChange(int32_t& Modifiers, int32_t& KeyCode, std::string& Status) = 0;
    virtual void Settings_OK(SettingsChoice& Choice, std::string& Status, int16_t& Cancel) = 0;
    // The user picked a file or typed an address to add to Sources, the
    // calendars the window lists now: Line is its line in the list, or,
    // with Cancel set, Status says why it is not added.
    virtual void Settings_CalendarAdd(std::vector<std::string>& Sources, std::string& Source, std::string& Line,
                                      std::string& Status, int16_t& Cancel) = 0;
    // One of the files a calendar is read from changed on disk.
    virtual void Form_CalendarFileChanged() = 0;
    // The machine woke from sleep.
    virtual void Form_Resume() = 0;

    virtual void Label1_Click() = 0;
    virtual void Label1_MouseMove(int16_t& Button, int16_t& Shift, float& X, float& Y) = 0;
    virtual void Label2_Click() = 0;
    virtual void Label2_MouseMove(int16_t& Button, int16_t& Shift, float& X, float& Y) = 0;

    virtual void MonthView1_MouseDown(int16_t& Button, int16_t& Shift, float& X, float& Y) = 0;
    virtual void MonthView1_MouseMove(int16_t& Button, int16_t& Shift, float& X, float& Y) = 0;
    // The calendar paints a row of days, from RowStart, beside its week
    // number: Week is that number; 0 leaves the place empty.
    virtual void MonthView1_GetWeekNumber(CalendarDate& RowStart, int32_t& Week) = 0;
    // The calendar shows the months from First's, Months of them, the partly
    // shown ones beside them included: States has a bit for each day to draw
    // bold, bit 0 the 1st, one entry a month.
    virtual void MonthView1_GetDayState(CalendarDate& First, int32_t& Months, std::vector<uint32_t>& States) = 0;
    // The user picked another day.
    virtual void MonthView1_SelChange() = 0;
};
