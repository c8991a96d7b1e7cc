#include "platform/Units.h"

#include <cmath>

#include "platform/Numeric.h"
#include "platform/RuntimeError.h"

namespace units {

float TwipsPerPixel(int dotsPerInch) { return kTwipsPerInch / static_cast<float>(dotsPerInch); }

int32_t TwipsToPixels(float twips, float twipsPerPixel) {
    const double pixels = std::nearbyint(static_cast<double>(twips) / static_cast<double>(twipsPerPixel));
    if (!(pixels >= -2147483648.0 && pixels <= 2147483647.0)) throw RuntimeError::Overflow();
    return static_cast<int32_t>(pixels);
}

float PixelsToTwips(int32_t pixels, float twipsPerPixel) { return static_cast<float>(pixels) * twipsPerPixel; }

float WindowMouseTwips(int32_t pixels, float twipsPerPixel) {
    return static_cast<float>(pixels) * static_cast<float>(numeric::ToLong(twipsPerPixel));
}

}  // namespace units
