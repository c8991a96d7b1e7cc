#pragma once
#include <algorithm>
#include <string>
#include <vector>

#include "app/frmCalendar.h"
#include "tests/unit/PlatformDouble.h"

// A calendar whose load handler has run on a 19200 by 14400 twip screen with a
// 2640 by 2310 calendar, so the window is 2840 by 2485 at (16110, 250). These
// are the layout's own numbers in twips, which no whole number of pixels
// gives (2840 twips is 189.33 pixels at 15 twips per pixel), so this window
// keeps exact twips; ScaledCalendar is the window on a real display.
struct LoadedCalendar {
    PlatformDouble platform;
    frmCalendar form{platform};

    explicit LoadedCalendar(bool load = true, bool exactTwips = true) {
        platform.exactTwips = exactTwips;
        platform.events = &form;
        if (load) {
            form.Form_Load();
            platform.Forget();
        }
    }

    // The recorded calls that begin with any of the prefixes, in order.
    std::vector<std::string> CallsStartingWith(std::initializer_list<std::string> prefixes) const {
        std::vector<std::string> picked;
        for (const auto& call : platform.calls)
            for (const auto& prefix : prefixes)
                if (call.rfind(prefix, 0) == 0) {
                    picked.push_back(call);
                    break;
                }
        return picked;
    }

    // Where a call first appears in the log; the log's size when it never does.
    size_t IndexOf(const std::string& prefix) const {
        auto found = std::find_if(platform.calls.begin(), platform.calls.end(),
                                  [&](const std::string& call) { return call.rfind(prefix, 0) == 0; });
        return static_cast<size_t>(found - platform.calls.begin());
    }
};

using Strings = std::vector<std::string>;

// The same calendar on a display of twipsPerPixel, holding whole pixels as
// the real window does.
struct ScaledCalendar : LoadedCalendar {
    explicit ScaledCalendar(float twipsPerPixel) : LoadedCalendar(false, false) {
        platform.screen.twipsPerPixelX = twipsPerPixel;
        form.Form_Load();
        platform.Forget();
    }
    // A position in twips as the window holds it: whole pixels.
    float Held(float twips) const { return platform.Held(twips); }
};

// The scales the rows run at: 100 %, 125 %, 150 % and 200 %.
inline const float kScales[] = {15, 12, 10, 7.5f};
