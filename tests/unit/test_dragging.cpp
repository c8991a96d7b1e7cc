#include <gtest/gtest.h>

#include "platform/Units.h"
#include "tests/unit/LoadedCalendar.h"

namespace {

struct Dragging : ::testing::Test {
    LoadedCalendar calendar;
    PlatformDouble& p = calendar.platform;

    void Press(int16_t button, float x, float y) {
        int16_t shift = 0;
        calendar.form.MonthView1_MouseDown(button, shift, x, y);
    }
    void MoveTo(int16_t button, float x, float y, int16_t shift = 0) {
        calendar.form.MonthView1_MouseMove(button, shift, x, y);
    }
    void PlaceWindow(float left, float top) {
        p.form.left = left;
        p.form.top = top;
    }
};

// On a real display the pointer is reported in whole pixels and the window
// follows it to the pixel, however many steps the drag takes.
class DraggingAtScale : public ::testing::TestWithParam<float> {};

TEST_P(DraggingAtScale, TheWindowFollowsThePointerToThePixel) {
    const float tpp = GetParam();
    ScaledCalendar calendar(tpp);
    PlatformDouble& p = calendar.platform;
    const int32_t startX = units::TwipsToPixels(p.form.left, tpp), startY = units::TwipsToPixels(p.form.top, tpp);
    int16_t button = 1, shift = 0;
    float x = 40 * tpp, y = 30 * tpp;
    calendar.form.MonthView1_MouseDown(button, shift, x, y);
    for (int step = 1; step <= 20; ++step) {
        // The pointer went 7 pixels right and 3 up since the window last followed it.
        float movedX = (40 + 7) * tpp, movedY = (30 - 3) * tpp;
        calendar.form.MonthView1_MouseMove(button, shift, movedX, movedY);
        EXPECT_EQ(p.form.left, units::PixelsToTwips(startX + 7 * step, tpp)) << "step " << step;
        EXPECT_EQ(p.form.top, units::PixelsToTwips(startY - 3 * step, tpp)) << "step " << step;
    }
}

INSTANTIATE_TEST_SUITE_P(Dragging, DraggingAtScale, ::testing::ValuesIn(kScales));

TEST_F(Dragging, WindowFollowsThePointersDisplacementFromTheAnchor) {
    PlaceWindow(5000, 3000);
    Press(1, 300, 450);
    p.Forget();
    MoveTo(1, 360, 420);
    EXPECT_EQ(p.form.left, 5060);
    EXPECT_EQ(p.form.top, 2970);
    // Both read before either is written, Left before Top.
    EXPECT_EQ(calendar.CallsStartingWith({"Me.Left", "Me.Top"}),
              (Strings{"Me.Left", "Me.Top", "Me.Left=5060", "Me.Top=2970"}));
}

TEST_F(Dragging, PointerStillOnTheAnchorRewritesTheSamePosition) {
    PlaceWindow(5000, 3000);
    Press(1, 300, 450);
    p.Forget();
    MoveTo(1, 300, 450);
    EXPECT_EQ(calendar.CallsStartingWith({"Me.Left=", "Me.Top="}), (Strings{"Me.Left=5000", "Me.Top=3000"}));
}

TEST_F(Dragging, WithoutAnyPressTheZeroAnchorBringsTheCalendarCornerUnderThePointer) {
    PlaceWindow(5000, 3000);
    MoveTo(1, 120, 80);
    EXPECT_EQ(p.form.left, 5120);
    EXPECT_EQ(p.form.top, 3080);
}

TEST_F(Dragging, OnlyTheLeftButtonAloneDrags) {
    PlaceWindow(5000, 3000);
    Press(2, 300, 450);  // any button replaces the anchor
    for (int16_t button : {0, 2, 3, 4, 5}) {
        p.Forget();
        MoveTo(button, 900, 900);
        EXPECT_TRUE(calendar.CallsStartingWith({"Me.Left=", "Me.Top="}).empty()) << "button " << button;
    }
    MoveTo(1, 310, 440, /*shift=*/7);  // modifiers change nothing
    EXPECT_EQ(p.form.left, 5010);
    EXPECT_EQ(p.form.top, 2990);
}

TEST_F(Dragging, EveryMoveTurnsBothLabelsBlackBeforeMoving) {
    p.label1.foreColor = 255;
    Press(1, 0, 0);
    for (int16_t button : {0, 1}) {
        p.Forget();
        MoveTo(button, 10, 10);
        ASSERT_GE(p.calls.size(), 2u);
        EXPECT_EQ(p.calls[0], "Label1.ForeColor=0");
        EXPECT_EQ(p.calls[1], "Label2.ForeColor=0");
    }
}

TEST_F(Dragging, NestedMoveWhileBusyDoesNothing) {
    PlaceWindow(5000, 3000);
    Press(1, 0, 0);
    size_t callsBeforeNested = 0, callsAfterNested = 0;
    bool nested = false;
    p.hooks["Me.Left="] = [&] {
        if (nested) return;
        nested = true;
        callsBeforeNested = p.calls.size();
        MoveTo(1, 999, 999);
        callsAfterNested = p.calls.size();
    };
    p.Forget();
    MoveTo(1, 50, 60);
    EXPECT_TRUE(nested);
    EXPECT_EQ(callsAfterNested, callsBeforeNested);
    EXPECT_EQ(p.form.left, 5050);
    EXPECT_EQ(p.form.top, 3060);
}

TEST_F(Dragging, FailedReadKeepsThePreviousTargetAndTheNextMoveWorks) {
    PlaceWindow(5000, 3000);
    Press(1, 300, 450);
    p.form.left = 6000;  // moved since, by the keyboard say
    p.failing["Me.Left"] = 5;
    MoveTo(1, 360, 420);
    EXPECT_EQ(p.form.left, 5000);  // the Left of the mouse-down
    EXPECT_EQ(p.form.top, 2970);
    p.failing.clear();
    MoveTo(1, 370, 420);
    EXPECT_EQ(p.form.left, 5070);
}

TEST_F(Dragging, FailedWriteOfLeftStillWritesTop) {
    PlaceWindow(5000, 3000);
    Press(1, 300, 450);
    p.failing["Me.Left="] = 5;
    MoveTo(1, 360, 420);
    EXPECT_EQ(p.form.left, 5000);
    EXPECT_EQ(p.form.top, 2970);
}

TEST_F(Dragging, HasNoLimitsAtTheScreenEdges) {
    PlaceWindow(100, 100);
    Press(1, 1000, 1000);
    MoveTo(1, -4000, -5000);
    EXPECT_EQ(p.form.left, -4900);
    EXPECT_EQ(p.form.top, -5900);
}

// X - AnchorX + Left, rounded to a float after each step in that order: this
// far out a float holds whole or even twips only, so another order, or one
// rounding at the end, lands elsewhere.
TEST_F(Dragging, RoundsToFloatAfterEachStepInTheOrderWritten) {
    PlaceWindow(8388608, 16777216);
    Press(1, 0.25f, 16777216);
    MoveTo(1, 0.75f, 0.1f);
    EXPECT_EQ(p.form.left, 8388608);  // 0.5 + 2^23 ties to even
    EXPECT_EQ(p.form.top, 0);         // 0.1 - 2^24 is -2^24 as a float
}

}  // namespace
