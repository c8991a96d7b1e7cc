#include <gtest/gtest.h>

#include <cmath>
#include <optional>

#include "platform/Numeric.h"
#include "platform/RuntimeError.h"
#include "platform/Units.h"
#include "tests/unit/LoadedCalendar.h"

namespace {

// Screen 19200 by 14400 and window 2840 by 2485 unless a row says otherwise:
// the default left is 16110, the furthest left kept 16360, the furthest top 11915.
struct RestoreCase {
    const char* name;
    std::optional<std::string> left, top;
    float expectedLeft, expectedTop;
    float screenWidth = 19200;
    std::vector<DisplayArea> displays = {};
};

// A second display to the right of the primary one, 15360 by 11520.
const std::vector<DisplayArea> kTwoDisplays{{0, 0, 19200, 14400}, {19200, 0, 15360, 11520}};

void PrintTo(const RestoreCase& c, std::ostream* os) { *os << c.name; }

class Restore : public ::testing::TestWithParam<RestoreCase> {};

TEST_P(Restore, PlacesTheWindowByTheStoredCornerCorrectedOnce) {
    const RestoreCase& c = GetParam();
    LoadedCalendar calendar(false);
    calendar.platform.screen.width = c.screenWidth;
    calendar.platform.screen.displays = c.displays;
    if (c.left) calendar.platform.Store("left", *c.left);
    if (c.top) calendar.platform.Store("top", *c.top);
    calendar.form.Form_Load();
    EXPECT_EQ(calendar.CallsStartingWith({"Me.Move"}),
              (Strings{"Me.Move " + Num(c.expectedLeft) + "," + Num(c.expectedTop)}));
}

INSTANTIATE_TEST_SUITE_P(
    SavedPosition, Restore,
    ::testing::Values(
        RestoreCase{"AbsentGivesTheDefaults", std::nullopt, std::nullopt, 16110, 250},
        RestoreCase{"StoredValuesInsideTheScreenAreKept", "1234", "567", 1234, 567},
        RestoreCase{"NegativeLeftBecomes250", "-15", "-1", 250, 250},
        RestoreCase{"LeftExactlyAtTheEdgeIsKept", "16360", "11915", 16360, 11915},
        RestoreCase{"ZeroIsKept", "0", "0", 0, 0}, RestoreCase{"JustBelowZeroBecomes250", "-0.5", "-0.5", 250, 250},
        RestoreCase{"OneTwipPastTheEdgeIsPulledIn", "16361", "11916", 16110, 11665},
        RestoreCase{"TopFarBelowTheScreenIsPulledIn", "300", "99999", 300, 11665},
        RestoreCase{"ANarrowScreenGivesANegativeLeftUsedUnchanged", "-15", "250", -1090, 250, 2000},
        // Unreadable values count as absent; the corrections still run.
        RestoreCase{"LettersFallBackToTheDefault", "abc", "xyz", 16110, 250},
        RestoreCase{"EmptyFallsBackToTheDefault", "", "", 16110, 250},
        RestoreCase{"TrailingJunkFallsBackToTheDefault", "12x", "1 2", 16110, 250},
        RestoreCase{"OverflowFallsBackToTheDefault", "1e39", "-1e39", 16110, 250},
        RestoreCase{"NanAndInfinityFallBackToTheDefault", "nan", "inf", 16110, 250},
        RestoreCase{"OneBadValueLeavesTheOtherAlone", "junk", "-30", 16110, 250},
        RestoreCase{"UnreadableLeftOnANarrowScreenStillGetsCorrected", "junk", "400", -1090, 400, 2000},
        // With more displays, a window wholly on one of them stays there.
        RestoreCase{"WhollyOnTheSecondDisplayIsKept", "31720", "9035", 31720, 9035, 19200, kTwoDisplays},
        RestoreCase{"OverTheSecondDisplaysRightEdgeIsCorrected", "31721", "9035", 16110, 9035, 19200, kTwoDisplays},
        RestoreCase{"BelowTheSecondDisplayIsCorrected", "25000", "9036", 16110, 9036, 19200, kTwoDisplays},
        RestoreCase{"AcrossBothDisplaysIsCorrected", "18000", "300", 16110, 300, 19200, kTwoDisplays},
        RestoreCase{"HugeValuesWithTwoDisplaysAreCorrected", "3e38", "3e38", 16110, 11665, 19200, kTwoDisplays}),
    [](const auto& info) { return std::string(info.param.name); });

// Each correction reads the screen, then the window: the order the
// differences are written in, which C++ would leave open in one call.
TEST(SavedPosition, ReadsTheScreenBeforeTheWindowForEachDifference) {
    LoadedCalendar calendar(false);
    calendar.platform.Store("left", "99999");
    calendar.platform.Store("top", "99999");
    calendar.form.Form_Load();
    const Strings& calls = calendar.platform.calls;
    Strings restore;
    for (size_t i = calendar.IndexOf("Shell_NotifyIconW 0"); i < calendar.IndexOf("Me.Move"); ++i)
        if (calls[i].rfind("Screen.", 0) == 0 || calls[i].rfind("Me.", 0) == 0) restore.push_back(calls[i]);
    EXPECT_EQ(restore, (Strings{"Screen.SystemTwipsPerPixel", "Screen.TwipsPerPixelX", "Screen.Width", "Me.Width",
                                "Screen.Width", "Me.Width", "Screen.Width", "Me.Width", "Screen.Height", "Me.Height",
                                "Screen.Height", "Me.Height", "Screen.Displays"}));
}

// On a real display: a position saved at any scale comes back to the pixel,
// and is written in the user's own number format.
struct ScaleCase {
    float twipsPerPixel;
    char decimalSeparator;
    const char* savedLeft;
};

class SavedPositionAtScale : public ::testing::TestWithParam<ScaleCase> {};

TEST_P(SavedPositionAtScale, ComesBackToThePixelAndIsWrittenInTheUsersFormat) {
    const ScaleCase& c = GetParam();
    ScaledCalendar first(c.twipsPerPixel);
    first.platform.decimalSeparator = c.decimalSeparator;
    first.platform.form.left = units::PixelsToTwips(123, c.twipsPerPixel);
    first.platform.form.top = units::PixelsToTwips(45, c.twipsPerPixel);
    int16_t cancel = 0;
    first.form.Form_Unload(cancel);
    EXPECT_EQ(first.platform.Stored("left"), c.savedLeft);

    LoadedCalendar second(false, false);
    second.platform.screen.twipsPerPixelX = c.twipsPerPixel;
    second.platform.decimalSeparator = c.decimalSeparator;
    second.platform.store = first.platform.store;
    second.form.Form_Load();
    EXPECT_EQ(units::TwipsToPixels(second.platform.form.left, c.twipsPerPixel), 123);
    EXPECT_EQ(units::TwipsToPixels(second.platform.form.top, c.twipsPerPixel), 45);
}

INSTANTIATE_TEST_SUITE_P(SavedPosition, SavedPositionAtScale,
                         ::testing::Values(ScaleCase{15, '.', "1845"}, ScaleCase{12, '.', "1476"},
                                           ScaleCase{10, '.', "1230"}, ScaleCase{7.5f, '.', "922.5"},
                                           ScaleCase{7.5f, ',', "922,5"}));

TEST(SavedPosition, DefaultsAreOfferedToTheStoreAsText) {
    LoadedCalendar calendar(false);
    calendar.form.Form_Load();
    EXPECT_EQ(calendar.CallsStartingWith(
                  {"GetSetting vrlCalendar/vrlCalendar/left", "GetSetting vrlCalendar/vrlCalendar/top"}),
              (Strings{"GetSetting vrlCalendar/vrlCalendar/left default 16110",
                       "GetSetting vrlCalendar/vrlCalendar/top default 250"}));
}

TEST(SavedPosition, AStoreThatFailsIsStillAnError) {
    LoadedCalendar calendar(false);
    calendar.platform.failing["GetSetting"] = 70;
    try {
        calendar.form.Form_Load();
        FAIL() << "no error raised";
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.Number(), 70);
    }
}

TEST(SavedPosition, SavesLeftThenTopOnlyInTheNormalState) {
    for (int16_t state : {0, 1, 2}) {
        LoadedCalendar calendar;
        calendar.platform.form.left = -4900;
        calendar.platform.form.top = 20000;
        calendar.platform.form.windowState = state;
        int16_t cancel = 0;
        calendar.form.Form_Unload(cancel);
        const Strings expected = state == 0 ? Strings{"SaveSetting vrlCalendar/vrlCalendar/left=-4900",
                                                      "SaveSetting vrlCalendar/vrlCalendar/top=20000"}
                                            : Strings{};
        EXPECT_EQ(calendar.CallsStartingWith({"SaveSetting"}), expected) << "state " << state;
    }
}

TEST(SavedPosition, ARenamedProgramStartsFromTheDefaults) {
    LoadedCalendar calendar(false);
    calendar.platform.Store("left", "1000");
    calendar.platform.exeName = "otherName";
    calendar.form.Form_Load();
    EXPECT_EQ(calendar.platform.form.left, 16110);
}

// Only what reads and writes alike in every locale skips the locale's own
// conversion; a sign, a separator, a space or an eighth digit does not.
TEST(SavedPosition, PlainWholeNumbersAloneBypassTheLocale) {
    for (const auto& [text, value] :
         std::vector<std::pair<std::string, float>>{{"3000", 3000}, {"0", 0}, {"0123", 123}, {"9999999", 9999999}}) {
        EXPECT_EQ(numeric::PlainWholeNumber(text), value) << text;
        EXPECT_EQ(numeric::PlainWholeText(value), text[0] == '0' && text != "0" ? text.substr(1) : text) << value;
    }
    for (const char* other : {"10000000", "-5", " 30", "30 ", "1.5", "1,5", "1e3", "", "\xEF\xBC\x91"})
        EXPECT_EQ(numeric::PlainWholeNumber(other), std::nullopt) << other;
    for (float other : {1e7f, -0.0f, -15.0f, 7.5f, NAN})
        EXPECT_EQ(numeric::PlainWholeText(other), std::nullopt) << other;
}

}  // namespace
