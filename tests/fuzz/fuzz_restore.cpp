// Whatever the locale's number conversion makes of the stored "left" and
// "top" (any float: NaN, infinities, huge, denormal; or any error it raises),
// start-up places the window at a finite position on the screen, or reports
// the error when it is not one of an unreadable number.
//
// Input: for each key, one byte of kind, then four bytes: a float's bits, or
// an error number. Then two floats for the screen's size.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <deque>

#include "app/frmCalendar.h"
#include "platform/RuntimeError.h"
#include "tests/unit/PlatformDouble.h"

namespace {

struct Answer {
    bool raises;
    float value;
    int32_t error;
};

class FuzzedConversion : public PlatformDouble {
public:
    std::deque<Answer> answers;
    float TextToSingle(const std::string&) override {
        const Answer answer = answers.front();
        answers.pop_front();
        if (answer.raises) throw RuntimeError(answer.error, "fuzzed");
        return answer.value;
    }
};

float FloatAt(const uint8_t* data) {
    float value;
    std::memcpy(&value, data, sizeof value);
    return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2 * 5 + 8) return 0;
    FuzzedConversion platform;
    for (int key = 0; key < 2; ++key, data += 5) {
        const bool raises = data[0] & 1;
        int32_t error;
        std::memcpy(&error, data + 1, sizeof error);
        platform.answers.push_back({raises, FloatAt(data + 1), error});
    }
    // Screens with room for the window (2840 by 2460) and the 250-twip inset,
    // in whole pixels as a real screen is: a window may be rounded to the
    // nearest pixel, which on a screen ending mid-pixel can overhang it.
    const float twipsPerPixel = platform.screen.twipsPerPixelX;
    const float screenWidth = std::round(FloatAt(data) / twipsPerPixel) * twipsPerPixel;
    const float screenHeight = std::round(FloatAt(data + 4) / twipsPerPixel) * twipsPerPixel;
    if (!(screenWidth >= 3100 && screenWidth <= 1e6f && screenHeight >= 2800 && screenHeight <= 1e6f)) return 0;
    platform.screen.width = screenWidth;
    platform.screen.height = screenHeight;
    const bool unreadable[2] = {platform.answers[0].raises, platform.answers[1].raises};
    const int32_t errors[2] = {platform.answers[0].error, platform.answers[1].error};

    frmCalendar form(platform);
    platform.events = &form;
    try {
        form.Form_Load();
    } catch (const RuntimeError& error) {
        // Only an error other than "type mismatch" (13) or "overflow" (6) may
        // stop the start, and only the one the conversion raised.
        const bool expected =
            (unreadable[0] && error.Number() == errors[0]) || (unreadable[1] && error.Number() == errors[1]);
        if (!expected || error.Number() == 13 || error.Number() == 6) __builtin_trap();
        return 0;
    }
    const float left = platform.form.left, top = platform.form.top;
    if (!std::isfinite(left) || !std::isfinite(top)) __builtin_trap();
    // The screen is larger than the window plus 250 twips: the window ends up on it.
    if (left < 0 || top < 0 || left + platform.form.width > screenWidth || top + platform.form.height > screenHeight)
        __builtin_trap();
    return 0;
}
