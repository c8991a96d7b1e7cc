#include "settings/SavedPosition.h"

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

}  // namespace

void Restore(PlatformServices& platform) {
    ScreenObject& screen = platform.Screen();
    FormObject& me = platform.Me();
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

    const float defaultLeft = Sub(spareWidth(), kInset);
    const float storedLeft = ReadTwips(platform, "left", platform.SingleToText(defaultLeft), defaultLeft);
    float left = storedLeft;
    if (left < 0) left = kInset;
    if (spareWidth() < left) left = Sub(spareWidth(), kInset);

    const float storedTop = ReadTwips(platform, "top", numeric::IntegerText(kDefaultTop), kDefaultTop);
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
    std::string app = platform.App().EXEName();
    platform.Settings().SaveSetting(app, app, "left", platform.SingleToText(me.Left()));
    app = platform.App().EXEName();
    platform.Settings().SaveSetting(app, app, "top", platform.SingleToText(me.Top()));
}

}  // namespace saved_position
