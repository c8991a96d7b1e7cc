#include "platform/Contrast.h"

#include <cmath>
#include <initializer_list>

namespace contrast {

namespace {

constexpr int32_t kRed = 0x0000FF;

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

int32_t LabelPaint(std::optional<int32_t> written, const Scheme& scheme) {
    if (!scheme.highContrast && Ratio(kBlack, scheme.background) >= kReadable)
        return written.value_or(scheme.buttonText);
    const int32_t resting = FirstReadable({scheme.buttonText, scheme.windowText}, scheme.background, std::nullopt);
    if (written != kRed) return resting;
    return FirstReadable({scheme.hotTracking, scheme.highlight, kRed, scheme.windowText, kWhite, kBlack},
                         scheme.background, resting);
}

}  // namespace contrast
