#include "settings/SavedPosition.h"

#include <string>

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
        return platform.TextToSingle(text);
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

    const float defaultLeft = Sub(Sub(screen.Width(), me.Width()), kInset);
    float left = ReadTwips(platform, "left", platform.SingleToText(defaultLeft), defaultLeft);
    if (left < 0) left = kInset;
    if (Sub(screen.Width(), me.Width()) < left) left = Sub(Sub(screen.Width(), me.Width()), kInset);

    float top = ReadTwips(platform, "top", numeric::IntegerText(kDefaultTop), kDefaultTop);
    if (top < 0) top = kInset;
    if (Sub(screen.Height(), me.Height()) < top) top = Sub(Sub(screen.Height(), me.Height()), kInset);

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
