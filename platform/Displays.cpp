#include "platform/Displays.h"

#include <algorithm>

#include "platform/Numeric.h"

namespace displays {

namespace {

using numeric::Add;
using numeric::Sub;

// How much of the window a display holds, in square twips; double, so that
// no product of two screen lengths can overflow.
double Overlap(const DisplayArea& area, float left, float top, float width, float height) {
    const double across =
        std::min<double>(double(area.left) + area.width, double(left) + width) - std::max<double>(area.left, left);
    const double down =
        std::min<double>(double(area.top) + area.height, double(top) + height) - std::max<double>(area.top, top);
    return across > 0 && down > 0 ? across * down : 0;
}

}  // namespace

std::optional<DisplayArea> SecondaryUnderWindow(PlatformServices& platform) {
    const std::vector<DisplayArea> areas = platform.Screen().Displays();
    if (areas.size() < 2) return std::nullopt;
    FormObject& me = platform.Me();
    const float left = me.Left(), top = me.Top(), width = me.Width(), height = me.Height();
    size_t best = 0;
    double most = 0;
    for (size_t i = 0; i < areas.size(); ++i) {
        const double held = Overlap(areas[i], left, top, width, height);
        if (held > most) best = i, most = held;
    }
    if (best == 0) return std::nullopt;
    return areas[best];
}

bool WhollyOnOne(const std::vector<DisplayArea>& areas, float left, float top, float width, float height) {
    // Compared as right edge minus size, so a wild stored value cannot overflow.
    return std::any_of(areas.begin(), areas.end(), [&](const DisplayArea& area) {
        return left >= area.left && top >= area.top && left <= Sub(Add(area.left, area.width), width) &&
               top <= Sub(Add(area.top, area.height), height);
    });
}

std::pair<float, float> SamePlaceIn(const DisplayArea& from, const DisplayArea& to, float left, float top, float width,
                                    float height) {
    const auto along = [](float at, float start, float room, float newStart, float newRoom) {
        const double share = room > 0 ? std::clamp((double(at) - start) / room, 0.0, 1.0) : 0.0;
        return static_cast<float>(newStart + std::max(0.0, share * newRoom));
    };
    return {along(left, from.left, from.width - width, to.left, to.width - width),
            along(top, from.top, from.height - height, to.top, to.height - height)};
}

}  // namespace displays
