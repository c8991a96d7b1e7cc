#include "platform/Contrast.h"

#include <cmath>
#include <initializer_list>

namespace contrast {

namespace {

constexpr int32_t kRed = 0x0000FF;
constexpr int32_t Rgb(int r, int g, int b) { return r | g << 8 | b << 16; }

// Windows 11's dark surfaces: the window near #202020 with text near white.
// The control draws the weekday names, the week numbers and the selected day
// in its title's colour, on the month's background and under the month's
// background colour: so the title takes Windows' accent for dark surfaces,
// light enough for all three, with the dark surface's colour as its text.
// The labels rest light and light up in a red lighter than pure red, which
// reads poorly on the dark surface.
constexpr int32_t kDarkSurface = Rgb(32, 32, 32);
constexpr CalendarColours kDarkCalendar{kDarkSurface,      kDarkSurface, Rgb(255, 255, 255),
                                        Rgb(96, 205, 255), kDarkSurface, Rgb(133, 133, 133)};
constexpr int32_t kDarkLabelResting = Rgb(230, 230, 230);
constexpr int32_t kDarkLabelLit = Rgb(255, 107, 107);

bool DarkApplies(const Scheme& scheme) { return scheme.darkApps && !scheme.highContrast; }

double Channel(int32_t rgb, int shift) {
    const double c = static_cast<double>((rgb >> shift) & 0xFF) / 255.0;
    return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double Luminance(int32_t rgb) {
    return 0.2126 * Channel(rgb, 0) + 0.7152 * Channel(rgb, 8) + 0.0722 * Channel(rgb, 16);
}

// The first candidate that reads on the background and is not `unlike`;
// black or white, whichever reads better, when none does.
int32_t FirstReadable(std::initializer_list<int32_t> candidates, int32_t background, std::optional<int32_t> unlike) {
    for (int32_t colour : candidates)
        if (Ratio(colour, background) >= kReadable && colour != unlike) return colour;
    return Ratio(kWhite, background) > Ratio(kBlack, background) ? kWhite : kBlack;
}

}  // namespace

double Ratio(int32_t a, int32_t b) {
    const double la = Luminance(a), lb = Luminance(b);
    return (std::fmax(la, lb) + 0.05) / (std::fmin(la, lb) + 0.05);
}

bool DarkAppsFrom(std::optional<uint32_t> appsUseLightTheme) { return appsUseLightTheme == 0u; }

int32_t WindowBackground(const Scheme& scheme) { return DarkApplies(scheme) ? kDarkSurface : scheme.background; }

std::optional<CalendarColours> CalendarPaint(const Scheme& scheme) {
    if (!DarkApplies(scheme)) return std::nullopt;
    return kDarkCalendar;
}

int32_t LabelPaint(std::optional<int32_t> written, const Scheme& scheme) {
    if (DarkApplies(scheme)) return written == kRed ? kDarkLabelLit : kDarkLabelResting;
    if (!scheme.highContrast && Ratio(kBlack, scheme.background) >= kReadable)
        return written.value_or(scheme.buttonText);
    const int32_t resting = FirstReadable({scheme.buttonText, scheme.windowText}, scheme.background, std::nullopt);
    if (written != kRed) return resting;
    return FirstReadable({scheme.hotTracking, scheme.highlight, kRed, scheme.windowText, kWhite, kBlack},
                         scheme.background, resting);
}

CalendarColours SchemeCalendar(const Scheme& scheme) {
    return {scheme.window, scheme.window, scheme.windowText, scheme.activeCaption, scheme.window, scheme.grayText};
}

std::optional<CalendarLook> CalendarLooks::Change(const Scheme& scheme) {
    const std::optional<CalendarColours> dark = CalendarPaint(scheme);
    beenDark_ = beenDark_ || dark;
    if (!beenDark_) return std::nullopt;
    return dark ? CalendarLook{false, *dark} : CalendarLook{true, SchemeCalendar(scheme)};
}

bool DarkMenu(uint32_t windowsBuild, const Scheme& scheme) {
    return windowsBuild >= kFirstBuildWithDarkMenus && DarkApplies(scheme);
}

std::optional<uint32_t> DarkTitleBarAttribute(uint32_t windowsBuild, const Scheme& scheme) {
    if (!DarkMenu(windowsBuild, scheme)) return std::nullopt;
    return windowsBuild >= kFirstBuildWithTitleBarAttribute20 ? 20u : 19u;
}

NumberIconColours NumberIcon(const Scheme& scheme) {
    constexpr int32_t kIconRed = 0x0000FF;
    if (scheme.highContrast) return {scheme.highlight, scheme.background};
    return {kIconRed, kWhite};
}

}  // namespace contrast
