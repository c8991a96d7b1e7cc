// Reminders of the user's events: the next is timed from the events, and
// timed again whenever they or the clock may have changed. One the program
// missed (asleep, not running) comes once at the next look, while its event
// is still on.
#include <algorithm>

#include "app/frmCalendar.h"
#include "calendars/Reminders.h"
#include "settings/Choices.h"
#include "tray/TrayIcon.h"

namespace {

// Looked at again within this time whatever is due: a change of the clock
// that nobody announces is then late by no more.
constexpr int64_t kLongestWaitMs = 15 * 60 * 1000;
constexpr int64_t kRetryMs = 60 * 1000;  // the shell refused the notification
constexpr const char* kShownName = "remindersShown";

CalendarDate DaysAfter(CalendarDate date, int days) {
    const ical::LocalDateTime at = ical::CivilFromDays(ical::DaysFromCivil(date.year, date.month, date.day) + days);
    return {at.year, at.month, at.day};
}

}  // namespace

void frmCalendar::TimeTheReminders() {
    platform_.StopTimer(FormTimer::Reminder);
    if (calendars_.empty() || remindMe_ == RemindMe::Never) return;
    const int64_t now = platform_.NowUtcMs();
    const CalendarDate today = platform_.LocalDateAt(now);
    // From yesterday's events, which may still be on, to those a week ahead.
    const std::vector<calendars::Reminder> all = calendars::RemindersOf(
        CalendarsShown(), platform_.Zones(), DaysAfter(today, -1), DaysAfter(today, 9), remindMe_);
    calendars::DueNow found = calendars::DueAt(all, remindersShown_, now, lastNoticeMs_);
    if (!found.due.empty()) {
        const calendars::Notice notice = calendars::NoticeOf(found.due, today, platform_.Language(), UserFormats());
        if (platform_.ShowNotification(notice.title, notice.text)) {
            lastNoticeMs_ = now;
            for (const calendars::Reminder& shown : found.due) remindersShown_.push_back(shown.key);
            const ical::Occurrence& first = found.due.front().event;
            noticed_ = Noticed{{first.localStart.year, first.localStart.month, first.localStart.day},
                               std::string(first.uid),
                               first.localStart};
            const std::string name = platform_.App().EXEName();
            const std::string kept = calendars::ShownText(remindersShown_, all);
            platform_.Settings().SaveSetting(name, name, kShownName, kept);
            remindersShown_ = calendars::ReadShown(kept);  // as pruned, so that it does not grow
        } else {
            found.nextMs = std::min(found.nextMs, now + kRetryMs);
        }
    }
    if (found.nextMs == INT64_MAX) return;
    const int64_t wait = std::clamp<int64_t>(found.nextMs - now, 0, kLongestWaitMs);
    platform_.StartTimer(FormTimer::Reminder, static_cast<uint32_t>(wait));
}

// The calendar shows the notification's day with its first event picked.
void frmCalendar::Notification_Click() {
    if (!noticed_ || calendars_.empty()) return;
    if (tray::IsHidden(platform_)) tray::Toggle(platform_);
    platform_.MonthView1().SetValue(noticed_->day);
    ShowTheDaysEvents();
    const auto events = calendars::EventsOf(CalendarsShown(), platform_.Zones(), noticed_->day);
    const auto picked = std::find_if(events.begin(), events.end(), [&](const ical::Occurrence& event) {
        return event.uid == noticed_->uid && event.localStart == noticed_->start;
    });
    if (picked == events.end()) return;
    // Beyond the lines that fit, the last line ("+3 more") stands for it.
    const int32_t line = static_cast<int32_t>(picked - events.begin());
    const int32_t rows = std::max(platform_.List1().Rows(), 1);
    platform_.List1().SetSelected(events.size() > static_cast<size_t>(rows) ? std::min(line, rows - 1) : line);
}
