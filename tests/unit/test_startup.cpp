#include <gtest/gtest.h>

#include "platform/RuntimeError.h"
#include "tests/unit/LoadedCalendar.h"

TEST(StartUp, LaysTheWindowOutAroundA2640By2310Calendar) {
    LoadedCalendar calendar;
    const auto& p = calendar.platform;
    EXPECT_EQ(p.form.width, 2840);
    EXPECT_EQ(p.form.height, 2485);  // the labels' strip 175 + 2310
    EXPECT_EQ((std::vector<float>{p.label1.left, p.label1.top, p.label1.width, p.label1.height}),
              (std::vector<float>{2640, 0, 200, 175}));
    EXPECT_EQ((std::vector<float>{p.label2.left, p.label2.top, p.label2.width, p.label2.height}),
              (std::vector<float>{2390, 0, 200, 175}));
    EXPECT_EQ(p.calendar.left, 100);
    EXPECT_EQ(p.calendar.top, 175);
    EXPECT_EQ(p.calendar.width, 2640);
    EXPECT_EQ(p.calendar.height, 2310);
}

TEST(StartUp, WindowHeightUsesTheLabelHeightReadAfterTheLabelIsResized) {
    LoadedCalendar calendar(false);
    calendar.form.Form_Load();
    EXPECT_LT(calendar.IndexOf("Label1.Move"), calendar.IndexOf("Label1.Height"));
    EXPECT_LT(calendar.IndexOf("Label1.Height"), calendar.IndexOf("Me.Height="));
}

TEST(StartUp, SecondCopyEndsAtOnceHavingTouchedNothing) {
    LoadedCalendar calendar(false);
    calendar.platform.prevInstance = true;
    calendar.platform.Store("left", "1000");
    calendar.form.Form_Load();
    EXPECT_EQ(calendar.platform.calls, (Strings{"App.PrevInstance", "App.End"}));
    EXPECT_TRUE(calendar.platform.ended);
    EXPECT_TRUE(calendar.platform.shellCalls.empty());
    EXPECT_EQ(calendar.platform.Stored("left"), "1000");
}

TEST(StartUp, IconGoesUpBeforeThePositionIsReadAndTopmostComesLastBeforeTheDayTimer) {
    LoadedCalendar calendar(false);
    calendar.form.Form_Load();
    const auto& calls = calendar.platform.calls;
    EXPECT_LT(calendar.IndexOf("MonthView1.Move"), calendar.IndexOf("Shell_NotifyIconW 0"));
    EXPECT_LT(calendar.IndexOf("Shell_NotifyIconW 0"), calendar.IndexOf("GetSetting"));
    EXPECT_LT(calendar.IndexOf("Me.Move"), calendar.IndexOf("MonthView1.Value="));
    ASSERT_GE(calls.size(), 2u);
    EXPECT_EQ(calls[calls.size() - 2].rfind("SetWindowPos", 0), 0u) << calls[calls.size() - 2];
    EXPECT_EQ(calls.back(), "StartTimer 1 3600000");
}

TEST(StartUp, CalendarOpensOnToday) {
    LoadedCalendar calendar;
    EXPECT_EQ(calendar.platform.calendar.value.year, 2026);
    EXPECT_EQ(calendar.platform.calendar.value.month, 12);
    EXPECT_EQ(calendar.platform.calendar.value.day, 7);
}

TEST(StartUp, FailingStoreLeavesTheIconUpAndStopsBeforeTopmost) {
    LoadedCalendar calendar(false);
    calendar.platform.failing["GetSetting"] = 5;
    EXPECT_THROW(calendar.form.Form_Load(), RuntimeError);
    EXPECT_EQ(calendar.platform.trayIcons.size(), 1u);
    EXPECT_EQ(calendar.IndexOf("SetWindowPos"), calendar.platform.calls.size());
}

TEST(ShutDown, DeletesTheIconBeforeSavingThePosition) {
    LoadedCalendar calendar;
    int16_t cancel = 0;
    calendar.form.Form_Unload(cancel);
    EXPECT_TRUE(calendar.platform.trayIcons.empty());
    EXPECT_LT(calendar.IndexOf("Shell_NotifyIconW 2"), calendar.IndexOf("SaveSetting"));
    EXPECT_EQ(calendar.CallsStartingWith({"SaveSetting"}), (Strings{"SaveSetting vrlCalendar/vrlCalendar/left=16110",
                                                                    "SaveSetting vrlCalendar/vrlCalendar/top=250"}));
    EXPECT_EQ(cancel, 0);
}

// "0" alone turns the week numbers off, and the window is laid out around
// the narrower calendar; "iso" counts ISO weeks, with the rows from Monday;
// absent or damaged, the regional format's count, as always. The icon's tip
// leads with today and its week, by that count.
TEST(StartUp, WeekNumbersAsStoredAndTheRegionalFormatsWhenTheValueIsDamaged) {
    const std::string hint = " Click icon system tray to HIDE or SHOW ";
    for (const auto& [stored, shown, firstDay, tip] : {
             std::tuple<const char*, bool, int32_t, std::string>{nullptr, true, 6, "2026-12-7 · week 50\n"},
             {"1", true, 6, "2026-12-7 · week 50\n"},
             {"0", false, 6, "2026-12-7\n"},
             {"iso", true, 0, "2026-12-7 · week 50\n"},
             {"ISO", true, 6, "2026-12-7 · week 50\n"},
             {" iso", true, 6, "2026-12-7 · week 50\n"},
             {"2", true, 6, "2026-12-7 · week 50\n"},
             {"", true, 6, "2026-12-7 · week 50\n"},
             {" 0", true, 6, "2026-12-7 · week 50\n"},
             {"no", true, 6, "2026-12-7 · week 50\n"},
             {"-1", true, 6, "2026-12-7 · week 50\n"},
         }) {
        LoadedCalendar calendar(false);
        calendar.platform.regionalWeeks = {6, 0};
        if (stored) calendar.platform.Store("weekNumbers", stored);
        calendar.form.Form_Load();
        EXPECT_EQ(calendar.platform.calendar.weekNumbers, shown) << (stored ? stored : "absent");
        EXPECT_EQ(calendar.platform.form.width, shown ? 2840 : 2840 - PlatformDouble::kWeekNumbersWidth) << stored;
        EXPECT_EQ(calendar.platform.calendar.firstDayOfWeek, firstDay) << stored;
        EXPECT_EQ(TipOf(calendar.platform.shellCalls.back().data), tip + hint) << stored;
        EXPECT_TRUE(calendar.CallsStartingWith({"SaveSetting"}).empty()) << stored;
    }
}

// A new regional format is followed at once: the rows' first day, and the
// week in the icon's tip, 53 by ISO's count and 1 by the US one.
TEST(StartUp, ANewRegionalFormatIsFollowedAtOnce) {
    LoadedCalendar calendar(false);
    PlatformDouble& p = calendar.platform;
    p.today = {2026, 12, 28};
    calendar.form.Form_Load();
    EXPECT_EQ(TipOf(p.shellCalls.back().data).substr(0, 22), "2026-12-28 · week 53\n");
    p.regionalWeeks = {6, 0};
    calendar.form.Form_SettingChange();
    EXPECT_EQ(p.calendar.firstDayOfWeek, 6);
    EXPECT_EQ(TipOf(p.shellCalls.back().data).substr(0, 21), "2026-12-28 · week 1\n");
    p.calendar.toolTip = std::string(108, '-');  // a hint the date leaves no room
    calendar.form.Form_SettingChange();
    EXPECT_EQ(TipOf(p.shellCalls.back().data), "2026-12-28 · week 1");
}
