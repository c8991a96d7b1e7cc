#pragma once
#include <cstddef>

// Every text the program and its installer show, by name, with the most
// UTF-16 units its place takes (the menu's items, the shell's 128-unit tip
// less its NUL, a message box's prompt). The language files name each text
// by its key; make_texts.py reads this list to check them and to build the
// tables, so a text is added here and in texts/languages/en.txt.
#define CALENDAR_TEXTS(X)                                      \
    X(HideCalendar, "menu.hide", 60)                           \
    X(ShowCalendar, "menu.show", 60)                           \
    X(Help, "help", 60)                                        \
    X(StartAtSignIn, "menu.start_at_sign_in", 60)              \
    X(Close, "close", 60)                                      \
    X(Settings, "menu.settings", 60)                           \
    X(SettingsTitle, "settings.title", 60)                     \
    X(SettingsShortcut, "settings.shortcut", 100)              \
    X(SettingsKey, "settings.key", 30)                         \
    X(SettingsNoKey, "settings.no_key", 30)                    \
    X(ShortcutFree, "settings.free", 120)                      \
    X(ShortcutHeld, "settings.held", 120)                      \
    X(ShortcutIncomplete, "settings.incomplete", 120)          \
    X(ShortcutNone, "settings.none", 120)                      \
    X(ShortcutRefused, "settings.refused", 120)                \
    X(SettingsWeekNumbers, "settings.week_numbers", 60)        \
    X(WeeksNone, "settings.weeks_none", 60)                    \
    X(WeeksRegional, "settings.weeks_regional", 60)            \
    X(WeeksIso, "settings.weeks_iso", 60)                      \
    X(SettingsIconShows, "settings.icon_shows", 60)            \
    X(IconCalendar, "settings.icon_calendar", 60)              \
    X(IconWeek, "settings.icon_week", 60)                      \
    X(IconDay, "settings.icon_day", 60)                        \
    X(SettingsOpensOn, "settings.opens_on", 60)                \
    X(OpensLeft, "settings.opens_left", 60)                    \
    X(OpensWorking, "settings.opens_working", 60)              \
    X(SettingsStartAtSignIn, "settings.start_at_sign_in", 60)  \
    X(SettingsOK, "settings.ok", 20)                           \
    X(SettingsCancel, "settings.cancel", 20)                   \
    X(KeyCtrl, "key.ctrl", 12)                                 \
    X(KeyAlt, "key.alt", 12)                                   \
    X(KeyShift, "key.shift", 12)                               \
    X(KeyWin, "key.win", 12)                                   \
    X(HelpPrompt, "help.prompt", 1000)                         \
    X(Label1ToolTip, "tip.close", 79)                          \
    X(IconTip, "tip.icon", 127)                                \
    X(TipWeek, "tip.week", 20)                                 \
    X(StartAtSignInRefused, "sign_in.on_refused", 200)         \
    X(StopAtSignInRefused, "sign_in.off_refused", 200)         \
    X(RunTimeError, "error.title", 100)                        \
    X(Error5, "error.5", 200)                                  \
    X(Error6, "error.6", 200)                                  \
    X(Error7, "error.7", 200)                                  \
    X(Error11, "error.11", 200)                                \
    X(Error13, "error.13", 200)                                \
    X(Error51, "error.51", 200)                                \
    X(InstallStartAtSignIn, "installer.start_at_sign_in", 100) \
    X(UninstallForgetPlace, "uninstaller.forget_place", 200)   \
    X(InstallStillRunning, "installer.still_running", 300)     \
    X(InstallFinished, "installer.finished", 300)              \
    X(RefreshCalendars, "menu.refresh", 60)                    \
    X(TipNext, "tip.next", 60)                                 \
    X(NoEvents, "events.none", 60)                             \
    X(MoreEvents, "events.more", 60)                           \
    X(EventUntil, "events.until", 40)                          \
    X(SettingsCalendars, "settings.calendars", 60)             \
    X(SettingsAddFile, "settings.add_file", 30)                \
    X(SettingsAddAddress, "settings.add_address", 30)          \
    X(SettingsRemove, "settings.remove", 30)                   \
    X(SettingsRemindMe, "settings.remind_me", 60)              \
    X(SettingsMonthsShown, "settings.months_shown", 60)        \
    X(MonthsOne, "settings.months_one", 60)                    \
    X(MonthsTwo, "settings.months_two", 60)                    \
    X(MonthsThree, "settings.months_three", 60)                \
    X(MonthsTwoDown, "settings.months_two_down", 60)           \
    X(MonthsThreeDown, "settings.months_three_down", 60)       \
    X(MonthsFit, "settings.months_fit", 120)                   \
    X(RemindCalendar, "settings.remind_calendar", 60)          \
    X(RemindBefore, "settings.remind_before", 60)              \
    X(RemindNever, "settings.remind_never", 60)                \
    X(AddressTitle, "address.title", 60)                       \
    X(AddressPrompt, "address.prompt", 120)                    \
    X(AddressNotRead, "address.not_an_address", 200)           \
    X(CalendarAlreadyThere, "calendars.already_there", 200)    \
    X(CalendarsFull, "calendars.full", 200)                    \
    X(FileDialogCalendars, "file_dialog.calendars", 60)        \
    X(FileDialogAll, "file_dialog.all", 60)                    \
    X(CalendarEvents, "calendar.events", 100)                  \
    X(CalendarOneEvent, "calendar.one_event", 100)             \
    X(CalendarNotRead, "calendar.not_read", 100)               \
    X(CalendarUnreachable, "calendar.unreachable", 100)        \
    X(CalendarNotACalendar, "calendar.not_a_calendar", 100)    \
    X(CalendarTooLarge, "calendar.too_large", 100)             \
    X(CalendarBadCertificate, "calendar.bad_certificate", 100) \
    X(CalendarMissing, "calendar.missing", 100)                \
    X(CalendarUnreadable, "calendar.unreadable", 100)          \
    X(CalendarShowingCopy, "calendar.showing_copy", 150)       \
    X(CalendarNothingShown, "calendar.nothing_shown", 100)

enum class TextId : size_t {
#define CALENDAR_TEXT_ID(id, key, limit) id,
    CALENDAR_TEXTS(CALENDAR_TEXT_ID)
#undef CALENDAR_TEXT_ID
};

constexpr size_t kTextCount = 0
#define CALENDAR_TEXT_COUNT(id, key, limit) +1
    CALENDAR_TEXTS(CALENDAR_TEXT_COUNT)
#undef CALENDAR_TEXT_COUNT
    ;
