#include <gtest/gtest.h>

#include "platform/Units.h"
#include "tray/TrayIcon.h"
#include "tests/unit/LoadedCalendar.h"

namespace {

// What the platform does when Windows tells of a new scale: the controls back
// as designed at it (the calendar keeps its size in twips, its font grown with
// the scale), then the handler with the place Windows suggests.
void ChangeScale(LoadedCalendar& calendar, float twipsPerPixel, float left, float top) {
    PlatformDouble& p = calendar.platform;
    p.screen.twipsPerPixelX = twipsPerPixel;
    p.DesignLabels();
    p.Forget();
    calendar.form.Form_DpiChanged(left, top);
}

std::vector<float> Layout(const PlatformDouble& p) {
    return {p.form.width,  p.form.height,   p.label1.left, p.label1.height,
            p.label2.left, p.calendar.left, p.calendar.top};
}

TEST(DpiChange, LaysTheWindowOutAsAStartAtTheNewScaleWhereWindowsSuggests) {
    for (float from : kScales) {
        for (float to : kScales) {
            ScaledCalendar calendar(from), fresh(to);
            ChangeScale(calendar, to, 3000, 2000);
            EXPECT_EQ(Layout(calendar.platform), Layout(fresh.platform)) << from << " to " << to;
            EXPECT_EQ(calendar.platform.form.left, fresh.Held(3000)) << from << " to " << to;
            EXPECT_EQ(calendar.platform.form.top, fresh.Held(2000)) << from << " to " << to;
        }
    }
}

// A new regional format, text size or system font: the platform measures the
// calendar again at the same scale, and the window is laid out round it as a
// start with that calendar would.
TEST(DpiChange, ACalendarMeasuredAgainIsLaidOutAsAStart) {
    ScaledCalendar calendar(10);
    LoadedCalendar fresh(false, false);
    fresh.platform.screen.twipsPerPixelX = 10;
    for (PlatformDouble* p : {&calendar.platform, &fresh.platform}) p->calendar.width = 3100, p->calendar.height = 2600;
    fresh.form.Form_Load();
    ChangeScale(calendar, 10, 3000, 2000);
    EXPECT_EQ(Layout(calendar.platform), Layout(fresh.platform));
}

// Kept within the limits Alt+arrows keep, on the display the window is then on.
TEST(DpiChange, ASuggestedPlaceOffTheDisplayIsPulledBackOntoIt) {
    const std::vector<DisplayArea> two{{0, 0, 19200, 14400}, {19200, 0, 15360, 11520}};
    struct Case {
        float left, top;
        std::vector<DisplayArea> displays;
        float expectedLeft, expectedTop;
    };
    for (const Case& c :
         {Case{99999, 99999, {}, 19200 - 2840 - 100, 14400 - 2485 - 100}, Case{-500, -700, {}, 0, 0},
          Case{33000, 11000, two, 19200 + 15360 - 2840 - 100, 11520 - 2485 - 100}, Case{20000, 300, two, 20000, 300}}) {
        LoadedCalendar calendar;
        calendar.platform.screen.displays = c.displays;
        ChangeScale(calendar, 15, c.left, c.top);
        EXPECT_EQ(calendar.platform.form.left, c.expectedLeft) << c.left;
        EXPECT_EQ(calendar.platform.form.top, c.expectedTop) << c.top;
    }
}

// The anchor is in twips of the calendar, which keeps its size in twips: a
// drag that crosses onto a display of another scale goes on without a jump.
TEST(DpiChange, ADragGoesOnAcrossAChangeOfScale) {
    ScaledCalendar calendar(15);
    PlatformDouble& p = calendar.platform;
    int16_t button = 1, shift = 0;
    float x = 300, y = 450;
    calendar.form.MonthView1_MouseDown(button, shift, x, y);
    ChangeScale(calendar, 10, 3000, 2000);
    calendar.form.MonthView1_MouseMove(button, shift, x, y);
    EXPECT_EQ(std::make_pair(p.form.left, p.form.top), std::make_pair(3000.0f, 2000.0f)) << "the grabbed point stays";
    float movedX = x + 7 * 10, movedY = y - 3 * 10;  // 7 pixels right and 3 up at the new scale
    calendar.form.MonthView1_MouseMove(button, shift, movedX, movedY);
    EXPECT_EQ(std::make_pair(p.form.left, p.form.top), std::make_pair(3070.0f, 1970.0f));
}

// Stored in twips of the system's scale: the same pixel, whichever display's
// scale the window has when the place is written or read.
TEST(DpiChange, AStoredPlaceIsThePixelItWasOnAnyDisplay) {
    ScaledCalendar onOther(10);
    onOther.platform.screen.systemTwipsPerPixel = 15;
    onOther.platform.screen.displays = {{0, 0, 12800, 9600}, {12800, 0, 20480, 15360}};  // 1280x960 at 10
    onOther.platform.form.left = 1400 * 10, onOther.platform.form.top = 100 * 10;
    int16_t cancel = 0;
    onOther.form.Form_Unload(cancel);
    EXPECT_EQ(onOther.platform.Stored("left"), "21000");
    EXPECT_EQ(onOther.platform.Stored("top"), "1500");

    LoadedCalendar next(false, false);  // started on the primary display, at the system's scale
    next.platform.store = onOther.platform.store;
    next.platform.screen.displays = {{0, 0, 19200, 14400}, {19200, 0, 30720, 23040}};  // the same displays at 15
    next.form.Form_Load();
    EXPECT_EQ(std::make_pair(next.platform.form.left, next.platform.form.top), std::make_pair(21000.0f, 1500.0f));
}

// Each choice of months at 100 % and at 300 %: the window as wide or as
// tall as that many calendars; where its display holds fewer, as many as
// fit, and the Settings window says so, at OK and when it opens.
TEST(DpiChange, TheWindowTakesTheMonthsChosenAsFarAsItsDisplayHoldsThem) {
    const struct {
        const char* stored;
        float twipsPerPixel, workWidth;
        int columns, rows;
    } rows[] = {{"1", 15, 19200, 1, 1},      {"2", 15, 19200, 2, 1},      {"3", 15, 19200, 3, 1},
                {"2-down", 15, 19200, 1, 2}, {"3-down", 15, 19200, 1, 3}, {"3", 5, 19200, 3, 1},
                {"3-down", 5, 19200, 1, 3},  {"3", 5, 6000, 2, 1},        {"damaged", 5, 19200, 1, 1}};
    for (const auto& row : rows) {
        ScaledCalendar one(row.twipsPerPixel);
        LoadedCalendar calendar(false, false);
        PlatformDouble& p = calendar.platform;
        p.screen.twipsPerPixelX = row.twipsPerPixel;
        p.screen.workAreas.first = p.screen.workAreas.second = {0, 0, row.workWidth, 14400};
        p.Store("monthsShown", row.stored);
        calendar.form.Form_Load();
        const std::string what = std::string(row.stored) + " at " + std::to_string(row.twipsPerPixel);
        EXPECT_EQ(p.form.width, one.platform.form.width + static_cast<float>(row.columns - 1) * p.calendar.width)
            << what;
        EXPECT_EQ(p.form.height, one.platform.form.height + static_cast<float>(row.rows - 1) * p.calendar.height)
            << what;
        p.menuChoice = tray::kSettings;
        int16_t button = 0, shift = 0;
        float x = tray::kRightButtonUp * p.screen.twipsPerPixelX, y = 0;
        calendar.form.Form_MouseMove(button, shift, x, y);
        const bool fewer = row.workWidth < 19200;
        EXPECT_EQ(p.settingsStatus.find("Only 2 months fit on this display.") != std::string::npos, fewer) << what;
    }
}

}  // namespace
