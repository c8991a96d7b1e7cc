#pragma once
#include <optional>

#include "platform/PlatformServices.h"

// Where the window stands among several displays. With a single display none
// of this changes anything: the primary display is the screen.
namespace displays {

// The display other than the primary one that holds most of the window, if
// there is one; reads the window's place only when there are several displays.
std::optional<DisplayArea> SecondaryUnderWindow(PlatformServices& platform);

// Whether a window of that size placed there lies wholly on one display.
bool WhollyOnOne(const std::vector<DisplayArea>& areas, float left, float top, float width, float height);

}  // namespace displays
