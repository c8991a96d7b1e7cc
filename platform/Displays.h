#pragma once
#include <optional>
#include <utility>

#include "platform/PlatformServices.h"

// Where the window stands among several displays. With a single display none
// of this changes anything: the primary display is the screen.
namespace displays {

// The display other than the primary one that holds most of the window, if
// there is one; reads the window's place only when there are several displays.
std::optional<DisplayArea> SecondaryUnderWindow(PlatformServices& platform);

// Whether a window of that size placed there lies wholly on one display.
bool WhollyOnOne(const std::vector<DisplayArea>& areas, float left, float top, float width, float height);

// Where a window of that size standing at (left, top) in one area stands in
// another: as far across and down the room it has there as it was in the
// first, and wholly inside it where it fits.
std::pair<float, float> SamePlaceIn(const DisplayArea& from, const DisplayArea& to, float left, float top, float width,
                                    float height);

}  // namespace displays
