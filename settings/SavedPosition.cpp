#include "settings/SavedPosition.h"

#include <cfloat>
#include <cmath>
#include <string>

#include "platform/Displays.h"
#include "platform/Numeric.h"
#include "platform/RuntimeError.h"

namespace saved_position {

namespace {

using numeric::Sub;

constexpr float kInset = 250;
constexpr int16_t kDefaultTop = 250;
constexpr int16_t kNormal = 0;

// A damaged or hand-edited value would otherwise stop every start from then
// on; it is treated as if the key were absent.
float ReadTwips(PlatformServices& platform, const char* key, const std::string& defaultText, float defaultValue) {
    const std::string app = platform.App().EXEName();
    const std::string text = platform.Settings().GetSetting(app, app, key, defaultText);
    try {
        const float value = platform.TextToSingle(text);
        // No test below would move a NaN, and the window cannot stand there.
        return std::isfinite(value) ? value : defaultValue;
    } catch (const RuntimeError& error) {
        if (error.Number() == RuntimeError::TypeMismatch().Number() ||
            error.Number() == RuntimeError::Overflow().Number())
            return defaultValue;
        throw;
    }
}

// Positions are stored in twips of the system's scale, whichever display the
// window is on, so that a stored place is the same pixel when it is read back
// on a display of another scale; and that is the unit stored before the
// program followed each display's scale. A value no pixel can hold is left
// for the corrections to deal with.
float Rescaled(float twips, float fromTwipsPerPixel, float toTwipsPerPixel) {
    if (fromTwipsPerPixel == toTwipsPerPixel) return twips;
    const double rescaled = std::nearbyint(double(twips) / fromTwipsPerPixel) * toTwipsPerPixel;
    return std::fabs(rescaled) <= FLT_MAX ? static_cast<float>(rescaled) : twips;
}

}  // namespace

void Restore(PlatformServices& platform) {
    ScreenObject& screen = platform.Screen();
    FormObject& me = platform.Me();
    const float storedScale = screen.SystemTwipsPerPixel(), windowScale = screen.TwipsPerPixelX();
    // Screen first, then the window, as each difference is written; in one
    // call's arguments C++ would leave the order of the two reads open.
    auto spareWidth = [&] {
        const float screenWidth = screen.Width();
        return Sub(screenWidth, me.Width());
    };
    auto spareHeight = [&] {
        const float screenHeight = screen.Height();
        return Sub(screenHeight, me.Height());
    };

    const float defaultLeft = Rescaled(Sub(spareWidth(), kInset), windowScale, storedScale);
    const float storedLeft = Rescaled(ReadTwips(platform, "left", platform.SingleToText(defaultLeft), defaultLeft),
                                      storedScale, windowScale);
    float left = storedLeft;
    if (left < 0) left = kInset;
    if (spareWidth() < left) left = Sub(spareWidth(), kInset);

    const float storedTop =
        Rescaled(ReadTwips(platform, "top", numeric::IntegerText(kDefaultTop), kDefaultTop), storedScale, windowScale);
    float top = storedTop;
    if (top < 0) top = kInset;
    if (spareHeight() < top) top = Sub(spareHeight(), kInset);

    // The corrections know the primary screen only. With more displays, a
    // window stored wholly on one of them is where the user left it.
    const std::vector<DisplayArea> areas = screen.Displays();
    if (areas.size() > 1 && displays::WhollyOnOne(areas, storedLeft, storedTop, me.Width(), me.Height())) {
        left = storedLeft;
        top = storedTop;
    }

    me.Move(left, top);
}

void Save(PlatformServices& platform) {
    FormObject& me = platform.Me();
    if (me.WindowState() != kNormal) return;
    ScreenObject& screen = platform.Screen();
    const float storedScale = screen.SystemTwipsPerPixel(), windowScale = screen.TwipsPerPixelX();
    std::string app = platform.App().EXEName();
    platform.Settings().SaveSetting(app, app, "left",
                                    platform.SingleToText(Rescaled(me.Left(), windowScale, storedScale)));
    app = platform.App().EXEName();
    platform.Settings().SaveSetting(app, app, "top",
                                    platform.SingleToText(Rescaled(me.Top(), windowScale, storedScale)));
}

}  // namespace saved_position
