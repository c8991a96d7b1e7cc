#pragma once
#include <memory>
#include <vector>

#include "app/DragState.h"
#include "calendars/DayList.h"
#include "calendars/Shown.h"
#include "clock/Weeks.h"
#include "platform/FormEvents.h"
#include "platform/PlatformServices.h"
#include "settings/Shortcut.h"

// The calendar window: a month calendar under a strip holding a close label
// ("X ") and a help label ("?"), floating above other windows, moved by
// dragging the calendar or with Alt+arrows, hidden and shown from its icon in
// the notification area.
class frmCalendar : public FormEvents {
public:
    explicit frmCalendar(PlatformServices& platform) : platform_(platform) {}

    void Form_Load() override;
    void Form_Unload(int16_t& Cancel) override;
    void Form_Deactivate() override;
    void Form_KeyDown(int16_t& KeyCode, int16_t& Shift) override;
    void Form_MouseMove(int16_t& Button, int16_t& Shift, float& X, float& Y) override;
    void Form_TaskbarCreated() override;
    void Form_DpiChanged(float& Left, float& Top) override;
    void Form_DayChange() override;
    void Form_Timer(FormTimer which) override;
    void Form_HotKey() override;
    void Form_SettingChange() override;

    void Settings_ShortcutChange(int32_t& Modifiers, int32_t& KeyCode, std::string& Status) override;
    void Settings_OK(SettingsChoice& Choice, std::string& Status, int16_t& Cancel) override;
    void Settings_CalendarAdd(std::vector<std::string>& Sources, std::string& Source, std::string& Line,
                              std::string& Status, int16_t& Cancel) override;
    void Form_CalendarFileChanged() override;
    void Form_Resume() override;

    void Label1_Click() override;
    void Label1_MouseMove(int16_t& Button, int16_t& Shift, float& X, float& Y) override;
    void Label2_Click() override;
    void Label2_MouseMove(int16_t& Button, int16_t& Shift, float& X, float& Y) override;

    void MonthView1_MouseDown(int16_t& Button, int16_t& Shift, float& X, float& Y) override;
    void MonthView1_MouseMove(int16_t& Button, int16_t& Shift, float& X, float& Y) override;
    void MonthView1_GetWeekNumber(CalendarDate& RowStart, int32_t& Week) override;
    void MonthView1_GetDayState(CalendarDate& First, int32_t& Months, std::vector<uint32_t>& States) override;
    void MonthView1_SelChange() override;

    void SetFormAtTop();
    void AddTrayIcon();
    void RemoveTrayIcon();

private:
    // Where Alt+arrows stop the window, in twips.
    struct MoveLimits {
        float minLeft, minTop, maxLeft, maxTop;
    };
    MoveLimits LimitsOnItsDisplay(MoveLimits primary, float formWidth, float formHeight);
    void LayOut();
    void FitMonths();
    int32_t MonthsWanted() const;
    std::string MonthsStatus() const;
    void ResetLabelColors();
    void LookAtTheDateLater();
    void ShowTrayMenu();
    void ShowHelp();
    void SetStartAtSignIn(bool on);
    void RegisterShortcut();
    void ShowSettings();
    std::string ShortcutStatus(int32_t modifiers, int32_t keyCode);
    bool ApplyShortcut(const SettingsChoice& choice, std::string& status);
    void CountWeeks();
    std::string IconTip();
    int32_t IconImage();
    void ShowToday();
    // The user's calendars (frmCalendarCalendars.cpp).
    void LoadCalendars();
    void UseCalendars(std::vector<calendars::Source> sources);
    void ReadCalendar(size_t index, bool copyFirst);
    void ReadCalendarsDue();
    void TimeTheNextRead();
    void CalendarRead(const std::shared_ptr<calendars::ReadJob>& job);
    void ShowTheDaysEvents();
    std::vector<std::shared_ptr<const ical::Calendar>> CalendarsShown() const;
    std::vector<std::string> CalendarLines();
    calendars::Formats UserFormats();
    std::string NextEventTip();
    // Reminders of the events (frmCalendarReminders.cpp).
    void TimeTheReminders();
    void Notification_Click();

    PlatformServices& platform_;
    DragState drag_;
    CalendarDate dateSet_{};    // the date the program last gave the calendar
    int trayFailures_ = 0;      // additions of the icon refused in a row
    bool helpOpen_ = false;     // the help box is up: the icon's menu can still be opened
    std::string shortcutText_;  // the shortcut the program holds, as menus show it; empty: none
    // The shortcut stored (or the default), held or not: what Settings opens on.
    std::optional<shortcut::Shortcut> shortcut_;
    WeekNumbering weekNumbers_ = WeekNumbering::Regional;
    std::optional<weeks::Counting> counting_;  // how the rows are numbered; none: not at all
    weeks::Counting weekCount_ = weeks::kIso;  // how the icon counts this week
    IconShows iconShows_ = IconShows::Calendar;
    OpensOn opensOn_ = OpensOn::Left;
    std::string iconTip_;                      // the tip the shell was last given
    int32_t iconImage_ = 0;                    // and the image
    bool settingsWanted_ = false;              // chosen while the help box was up: opened once it is closed
    std::vector<calendars::Shown> calendars_;  // none: the window is as it always was
    MonthsShown monthsShown_ = MonthsShown::One;
    int32_t monthsFit_ = 1;  // of those: as many as the display holds
    RemindMe remindMe_ = RemindMe::Calendar;
    std::vector<uint64_t> remindersShown_;  // as stored: each reminder comes once
    int64_t lastNoticeMs_ = 0;              // when the last notification was shown
    // The first event of the last notification, which a click on it picks.
    struct Noticed {
        CalendarDate day;
        std::string uid;
        ical::LocalDateTime start;
    };
    std::optional<Noticed> noticed_;
};
