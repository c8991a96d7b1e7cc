#pragma once
#include "platform/PlatformServices.h"

// The window's top-left corner, kept per user under the executable's name as
// the texts "left" and "top" in twips.
namespace saved_position {

// Reads the stored corner, pulls it back onto the screen and moves the window
// there. A value that is not a readable number counts as absent.
void Restore(PlatformServices& platform);

// Writes the corner, but only for a window in its normal state: a window
// hidden in the notification area is minimised and keeps the last position.
void Save(PlatformServices& platform);

}  // namespace saved_position
