#include <gtest/gtest.h>

#include "platform/RuntimeError.h"
#include "tests/unit/LoadedCalendar.h"

namespace {

constexpr int16_t kLeft = 37, kUp = 38, kRight = 39, kDown = 40, kAlt = 4;

// The window is 2840 by 2485 on a 19200 by 14400 screen unless a row says
// otherwise: maximum Left 16260, maximum Top 11815.
struct KeyCase {
    const char* name;
    int16_t key;
    float left, top;
    float screenWidth;
    Strings writes;
    std::vector<DisplayArea> displays = {};
    float twipsPerPixel = 0;  // 0: exact twips; else a window holding whole pixels at that scale
};

// A second display to the right of the primary one, 15360 by 11520: its
// maximum Left is 31620 and its maximum Top 8935.
const std::vector<DisplayArea> kTwoDisplays{{0, 0, 19200, 14400}, {19200, 0, 15360, 11520}};

void PrintTo(const KeyCase& c, std::ostream* os) { *os << c.name; }

class AltArrow : public ::testing::TestWithParam<KeyCase> {};

TEST_P(AltArrow, MovesOneStepAndEnforcesOnlyTheLimitOnItsOwnSide) {
    const KeyCase& c = GetParam();
    LoadedCalendar calendar;
    calendar.platform.form.left = c.left;
    calendar.platform.form.top = c.top;
    calendar.platform.screen.width = c.screenWidth;
    calendar.platform.screen.displays = c.displays;
    if (c.twipsPerPixel) {
        calendar.platform.exactTwips = false;
        calendar.platform.screen.twipsPerPixelX = c.twipsPerPixel;
    }
    int16_t key = c.key, shift = kAlt;
    calendar.form.Form_KeyDown(key, shift);
    EXPECT_EQ(calendar.CallsStartingWith({"Me.Left=", "Me.Top="}), c.writes);
    EXPECT_EQ(key, c.key);
    EXPECT_EQ(shift, kAlt);
}

INSTANTIATE_TEST_SUITE_P(
    Keyboard, AltArrow,
    ::testing::Values(
        KeyCase{"LeftOvershootIsPulledBackToZero", kLeft, 50, 500, 19200, {"Me.Left=-50", "Me.Left=0"}},
        KeyCase{"LeftLandingOnZeroIsLeftAlone", kLeft, 100, 500, 19200, {"Me.Left=0"}},
        KeyCase{"LeftFromFarOffScreenIsPutOnZero", kLeft, -500, 500, 19200, {"Me.Left=-600", "Me.Left=0"}},
        KeyCase{"UpOvershootIsPulledBackToZero", kUp, 500, 30, 19200, {"Me.Top=-70", "Me.Top=0"}},
        KeyCase{"UpInTheMiddle", kUp, 500, 4000, 19200, {"Me.Top=3900"}},
        KeyCase{"RightLandingOnTheMaximumIsLeftAlone", kRight, 16160, 500, 19200, {"Me.Left=16260"}},
        // clang-format off
        KeyCase{"RightOvershootIsPulledBackToTheMaximum", kRight, 16200, 500, 19200,
                {"Me.Left=16300", "Me.Left=16260"}},
        KeyCase{"RightFromOffTheLeftEdgeIsNotCorrected", kRight, -500, 500, 19200, {"Me.Left=-400"}},
        KeyCase{"RightOnANarrowScreenGoesToTheNegativeMaximum", kRight, 0, 500, 2000, {"Me.Left=100", "Me.Left=-940"}},
        KeyCase{"LeftFromTheNegativeMaximumGoesToZero", kLeft, -940, 500, 2000, {"Me.Left=-1040", "Me.Left=0"}},
        KeyCase{"DownOvershootIsPulledBackToTheMaximum", kDown, 500, 11800, 19200, {"Me.Top=11900", "Me.Top=11815"}},
        KeyCase{"DownLandingOnTheMaximumIsLeftAlone", kDown, 500, 11715, 19200, {"Me.Top=11815"}},
        KeyCase{"RightOnTheSecondDisplayStopsAtItsEdge", kRight, 31600, 500, 19200, {"Me.Left=31700", "Me.Left=31620"},
                kTwoDisplays},
        KeyCase{"LeftOnTheSecondDisplayStopsAtItsLeftEdge", kLeft, 19250, 500, 19200, {"Me.Left=19150", "Me.Left=19200"},
                kTwoDisplays},
        KeyCase{"DownOnTheSecondDisplayStopsAtItsBottom", kDown, 25000, 8900, 19200, {"Me.Top=9000", "Me.Top=8935"},
                kTwoDisplays},
        KeyCase{"RightOnThePrimaryOfTwoKeepsThePrimaryLimit", kRight, 16200, 500, 19200,
                {"Me.Left=16300", "Me.Left=16260"}, kTwoDisplays},
        // clang-format on
        KeyCase{"UpLandingOnZeroIsLeftAlone", kUp, 500, 100, 19200, {"Me.Top=0"}},
        // At 7.5 twips per pixel the window holds 15100 as 15097.5 and -2.5 as
        // 0: the limit is tested on what the window took, not on what was written.
        KeyCase{"RightReadBackOnTheMaximumIsLeftAlone", kRight, 15000, 500, 18037.5f, {"Me.Left=15100"}, {}, 7.5f},
        KeyCase{"LeftReadBackOnZeroIsLeftAlone", kLeft, 97.5f, 500, 19200, {"Me.Left=-2.5"}, {}, 7.5f},
        KeyCase{"UpReadBackOnZeroIsLeftAlone", kUp, 500, 97.5f, 19200, {"Me.Top=-2.5"}, {}, 7.5f}),
    [](const auto& info) { return std::string(info.param.name); });

struct IdleCase {
    int16_t key;
    int16_t shift;
};

void PrintTo(const IdleCase& c, std::ostream* os) { *os << "key " << c.key << " shift " << c.shift; }

class KeysThatDoNotMove : public ::testing::TestWithParam<IdleCase> {};

TEST_P(KeysThatDoNotMove, StillMeasureTheScreenButWriteNothing) {
    LoadedCalendar calendar;
    int16_t key = GetParam().key, shift = GetParam().shift;
    calendar.form.Form_KeyDown(key, shift);
    EXPECT_EQ(calendar.platform.calls, (Strings{"Me.Width", "Screen.Width", "Me.Height", "Screen.Height"}));
    EXPECT_EQ(key, GetParam().key);
    EXPECT_EQ(shift, GetParam().shift);
}

INSTANTIATE_TEST_SUITE_P(Keyboard, KeysThatDoNotMove,
                         ::testing::Values(IdleCase{kLeft, 0}, IdleCase{kUp, 1}, IdleCase{kRight, 2},
                                           IdleCase{kDown, 5}, IdleCase{kLeft, 6}, IdleCase{kRight, 7},
                                           IdleCase{36, kAlt}, IdleCase{41, kAlt}, IdleCase{65, kAlt}, IdleCase{'C', 0},
                                           IdleCase{'C', 3}, IdleCase{'C', kAlt}));

// Ctrl+C alone copies the day picked, and changes nothing else.
TEST(Keyboard, CtrlCCopiesTheDayPickedAsTheShortDateWritesIt) {
    LoadedCalendar calendar;
    calendar.platform.calendar.value = {2026, 12, 24};
    int16_t key = 'C', shift = 2;
    calendar.form.Form_KeyDown(key, shift);
    EXPECT_EQ(calendar.platform.clipboard, "24.12.2026");
    EXPECT_EQ(calendar.CallsStartingWith({"Me.Left=", "Me.Top=", "MonthView1.Value=", "SaveSetting"}), Strings{});
}

// On a real display: the window ends on each limit to the pixel and stays
// there however often the key is pressed again.
class AltArrowAtScale : public ::testing::TestWithParam<float> {};

TEST_P(AltArrowAtScale, StopsOnEachLimitToThePixelWithoutCreeping) {
    ScaledCalendar calendar(GetParam());
    PlatformDouble& p = calendar.platform;
    const float maxLeft = p.screen.width - p.form.width - 100, maxTop = p.screen.height - p.form.height - 100;
    const struct {
        int16_t key;
        const float& position;
        float limit;
    } edges[] = {
        {kRight, p.form.left, maxLeft}, {kDown, p.form.top, maxTop}, {kLeft, p.form.left, 0}, {kUp, p.form.top, 0}};
    for (const auto& edge : edges) {
        auto press = [&](int times) {
            for (int i = 0; i < times; ++i) {
                int16_t key = edge.key, shift = kAlt;
                calendar.form.Form_KeyDown(key, shift);
            }
        };
        press(300);
        EXPECT_EQ(edge.position, calendar.Held(edge.limit)) << "key " << edge.key;
        const float resting = edge.position;
        press(50);
        EXPECT_EQ(edge.position, resting) << "key " << edge.key << " crept";
    }
}

INSTANTIATE_TEST_SUITE_P(Keyboard, AltArrowAtScale, ::testing::ValuesIn(kScales));

TEST(Keyboard, OverflowInTheMaximumIsARunTimeError) {
    LoadedCalendar calendar;
    calendar.platform.screen.width = 3.4e38f;
    calendar.platform.form.width = -3.4e38f;
    int16_t key = 65, shift = 0;
    try {
        calendar.form.Form_KeyDown(key, shift);
        FAIL() << "no error raised";
    } catch (const RuntimeError& error) {
        EXPECT_EQ(error.Number(), 6);
    }
}

}  // namespace
