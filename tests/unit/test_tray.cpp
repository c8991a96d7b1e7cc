#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "platform/Numeric.h"
#include "platform/RuntimeError.h"
#include "platform/Units.h"
#include "settings/Shortcut.h"
#include "tests/unit/LoadedCalendar.h"
#include "tray/TrayIcon.h"

namespace {

struct DecodeCase {
    float x;
    float twipsPerPixelX;
    bool toggles;
};

void PrintTo(const DecodeCase& c, std::ostream* os) { *os << "X " << c.x << " at " << c.twipsPerPixelX; }

class TrayCallback : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(TrayCallback, TogglesOnlyForALeftPressAfterRoundingHalvesToEven) {
    LoadedCalendar calendar;
    calendar.platform.screen.twipsPerPixelX = GetParam().twipsPerPixelX;
    int16_t button = 0, shift = 0;
    float x = GetParam().x, y = 0;
    calendar.form.Form_MouseMove(button, shift, x, y);
    EXPECT_EQ(calendar.platform.form.windowState, GetParam().toggles ? 1 : 0);
    // Labels go black on every event, before the decoding.
    ASSERT_GE(calendar.platform.calls.size(), 3u);
    EXPECT_EQ((Strings(calendar.platform.calls.begin(), calendar.platform.calls.begin() + 3)),
              (Strings{"Label1.ForeColor=0", "Label2.ForeColor=0", "Screen.TwipsPerPixelX"}));
}

INSTANTIATE_TEST_SUITE_P(Tray, TrayCallback,
                         ::testing::Values(DecodeCase{7695, 15, true},      // 513: left press
                                           DecodeCase{7680, 15, false},     // 512: movement
                                           DecodeCase{7710, 15, false},     // 514: left release
                                           DecodeCase{7694.5f, 15, false},  // 7694 / 15 = 512
                                           DecodeCase{7695.5f, 15, true},   // 7696 / 15 = 513
                                           DecodeCase{6156, 12, true},      // 120 DPI
                                           DecodeCase{1026, 2.5f, true},    // 2.5 rounds to 2, not 3
                                           DecodeCase{2052, 3.5f, true},    // 3.5 rounds to 4
                                           DecodeCase{513, 1, true}));

// X as the Win32 layer delivers it for the shell's callback, at the scales
// users have: only the left press (513) toggles, never a movement (512), a
// release (514), a double-click (515) or another button (516, 517, 519).
TEST(Tray, CallbackAsThePlatformDeliversItDecodesAtEveryDisplayScale) {
    for (int dotsPerInch : {96, 110, 120, 144, 168, 192, 216, 240, 288}) {
        for (int32_t message : {512, 513, 514, 515, 516, 517, 519}) {
            LoadedCalendar calendar;
            calendar.platform.screen.twipsPerPixelX = units::TwipsPerPixel(dotsPerInch);
            int16_t button = 0, shift = 0;
            float x = units::WindowMouseTwips(message, calendar.platform.screen.twipsPerPixelX), y = 0;
            calendar.form.Form_MouseMove(button, shift, x, y);
            EXPECT_EQ(calendar.platform.form.windowState, message == 513 ? 1 : 0)
                << "message " << message << " at " << dotsPerInch << " DPI";
            EXPECT_EQ(calendar.platform.menuShown.empty(), message != 517) << "menu, at " << dotsPerInch << " DPI";
        }
    }
}

TEST(Tray, RoundingToLongGoesHalfToEvenAndOverflowsOutOfRange) {
    const std::vector<std::pair<float, int32_t>> cases{
        {0.5f, 0},   {1.5f, 2},   {2.5f, 2},       {-0.5f, 0},
        {-1.5f, -2}, {-2.5f, -2}, {7694.5f, 7694}, {-2147483648.0f, INT32_MIN}};
    for (const auto& [value, expected] : cases) EXPECT_EQ(numeric::ToLong(value), expected) << value;
    for (float bad : {2147483648.0f, -2147483904.0f, NAN, INFINITY})
        EXPECT_THROW(numeric::ToLong(bad), RuntimeError) << bad;
}

TEST(Tray, ZeroTwipsPerPixelIsADivisionByZeroError) {
    LoadedCalendar calendar;
    calendar.platform.screen.twipsPerPixelX = 0.5f;  // rounds to 0
    int16_t button = 0, shift = 0;
    float x = 7695, y = 0;
    try {
        calendar.form.Form_MouseMove(button, shift, x, y);
        FAIL() << "no error raised";
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.Number(), 11);
    }
}

struct Toggle : ::testing::Test {
    LoadedCalendar calendar;
    PlatformDouble& p = calendar.platform;
    void PressIcon() {
        int16_t button = 0, shift = 0;
        float x = 513 * 15, y = 0;
        p.Forget();
        calendar.form.Form_MouseMove(button, shift, x, y);
    }
    Strings ToggleCalls() {
        return calendar.CallsStartingWith(
            {"Me.WindowState=", "Me.Visible=", "GetWindowThreadProcessId", "AppActivate"});
    }
};

// By the icon, and by the shortcut the calendar holds from its start to its end.
TEST_F(Toggle, FirstPressHidesSecondShowsAndActivates) {
    EXPECT_EQ(p.hotKey, (std::pair<int32_t, int32_t>{shortcut::kWin | shortcut::kAlt, 'C'}));
    for (bool byShortcut : {false, true}) {
        auto press = [&] { byShortcut ? (p.Forget(), calendar.form.Form_HotKey()) : PressIcon(); };
        press();
        EXPECT_EQ(ToggleCalls(), (Strings{"Me.WindowState=1", "Me.Visible=0"})) << byShortcut;
        press();
        EXPECT_EQ(ToggleCalls(),
                  (Strings{"Me.WindowState=0", "Me.Visible=-1",
                           "GetWindowThreadProcessId " + std::to_string(p.form.hWnd), "AppActivate 4242"}))
            << byShortcut;
    }
    int16_t cancel = 0;
    calendar.form.Form_Unload(cancel);
    EXPECT_FALSE(p.hotKey);
}

// Chosen so, the shortcut brings a hidden calendar up on the display worked
// on (here 2880 by 1800 pixels at 7.5 twips each, right of a 1920 by 1080 one
// at 15), as far across and down its room as it was on its own display, and
// wholly on it; shown, or by the icon, it stays where it is.
TEST(OpensOn, TheShortcutBringsAHiddenCalendarUpOnTheDisplayWorkedOn) {
    LoadedCalendar chosen(false);
    PlatformDouble& d = chosen.platform;
    d.Store("opensOn", "working");
    chosen.form.Form_Load();
    d.Forget();
    d.screen.workAreas = {{0, 0, 28800, 15600}, {28800, 0, 21600, 13200}};
    const float width = d.form.width, height = d.form.height;
    d.form.left = 28800 - width, d.form.top = (15600 - height) / 2;  // at the right edge, halfway down
    chosen.form.Form_HotKey();                                       // hides
    chosen.form.Form_HotKey();
    EXPECT_EQ((std::pair{d.form.left, d.form.top}), (std::pair{28800 + 21600 - width, (13200 - height) / 2}));
    EXPECT_LT(chosen.IndexOf("Me.Move"), chosen.IndexOf("Me.WindowState=0"));
    d.screen.workAreas = {{28800, 0, 21600, 13200}, {0, 0, 2000, 2000}};  // a display smaller than the window
    chosen.form.Form_HotKey();
    chosen.form.Form_HotKey();
    EXPECT_EQ((std::pair{d.form.left, d.form.top}), (std::pair{0.0f, 0.0f}));
    d.Forget();
    chosen.form.Form_HotKey();  // shown: hidden where it is
    EXPECT_TRUE(chosen.CallsStartingWith({"Me.Move", "Screen.WorkAreas"}).empty());
}

TEST_F(Toggle, DecidesByWindowStateAlone) {
    p.form.windowState = 1;
    p.form.visible = -1;  // minimised but visible still counts as hidden
    PressIcon();
    EXPECT_EQ(p.form.windowState, 0);
    EXPECT_EQ(p.activated, (std::vector<int32_t>{4242}));
    p.form.windowState = 2;  // anything but 1 counts as shown
    PressIcon();
    EXPECT_EQ(ToggleCalls(), (Strings{"Me.WindowState=1", "Me.Visible=0"}));
    PressIcon();
    EXPECT_EQ(p.form.windowState, 0);
}

TEST_F(Toggle, ClosingWhileHiddenDeletesTheIconAndSavesNothing) {
    PressIcon();
    int16_t cancel = 0;
    calendar.form.Form_Unload(cancel);
    EXPECT_TRUE(p.trayIcons.empty());
    EXPECT_TRUE(calendar.CallsStartingWith({"SaveSetting"}).empty());
}

TEST_F(Toggle, NewTaskbarGetsTheSameIconAsStartUp) {
    const auto atStartUp = p.shellCalls.at(0);
    p.trayIcons.clear();  // the shell restarted and forgot every icon
    calendar.form.Form_TaskbarCreated();
    ASSERT_EQ(p.shellCalls.size(), 2u);
    EXPECT_EQ(p.shellCalls[1].message, atStartUp.message);
    EXPECT_EQ(p.shellCalls[1].data, atStartUp.data);
    EXPECT_EQ(p.trayIcons.size(), 1u);
    PressIcon();
    EXPECT_EQ(p.form.windowState, 1);
}

// The icon's menu, opened by the right button's release (and so by the
// keyboard), and what each way of closing it does.
struct MenuCase {
    const char* name;
    bool hidden;
    int32_t choice;                 // an item's id, 0 for a click elsewhere, kMenuEscaped
    Strings calls;                  // the window's, the shell's, the store's, the log-on list's and the message box's
    const char* refused = nullptr;  // a write Windows refuses
};

void PrintTo(const MenuCase& c, std::ostream* os) { *os << c.name; }

void ReleaseRightButtonOnIcon(LoadedCalendar& calendar) {
    int16_t button = 0, shift = 0;
    float x = 517 * 15, y = 0;
    calendar.form.Form_MouseMove(button, shift, x, y);
}

class TrayMenu : public ::testing::TestWithParam<MenuCase> {};

TEST_P(TrayMenu, EachItemDoesWhatTheWindowDoesAndNothingElse) {
    const MenuCase& c = GetParam();
    LoadedCalendar calendar;
    PlatformDouble& p = calendar.platform;
    if (c.hidden) p.form.windowState = 1;
    if (c.refused) p.failing[c.refused] = 70;
    p.menuChoice = c.choice;
    ReleaseRightButtonOnIcon(calendar);
    ASSERT_EQ(p.menuShown.size(), 7u);
    EXPECT_EQ(
        p.menuShown[0],
        (MenuItem{tray::kShowOrHide, std::string(c.hidden ? "Show calendar" : "Hide calendar") + "\tWin+Alt+C", true}));
    EXPECT_EQ(calendar.CallsStartingWith({"Me.WindowState=", "Me.Visible=", "AppActivate", "Shell_NotifyIconW",
                                          "MsgBox", "SaveSetting", "Startup.SetCommand", "Startup.Remove",
                                          "Startup.Clear", "ShowSettings", "CloseSettings"}),
              c.calls);
    if (c.refused)
        EXPECT_TRUE(p.messages.at(0).buttons == 48 &&
                    p.messages[0].prompt.find("injected failure") != std::string::npos)
            << "an exclamation with Windows' reason: " << p.messages[0].prompt;
}

INSTANTIATE_TEST_SUITE_P(
    Tray, TrayMenu,
    ::testing::Values(
        MenuCase{"HideWhenShown", false, tray::kShowOrHide, {"Me.WindowState=1", "Me.Visible=0"}},
        MenuCase{"ShowWhenHidden", true, tray::kShowOrHide, {"Me.WindowState=0", "Me.Visible=-1", "AppActivate 4242"}},
        MenuCase{"Help", true, tray::kHelp, {"MsgBox"}}, MenuCase{"Settings", true, tray::kSettings, {"ShowSettings"}},
        MenuCase{"StartAtSignIn",
                 false,
                 tray::kStartAtSignIn,
                 {"Startup.SetCommand vrlCalendar=\"C:\\Users\\ann\\Programs\\vrlCalendar.exe\"",
                  "Startup.ClearTurnedOff vrlCalendar"}},
        MenuCase{"ARefusedWriteIsReportedAndTheCalendarGoesOn",
                 false,
                 tray::kStartAtSignIn,
                 {"Startup.SetCommand vrlCalendar=\"C:\\Users\\ann\\Programs\\vrlCalendar.exe\"", "MsgBox"},
                 "Startup.SetCommand"},
        MenuCase{"CloseWhenShown",
                 false,
                 tray::kClose,
                 {"CloseSettings", "Shell_NotifyIconW 2", "SaveSetting vrlCalendar/vrlCalendar/left=16110",
                  "SaveSetting vrlCalendar/vrlCalendar/top=250"}},
        MenuCase{"CloseWhenHiddenSavesNothing", true, tray::kClose, {"CloseSettings", "Shell_NotifyIconW 2"}},
        MenuCase{"EscGivesTheKeyboardBackToTheNotificationArea", true, kMenuEscaped, {"Shell_NotifyIconW 3"}},
        MenuCase{"AClickElsewhereDoesNothing", false, 0, {}}),
    [](const auto& info) { return std::string(info.param.name); });

// Stored text, the shortcut it names (none for "none"), and the menu's first
// item then: the default stands for any text that names no shortcut, and a
// shortcut another program holds is not shown.
TEST(Shortcut, TheStoredTextNamesTheShortcutTheMenuShows) {
    using shortcut::Shortcut;
    const std::optional<Shortcut> def = shortcut::kDefault;
    struct Row {
        std::string stored;
        std::optional<Shortcut> named;
        const char* menu;
        bool taken = false;
        const char* language = "en";
    };
    for (const Row& row : {
             Row{"", def, "Hide calendar\tWin+Alt+C"},
             Row{"Ctrl+Alt+K", Shortcut{shortcut::kCtrl | shortcut::kAlt, 'K'}, "Hide calendar\tCtrl+Alt+K"},
             Row{" win + shift + f9 ", Shortcut{shortcut::kWin | shortcut::kShift, 0x78},
                 "Hide calendar\tWin+Shift+F9"},
             Row{"Shift+Ctrl+PageDown", Shortcut{shortcut::kCtrl | shortcut::kShift, 0x22},
                 "Kalender ausblenden\tStrg+Umschalt+PageDown", false, "de"},
             Row{"none", std::nullopt, "Hide calendar"},
             Row{"Win+Alt+C", def, "Hide calendar", true},
             Row{"Ctrl+Alt", def, "Hide calendar\tWin+Alt+C"},
             Row{"K", def, "Hide calendar\tWin+Alt+C"},
             Row{"Ctrl+Hyper+K", def, "Hide calendar\tWin+Alt+C"},
             Row{"Ctrl+Ctrl+K", def, "Hide calendar\tWin+Alt+C"},
             Row{"Ctrl+F25", def, "Hide calendar\tWin+Alt+C"},
             Row{"Ctrl++", def, "Hide calendar\tWin+Alt+C"},
             Row{"Ctrl+Alt+" + std::string(60, 'K'), def, "Hide calendar\tWin+Alt+C"},
             Row{"Ctrl+F12", Shortcut{shortcut::kCtrl, 0x7B}, "Hide calendar\tCtrl+F12"},
         }) {
        EXPECT_EQ(shortcut::FromStored(row.stored), row.named) << row.stored;
        EXPECT_EQ(shortcut::FromStored(shortcut::StoredText(row.named)), row.named) << "written back: " << row.stored;
        LoadedCalendar calendar(false);
        PlatformDouble& p = calendar.platform;
        p.language = Texts::ForLanguages({row.language});
        p.hotKeyTaken = row.taken;
        p.Store("shortcut", row.stored);
        calendar.form.Form_Load();
        EXPECT_EQ(!calendar.CallsStartingWith({"RegisterHotKey"}).empty(), row.named.has_value()) << row.stored;
        p.menuChoice = tray::kSettings;
        ReleaseRightButtonOnIcon(calendar);
        EXPECT_EQ(p.menuShown.at(0).text, row.menu) << row.stored;
        EXPECT_EQ(std::ranges::count(p.settingsKeys, "F12"), row.named && row.named->keyCode == 0x7B ? 1 : 0)
            << row.stored;
    }
}

// OK in the Settings window, opened on Win+Alt+C with week numbers: what is
// held, written and said afterwards. A shortcut that cannot be had keeps the
// window open and changes nothing.
TEST(Settings, OkAppliesWhatChangedAndARefusedShortcutKeepsTheOldOne) {
    using shortcut::kAlt, shortcut::kCtrl, shortcut::kShift, shortcut::kWin;
    const std::pair<int32_t, int32_t> winAltC{kWin | kAlt, 'C'};
    struct Row {
        const char* what;
        SettingsChoice chosen;
        std::optional<std::pair<int32_t, int32_t>> held;  // afterwards
        Strings written;
        const char* status = "";  // "": the window closes
        std::set<std::pair<int32_t, int32_t>> elsewhere = {};
    };
    for (const Row& row : {
             Row{"nothing changed", {kWin | kAlt, 'C'}, winAltC, {}},
             Row{"a free one", {kCtrl | kAlt, 'K'}, std::pair{kCtrl | kAlt, 'K'}, {"shortcut=Ctrl+Alt+K"}},
             Row{"none", {0, 0}, std::nullopt, {"shortcut=none"}},
             Row{"held elsewhere",
                 {kCtrl | kShift, 'J', WeekNumbering::None},
                 winAltC,
                 {},
                 "Another program uses this shortcut, so it cannot be set; the old one stays.",
                 {{kCtrl | kShift, 'J'}}},
             Row{"a key alone",
                 {0, 'J', WeekNumbering::None},
                 winAltC,
                 {},
                 "Not a shortcut: choose a key and at least one of the keys above."},
             Row{"week numbers off", {kWin | kAlt, 'C', WeekNumbering::None}, winAltC, {"weekNumbers=0"}},
             Row{"ISO weeks", {kWin | kAlt, 'C', WeekNumbering::Iso}, winAltC, {"weekNumbers=iso"}},
             Row{"the week in the icon, opened where one works",
                 {kWin | kAlt, 'C', WeekNumbering::Regional, false, IconShows::Week, OpensOn::Working},
                 winAltC,
                 {"iconShows=week", "opensOn=working"}},
         }) {
        LoadedCalendar calendar;
        PlatformDouble& p = calendar.platform;
        p.regionalWeeks = {6, 0};  // a US format: its rows start on Sunday, ISO's on Monday
        p.heldElsewhere = row.elsewhere;
        SettingsChoice choice = row.chosen;
        std::string status;
        int16_t cancel = 0;
        calendar.form.Settings_OK(choice, status, cancel);
        EXPECT_EQ(p.hotKey, row.held) << row.what;
        Strings written;
        for (const std::string& call : calendar.CallsStartingWith({"SaveSetting"})) written.push_back(call.substr(36));
        EXPECT_EQ(written, row.written) << row.what;
        EXPECT_EQ(status, row.status) << row.what;
        EXPECT_EQ(cancel != 0, *row.status != '\0') << row.what;
        // Refused, the week numbers turned off in the same window stay on.
        EXPECT_EQ(p.calendar.weekNumbers, written != Strings{"weekNumbers=0"}) << row.what;
        if (!written.empty() && written[0].rfind("weekNumbers", 0) == 0)
            EXPECT_EQ(p.calendar.firstDayOfWeek, written[0] == "weekNumbers=iso" ? 0 : 6) << row.what;
        // The icon shows this week's number at once (week 50, as a US format counts 7 December 2026).
        const int32_t icon = shell_layout::GetInt32(p.shellCalls.back().data, shell_layout::kHIcon);
        EXPECT_EQ(icon, p.form.icon + (row.chosen.iconShows == IconShows::Week ? 50 : 0)) << row.what;
    }
}

// The window opens on what is in force, saying whether the shortcut can be
// had; chosen while the help box is up, once the box is closed.
TEST(Settings, OpensOnWhatIsInForceAndWaitsForTheHelpBox) {
    LoadedCalendar calendar(false);
    PlatformDouble& p = calendar.platform;
    p.Store("weekNumbers", "0");
    p.heldElsewhere = {{shortcut::kWin | shortcut::kAlt, 'C'}};
    calendar.form.Form_Load();
    p.hooks["MsgBox"] = [&] { ReleaseRightButtonOnIcon(calendar); };
    p.menuChoice = tray::kSettings;
    calendar.form.Label2_Click();
    EXPECT_LT(calendar.IndexOf("MsgBox"), calendar.IndexOf("ShowSettings"));
    EXPECT_EQ(p.settingsShown, (SettingsChoice{shortcut::kWin | shortcut::kAlt, 'C', WeekNumbering::None, false}));
    EXPECT_EQ(p.settingsStatus, "Another program uses this shortcut.");
}

// Checked only for an entry that starts this very file and is not turned off.
TEST(Tray, StartAtSignInIsCheckedForThisProgramFileOnly) {
    const std::string here = "C:\\Users\\ann\\Programs\\vrlCalendar.exe";
    const std::vector<std::tuple<std::optional<std::string>, bool, bool>> cases{
        {std::nullopt, false, false},
        {'"' + here + '"', false, true},
        {here, false, true},
        {"\"c:\\users\\ANN\\programs\\VRLCALENDAR.EXE\" /x", false, true},
        {"\"D:\\vrlCalendar.exe\"", false, false},
        {'"' + here + '"', true, false}};
    for (const auto& [command, turnedOff, checked] : cases) {
        LoadedCalendar calendar;
        PlatformDouble& p = calendar.platform;
        if (command) p.runList["vrlCalendar"] = *command;
        if (turnedOff) p.turnedOff.insert("vrlCalendar");
        p.menuChoice = tray::kStartAtSignIn;
        ReleaseRightButtonOnIcon(calendar);
        EXPECT_EQ(p.menuShown.at(3).checked, checked) << command.value_or("no entry") << " turned off " << turnedOff;
        EXPECT_EQ(p.runList.count("vrlCalendar"), checked ? 0u : 1u) << "choosing it turns it the other way";
    }
}

// The menu can be opened while the help box is up; it offers no second one.
TEST(Tray, HelpIsOfferedOnceAtATime) {
    LoadedCalendar calendar;
    PlatformDouble& p = calendar.platform;
    std::vector<bool> offered;
    p.hooks["MsgBox"] = [&] {
        p.menuChoice = 0;
        ReleaseRightButtonOnIcon(calendar);
        offered.push_back(p.menuShown.at(1).enabled);
    };
    calendar.form.Label2_Click();
    p.hooks.clear();
    ReleaseRightButtonOnIcon(calendar);
    offered.push_back(p.menuShown.at(1).enabled);
    EXPECT_EQ(offered, (std::vector<bool>{false, true}));
}

// The shell refuses the first `refusals` additions (still starting at log-on),
// or already holds the icon; each retry timer is then let fire in turn.
struct RefusedCase {
    const char* name;
    int refusals;
    bool iconAlreadyThere;
    Strings shellCalls;  // the operations sent to the shell, in order
    std::vector<uint32_t> retryWaits;
    bool iconShown;
};

void PrintTo(const RefusedCase& c, std::ostream* os) { *os << c.name; }

class RefusedIcon : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(RefusedIcon, IsTriedAgainUntilTheShellHasItForAboutTwoMinutes) {
    const RefusedCase& c = GetParam();
    LoadedCalendar calendar(false);
    PlatformDouble& p = calendar.platform;
    p.refuseAdds = c.refusals;
    if (c.iconAlreadyThere) p.trayIcons.insert({p.form.hWnd, 1});
    calendar.form.Form_Load();
    std::vector<uint32_t> waits;
    while (p.timers.count(FormTimer::TrayRetry)) {
        waits.push_back(p.timers[FormTimer::TrayRetry]);
        p.timers.erase(FormTimer::TrayRetry);
        calendar.form.Form_Timer(FormTimer::TrayRetry);
    }
    Strings sent;
    for (const auto& call : p.shellCalls) sent.push_back(std::to_string(call.message));
    EXPECT_EQ(sent, c.shellCalls);
    EXPECT_EQ(waits, c.retryWaits);
    EXPECT_EQ(p.trayIcons.size(), c.iconShown ? 1u : 0u);
}

// 0 adds, 1 modifies: an addition the shell refuses is tried as a change of
// an icon it may still hold, before waiting.
INSTANTIATE_TEST_SUITE_P(
    Tray, RefusedIcon,
    ::testing::Values(RefusedCase{"TakenAtOnceAsAlways", 0, false, {"0"}, {}, true},
                      RefusedCase{"RefusedOnce", 1, false, {"0", "1", "0"}, {2000}, true},
                      RefusedCase{
                          "RefusedThreeTimes", 3, false, {"0", "1", "0", "1", "0", "1", "0"}, {2000, 4000, 8000}, true},
                      RefusedCase{"RefusedForGood",
                                  100,
                                  false,
                                  {"0", "1", "0", "1", "0", "1", "0", "1", "0", "1", "0", "1", "0", "1"},
                                  {2000, 4000, 8000, 16000, 32000, 64000},
                                  false},
                      RefusedCase{"AlreadyThereIsChanged", 0, true, {"0", "1"}, {}, true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Tray, ANewTaskbarEndsTheRetriesOrStartsThemAfresh) {
    LoadedCalendar calendar(false);
    PlatformDouble& p = calendar.platform;
    p.refuseAdds = 100;
    calendar.form.Form_Load();
    p.refuseAdds = 0;
    calendar.form.Form_TaskbarCreated();  // the shell is up at last
    EXPECT_EQ(p.trayIcons.size(), 1u);
    EXPECT_EQ(p.timers.count(FormTimer::TrayRetry), 0u);

    for (int round = 0; round < 7; ++round) {  // refused until the tries run out
        p.trayIcons.clear();
        p.refuseAdds = 100;
        p.timers.erase(FormTimer::TrayRetry);
        calendar.form.Form_Timer(FormTimer::TrayRetry);
    }
    p.timers.clear();
    calendar.form.Form_TaskbarCreated();  // a new shell that refuses too
    EXPECT_EQ(p.timers[FormTimer::TrayRetry], 2000u);
}

// Whatever a handler throws reaches the user as a numbered run-time error.
TEST(Errors, EveryExceptionBecomesARunTimeError) {
    const std::vector<std::pair<std::exception_ptr, std::pair<int32_t, std::string>>> cases{
        {std::make_exception_ptr(RuntimeError::Overflow()), {6, "Overflow"}},
        {std::make_exception_ptr(std::bad_alloc()), {7, "Out of memory"}},
        {std::make_exception_ptr(std::out_of_range("vector")), {51, "Internal error: vector"}},
        {std::make_exception_ptr(42), {51, "Internal error"}},
    };
    for (const auto& [thrown, expected] : cases) {
        const RuntimeError error = ErrorOf(thrown);
        EXPECT_EQ(std::make_pair(error.Number(), error.Description()), expected);
    }
}

}  // namespace
