#pragma once
#include <cstdint>
#include <optional>

// The window's colours as they are painted. The calendar writes black (0) and
// red (255) on a background of the system's highlighted-text colour, which
// is white in the normal scheme and black or nearly black in the dark
// high-contrast ones, where black labels would vanish. There the labels take
// the scheme's own text colours instead. In Windows' dark app mode (and no
// high contrast, which wins) the window, the calendar and the labels take the
// colours of Windows 11's dark surfaces. Colours are RGB as the platform
// holds them: red in the low byte.
namespace contrast {

constexpr int32_t kBlack = 0x000000;
constexpr int32_t kWhite = 0xFFFFFF;
constexpr double kReadable = 4.5;  // the least contrast ratio for small text (WCAG 2)

// The system colours the choice looks at.
struct Scheme {
    bool highContrast;   // the user turned high contrast on
    int32_t background;  // highlighted text: the window's background
    int32_t buttonText;  // the labels' colour before the program sets one
    int32_t windowText;
    int32_t hotTracking;  // what the scheme lights up under the pointer
    int32_t highlight;
    bool darkApps = false;  // the user's default app mode is dark
    // What a month calendar takes its own colours from when it is made.
    int32_t window = kWhite;
    int32_t activeCaption = 0;
    int32_t grayText = 0;
};

// Windows' "default app mode": AppsUseLightTheme (a number under HKCU's
// Themes\Personalize) 0 is dark; absent, 1, another value or another type
// (given as none) light.
bool DarkAppsFrom(std::optional<uint32_t> appsUseLightTheme);

// The month calendar's own colours, as its messages name them.
struct CalendarColours {
    int32_t background;       // around the month
    int32_t monthBackground;  // behind the days
    int32_t text;             // day numbers and weekday names
    int32_t titleBackground;  // the title; also the weekday names, week numbers and the selected day
    int32_t titleText;
    int32_t trailingText;  // the days of the months before and after
    bool operator==(const CalendarColours&) const = default;
};

// What the control draws today's marker in, whatever its other colours.
constexpr int32_t kTodayMarker = 0x0000FF;

// The window's background: the system colour it is designed with, or the
// dark surface.
int32_t WindowBackground(const Scheme& scheme);
// The calendar's colours in dark mode; none where it keeps its own look (its
// visual style, or the high-contrast scheme's colours).
std::optional<CalendarColours> CalendarPaint(const Scheme& scheme);

// Whether the icon's menu is drawn dark: in dark app mode and no high
// contrast, on Windows 10 version 1903 (build 18362) and later, whose
// uxtheme has the calls for it; by the build Windows reports of itself.
constexpr uint32_t kFirstBuildWithDarkMenus = 18362;
bool DarkMenu(uint32_t windowsBuild, const Scheme& scheme);

// The window attribute that gives a window a dark title bar, wherever the
// menu is dark: DWMWA_USE_IMMERSIVE_DARK_MODE, 20, documented for Windows 11
// and taken from build 18985 on (Windows 10 2004); Windows 10 1903 and 1909
// know it only as 19. None where the menu stays light.
constexpr uint32_t kFirstBuildWithTitleBarAttribute20 = 18985;
std::optional<uint32_t> DarkTitleBarAttribute(uint32_t windowsBuild, const Scheme& scheme);

// The colours a month calendar takes from the scheme when it is made.
CalendarColours SchemeCalendar(const Scheme& scheme);

// What the calendar is given as the app mode and the scheme change: its
// visual style on or off, and its colours. It keeps what it was made with
// until it first goes dark; from then on, out of dark mode, it is given the
// colours it would take from the scheme now (the normal scheme's, or a
// high-contrast scheme's while one is on), never the ones it had: those can
// be a contrast scheme's that has gone since.
struct CalendarLook {
    bool visualStyle;
    CalendarColours colours;
    bool operator==(const CalendarLook&) const = default;
};
class CalendarLooks {
public:
    // None: leave the calendar as it is.
    std::optional<CalendarLook> Change(const Scheme& scheme);

private:
    bool beenDark_ = false;
};

// The notification icon showing a number: white digits on the icon's red,
// which reads on light and dark taskbars alike; in a high-contrast scheme
// the scheme's highlighted text on its highlight.
struct NumberIconColours {
    int32_t plate;
    int32_t digits;
    bool operator==(const NumberIconColours&) const = default;
};
NumberIconColours NumberIcon(const Scheme& scheme);

// The contrast ratio of two colours, from 1 (the same) to 21 (black on white).
double Ratio(int32_t a, int32_t b);

// What to paint for the colour the calendar wrote (nothing yet: the label's
// default, the button-text colour). In a scheme where black reads well on the
// background, and high contrast is off, that is the colour as written.
int32_t LabelPaint(std::optional<int32_t> written, const Scheme& scheme);

}  // namespace contrast
