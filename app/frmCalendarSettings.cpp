// The Settings window's events, and the shortcut it sets: what the window
// opens on, whether a shortcut can be had, and what OK changes.
#include "app/frmCalendar.h"
#include "platform/Numeric.h"
#include "settings/Choices.h"
#include "settings/Shortcut.h"
#include "settings/StartAtSignIn.h"

// Read once, at the start; a text that names no shortcut is the default's,
// and a shortcut another program holds is simply not the calendar's.
void frmCalendar::RegisterShortcut() {
    const std::string name = platform_.App().EXEName();
    shortcut_ = shortcut::FromStored(platform_.Settings().GetSetting(name, name, "shortcut", ""));
    if (shortcut_ && platform_.RegisterHotKey(shortcut_->modifiers, shortcut_->keyCode))
        shortcutText_ = shortcut::Text(*shortcut_, platform_.Language());
}

// One Settings window, on what is in force now. While the help box is up it
// waits for the box: two boxes of the calendar's at once would each wait on
// the other's owner.
void frmCalendar::ShowSettings() {
    if (helpOpen_) {
        settingsWanted_ = true;
        return;
    }
    SettingsChoice choice{
        0, 0, weekNumbers_, start_at_sign_in::IsOn(platform_), iconShows_, opensOn_, remindMe_, monthsShown_, {}, {}};
    if (shortcut_) choice.modifiers = shortcut_->modifiers, choice.keyCode = shortcut_->keyCode;
    for (const calendars::Shown& shown : calendars_) choice.calendars.push_back(shown.source.typed);
    choice.calendarLines = CalendarLines();
    std::vector<NamedKey> keys{{0, platform_.Language().Text(TextId::SettingsNoKey)}};
    for (int32_t code : shortcut::Keys(choice.keyCode)) keys.push_back({code, shortcut::KeyName(code)});
    std::string status = ShortcutStatus(choice.modifiers, choice.keyCode);
    if (const std::string months = MonthsStatus(); !months.empty()) status += "\n" + months;
    platform_.ShowSettings(choice, status, keys);
}

// Asked of the window system each time, so that a shortcut another program
// took or let go of since is seen as it is now.
std::string frmCalendar::ShortcutStatus(int32_t modifiers, int32_t keyCode) {
    std::optional<shortcut::Shortcut> ours;
    if (!shortcutText_.empty()) ours = shortcut_;
    const auto isFree = [&](int32_t m, int32_t k) { return platform_.HotKeyFree(m, k); };
    switch (shortcut::Check(modifiers, keyCode, ours, isFree)) {
        case shortcut::Availability::Free: return platform_.Language().Text(TextId::ShortcutFree);
        case shortcut::Availability::Held: return platform_.Language().Text(TextId::ShortcutHeld);
        case shortcut::Availability::NotAShortcut: return platform_.Language().Text(TextId::ShortcutIncomplete);
        case shortcut::Availability::None: break;
    }
    return platform_.Language().Text(TextId::ShortcutNone);
}

void frmCalendar::Settings_ShortcutChange(int32_t& Modifiers, int32_t& KeyCode, std::string& Status) {
    Status = ShortcutStatus(Modifiers, KeyCode);
}

// Everything at once, and only what changed is written. A shortcut that
// cannot be had keeps the window open and changes nothing, so the old one
// goes on working.
void frmCalendar::Settings_OK(SettingsChoice& Choice, std::string& Status, int16_t& Cancel) {
    if (!ApplyShortcut(Choice, Status)) {
        Cancel = numeric::True;
        return;
    }
    const std::string name = platform_.App().EXEName();
    const auto save = [&](const auto& stored, auto choice) {
        platform_.Settings().SaveSetting(name, name, stored.name, stored.Text(choice));
    };
    if (Choice.weekNumbers != weekNumbers_) {
        const bool shown = Choice.weekNumbers != WeekNumbering::None;
        if (shown != (weekNumbers_ != WeekNumbering::None)) platform_.MonthView1().SetWeekNumbers(shown);
        weekNumbers_ = Choice.weekNumbers;
        CountWeeks();
        save(choices::kWeekNumbers, weekNumbers_);
    }
    if (Choice.iconShows != iconShows_) {
        iconShows_ = Choice.iconShows;
        save(choices::kIconShows, iconShows_);
    }
    if (Choice.opensOn != opensOn_) {
        opensOn_ = Choice.opensOn;
        save(choices::kOpensOn, opensOn_);
    }
    // Fewer months than chosen: the window stays open once to say so.
    if (Choice.monthsShown != monthsShown_) {
        monthsShown_ = Choice.monthsShown;
        save(choices::kMonthsShown, monthsShown_);
        FormObject& me = platform_.Me();
        float left = me.Left(), top = me.Top();
        Form_DpiChanged(left, top);  // laid out and kept on its display as at a new scale
        if (!MonthsStatus().empty()) Status = MonthsStatus(), Cancel = numeric::True;
    }
    const bool remindAnew = Choice.remindMe != remindMe_;
    if (remindAnew) {
        remindMe_ = Choice.remindMe;
        save(choices::kRemindMe, remindMe_);
    }
    std::vector<calendars::Source> sources;
    for (const std::string& typed : Choice.calendars)
        if (std::optional<calendars::Source> source = calendars::Classify(typed)) sources.push_back(*source);
    std::vector<std::string> before;
    for (const calendars::Shown& shown : calendars_) before.push_back(shown.source.typed);
    if (Choice.calendars != before) {
        calendars::WriteStored(platform_.Settings(), name, sources);
        UseCalendars(std::move(sources));
    }
    if (remindAnew) TimeTheReminders();
    ShowToday();
    if (Choice.startAtSignIn != start_at_sign_in::IsOn(platform_)) SetStartAtSignIn(Choice.startAtSignIn);
}

// A new shortcut is held before anything is written. The stored one that
// another program held is taken if it is free now, and nothing is written.
bool frmCalendar::ApplyShortcut(const SettingsChoice& choice, std::string& status) {
    const bool none = choice.modifiers == 0 && choice.keyCode == 0;
    if (!none && (choice.modifiers == 0 || choice.keyCode == 0)) {
        status = platform_.Language().Text(TextId::ShortcutIncomplete);
        return false;
    }
    std::optional<shortcut::Shortcut> chosen;
    if (!none) chosen = shortcut::Shortcut{choice.modifiers, choice.keyCode};
    const bool same = chosen == shortcut_, held = !shortcutText_.empty();
    if (same && (held || none)) return true;
    if (none) {
        if (held) platform_.UnregisterHotKey();
        shortcutText_.clear();
    } else if (platform_.RegisterHotKey(chosen->modifiers, chosen->keyCode)) {
        shortcutText_ = shortcut::Text(*chosen, platform_.Language());
    } else if (!same) {
        status = platform_.Language().Text(TextId::ShortcutRefused);
        return false;
    }
    if (same) return true;
    shortcut_ = chosen;
    const std::string name = platform_.App().EXEName();
    platform_.Settings().SaveSetting(name, name, "shortcut", shortcut::StoredText(shortcut_));
    return true;
}
