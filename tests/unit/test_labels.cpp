#include <gtest/gtest.h>

#include "app/frmCalendarDesign.h"
#include "platform/Contrast.h"
#include "platform/Fonts.h"
#include "tests/unit/LoadedCalendar.h"

namespace {

struct HoverCase {
    float x, y;
    int32_t color;
};

void PrintTo(const HoverCase& c, std::ostream* os) { *os << "(" << c.x << ", " << c.y << ")"; }

class LabelHover : public ::testing::TestWithParam<HoverCase> {};

// Each label, under the pointer, turns the other one black first and then
// itself red only well inside (20 < X < 160 and 20 < Y < 160).
TEST_P(LabelHover, LightsRedOnlyWellInsideTheLabel) {
    const HoverCase& c = GetParam();
    for (int which : {1, 2}) {
        LoadedCalendar calendar;
        int16_t button = 0, shift = 0;
        float x = c.x, y = c.y;
        if (which == 1)
            calendar.form.Label1_MouseMove(button, shift, x, y);
        else
            calendar.form.Label2_MouseMove(button, shift, x, y);
        const std::string own = "Label" + std::to_string(which), other = "Label" + std::to_string(3 - which);
        EXPECT_EQ(calendar.platform.calls,
                  (Strings{other + ".ForeColor=0", own + ".ForeColor=" + std::to_string(c.color)}));
    }
}

INSTANTIATE_TEST_SUITE_P(Labels, LabelHover,
                         ::testing::Values(HoverCase{20, 100, 0}, HoverCase{100, 20, 0}, HoverCase{20.5f, 100, 255},
                                           HoverCase{159.9f, 159.9f, 255}, HoverCase{160, 100, 0},
                                           HoverCase{100, 160, 0}, HoverCase{21, 21, 255}, HoverCase{-5, 100, 0},
                                           HoverCase{190, 170, 0}));

TEST(Labels, HelpShowsTheExactTextAfterTurningBothLabelsBlack) {
    LoadedCalendar calendar;
    calendar.form.Label2_Click();
    EXPECT_EQ(calendar.platform.calls, (Strings{"Label1.ForeColor=0", "Label2.ForeColor=0", "MsgBox"}));
    ASSERT_EQ(calendar.platform.messages.size(), 1u);
    const auto& message = calendar.platform.messages[0];
    EXPECT_EQ(message.title, "vrlCalendar 1.0");
    EXPECT_EQ(message.buttons, 0);
    EXPECT_EQ(message.prompt,
              "One can move the calendar by pressing the <Alt> key and subsequently the left, right, up or down "
              "<Arrow> key.   \r\nOr -quicker- by clicking on the calendar, holding the (left mouse) button down and "
              "subsequently dragging the calendar to the desired position. \r\n\r\nJust click the calendar icon in "
              "the system tray to hide or show the calendar. Click the Close button to close the calendar.");
}

TEST(Labels, CloseUnloadsTheWindowWhichRemovesTheIconAndSaves) {
    LoadedCalendar calendar;
    calendar.form.Label1_Click();
    EXPECT_TRUE(calendar.platform.form.unloaded);
    EXPECT_TRUE(calendar.platform.trayIcons.empty());
    EXPECT_EQ(calendar.platform.Stored("left"), "16110");
    EXPECT_EQ(calendar.platform.Stored("top"), "250");
}

TEST(Labels, MovingOntoTheWindowOrTheCalendarTurnsBothBlack) {
    for (int onto : {0, 1}) {
        LoadedCalendar calendar;
        int16_t button = 0, shift = 0;
        float x = 100, y = 100;
        calendar.form.Label1_MouseMove(button, shift, x, y);
        ASSERT_EQ(calendar.platform.label1.foreColor, 255);
        if (onto == 0)
            calendar.form.Form_MouseMove(button, shift, x, y);
        else
            calendar.form.MonthView1_MouseMove(button, shift, x, y);
        EXPECT_EQ(calendar.platform.label1.foreColor, 0);
        EXPECT_EQ(calendar.platform.label2.foreColor, 0);
    }
}

constexpr int32_t Rgb(int r, int g, int b) { return r | g << 8 | b << 16; }

struct SchemeCase {
    const char* name;
    contrast::Scheme scheme;
    int32_t resting, highlighted;  // painted for 0 and 255; 0 and 255 where nothing changes
};

void PrintTo(const SchemeCase& c, std::ostream* os) { *os << c.name; }

class LabelColours : public ::testing::TestWithParam<SchemeCase> {};

TEST_P(LabelColours, ReadOnTheBackgroundRestingAndHighlightedAndDiffer) {
    const SchemeCase& c = GetParam();
    const int32_t resting = contrast::LabelPaint(0, c.scheme), highlighted = contrast::LabelPaint(255, c.scheme);
    EXPECT_EQ(resting, c.resting);
    EXPECT_EQ(highlighted, c.highlighted);
    EXPECT_NE(resting, highlighted);
    if (resting != 0) {  // a scheme the labels had to adapt to
        const int32_t background = contrast::WindowBackground(c.scheme);
        EXPECT_GE(contrast::Ratio(resting, background), contrast::kReadable);
        EXPECT_GE(contrast::Ratio(highlighted, background), contrast::kReadable);
        EXPECT_EQ(contrast::LabelPaint(std::nullopt, c.scheme), resting);  // before the first write too
    }
    // The icon's number: on the scheme's highlight where contrast is on, else
    // white on the icon's red, which reads as large text does (3:1).
    const contrast::NumberIconColours icon = contrast::NumberIcon(c.scheme);
    EXPECT_EQ(icon.plate == c.scheme.highlight, c.scheme.highContrast);
    EXPECT_GE(contrast::Ratio(icon.digits, icon.plate), c.scheme.highContrast ? contrast::kReadable : 3.0);
}

// Background (highlighted text), button text, window text, hot tracking,
// highlight: as Windows' schemes set them.
INSTANTIATE_TEST_SUITE_P(
    Labels, LabelColours,
    ::testing::Values(
        SchemeCase{"Normal", {false, Rgb(255, 255, 255), 0, 0, Rgb(0, 102, 204), Rgb(0, 120, 215)}, 0, 255},
        SchemeCase{"HighContrastBlack",
                   {true, 0, Rgb(255, 255, 255), Rgb(255, 255, 255), Rgb(255, 255, 0), Rgb(26, 235, 255)},
                   Rgb(255, 255, 255),
                   Rgb(255, 255, 0)},
        SchemeCase{
            "HighContrastWhite", {true, Rgb(255, 255, 255), 0, 0, Rgb(0, 0, 159), Rgb(55, 0, 110)}, 0, Rgb(0, 0, 159)},
        SchemeCase{"NightSky",
                   {true, 0, Rgb(255, 255, 255), Rgb(255, 255, 255), Rgb(128, 128, 255), Rgb(211, 166, 255)},
                   Rgb(255, 255, 255),
                   Rgb(128, 128, 255)},
        SchemeCase{"DarkAppMode",
                   {false, Rgb(255, 255, 255), 0, 0, Rgb(0, 102, 204), Rgb(0, 120, 215), true},
                   Rgb(230, 230, 230),
                   Rgb(255, 107, 107)},
        SchemeCase{"HighContrastBlackOverDarkAppMode",
                   {true, 0, Rgb(255, 255, 255), Rgb(255, 255, 255), Rgb(255, 255, 0), Rgb(26, 235, 255), true},
                   Rgb(255, 255, 255),
                   Rgb(255, 255, 0)},
        SchemeCase{"DarkHighlightTextWithoutHighContrast",
                   {false, Rgb(40, 40, 40), 0, Rgb(240, 240, 240), Rgb(20, 20, 120), Rgb(255, 200, 0)},
                   Rgb(240, 240, 240),
                   Rgb(255, 200, 0)}),
    [](const auto& info) { return std::string(info.param.name); });

// Dark only for AppsUseLightTheme 0; high contrast keeps its own colours.
TEST(AppMode, TheDarkCalendarReadsAndIsOnlyForTheDarkAppModeWithoutHighContrast) {
    for (const auto& [value, dark] :
         {std::pair<std::optional<uint32_t>, bool>{std::nullopt, false}, {0u, true}, {1u, false}, {2u, false}})
        EXPECT_EQ(contrast::DarkAppsFrom(value), dark) << value.value_or(99);
    const contrast::Scheme light{false, Rgb(255, 255, 255), 0, 0, 0, 0},
        dark{false, Rgb(255, 255, 255), 0, 0, 0, 0, true}, highContrast{true, 0, 0, 0, 0, 0, true};
    EXPECT_FALSE(contrast::CalendarPaint(light) || contrast::CalendarPaint(highContrast));
    EXPECT_EQ(contrast::WindowBackground(light), Rgb(255, 255, 255));
    const auto c = contrast::CalendarPaint(dark);
    ASSERT_TRUE(c);
    EXPECT_EQ(contrast::WindowBackground(dark), c->background);
    // Weekday names and week numbers are drawn in the title's colour, the
    // selected day's number in the month's background on it.
    for (auto [text, background] : {std::pair{c->text, c->monthBackground},
                                    {c->titleText, c->titleBackground},
                                    {c->titleBackground, c->monthBackground}})
        EXPECT_GE(contrast::Ratio(text, background), contrast::kReadable) << text;
    for (int32_t mark : {c->trailingText, contrast::kTodayMarker})
        EXPECT_GE(contrast::Ratio(mark, c->monthBackground), 3.0) << mark;
    // Out of dark mode straight into high contrast: the scheme's colours.
    contrast::Scheme black = highContrast;
    black.window = 0, black.windowText = Rgb(255, 255, 255), black.activeCaption = Rgb(0, 0, 255);
    black.grayText = Rgb(0, 255, 0);
    const contrast::CalendarColours scheme = contrast::SchemeCalendar(black);
    EXPECT_EQ((std::vector{scheme.background, scheme.monthBackground, scheme.text, scheme.titleBackground,
                           scheme.titleText, scheme.trailingText}),
              (std::vector{0, 0, Rgb(255, 255, 255), Rgb(0, 0, 255), 0, Rgb(0, 255, 0)}));
    // Dark, contrast on, off, light: out of dark mode the scheme's colours as they are then.
    contrast::CalendarLooks looks;
    EXPECT_FALSE(looks.Change(light));  // as it was made
    for (const auto& [now, look] : {std::pair{dark, contrast::CalendarLook{false, *c}},
                                    {black, {true, scheme}},
                                    {dark, {false, *c}},
                                    {light, {true, contrast::SchemeCalendar(light)}}})
        EXPECT_EQ(looks.Change(now), look) << now.highContrast << now.darkApps;
    // The menu and the title bar dark only where Windows 10 1903 on can draw
    // them so; the title bar's attribute took its number 20 at build 18985.
    for (const auto& [build, scheme, darkMenu, titleBar] : {std::tuple{18362u, dark, true, 19u},
                                                            {18984u, dark, true, 19u},
                                                            {18985u, dark, true, 20u},
                                                            {22631u, dark, true, 20u},
                                                            {18361u, dark, false, 0u},
                                                            {17763u, dark, false, 0u},
                                                            {22631u, light, false, 0u},
                                                            {22631u, highContrast, false, 0u}}) {
        EXPECT_EQ(contrast::DarkMenu(build, scheme), darkMenu) << build;
        EXPECT_EQ(contrast::DarkTitleBarAttribute(build, scheme).value_or(0), titleBar) << build;
    }
}

// The labels' bitmap face at the scale it was drawn for, the window's and the
// system's both, its TrueType twin at every other; a face with no twin is
// left as it is.
TEST(LabelFont, TheBitmapFaceOnlyAtItsOwnScale) {
    const form_design::Font designed = *kfrmCalendarDesign.Find(form_design::Name::Label1).font;
    for (int systemDotsPerInch : {96, 120})
        for (int dotsPerInch : {96, 120, 144, 168, 192, 240, 288}) {
            const form_design::Font font = fonts::AtScale(designed, dotsPerInch, systemDotsPerInch);
            const bool bitmap = dotsPerInch == 96 && systemDotsPerInch == 96;
            EXPECT_STREQ(font.face, bitmap ? "MS Sans Serif" : "Microsoft Sans Serif") << dotsPerInch;
            EXPECT_EQ(std::make_pair(font.hundredthsOfPoint, font.bold), std::make_pair(825, true)) << dotsPerInch;
        }
    EXPECT_STREQ(fonts::AtScale({"Tahoma", 825, true}, 192, 96).face, "Tahoma");
}

}  // namespace
