#pragma once
#include <cstdint>

#include "platform/PlatformServices.h"

namespace tray {

constexpr int32_t kIconId = 1;
// The callback is the window system's own pointer-movement message, so the
// shell's notifications arrive as mouse moves of the window.
constexpr int32_t kCallbackMessage = 512;
constexpr int32_t kLeftButtonDown = 513;

// True when the shell has the icon: it took the addition, or it still held
// the icon from before and took the record as a change. The shell refuses
// icons while it is still starting (at log-on), and a new taskbar announced
// after a change of DPI keeps the icons it had.
bool AddIcon(PlatformServices& platform);
void RemoveIcon(PlatformServices& platform);

// The mouse event the shell reported, decoded from the window's mouse-move X:
// X and twips-per-pixel rounded to integers, then divided.
int32_t DecodeCallback(float x, float twipsPerPixelX);

// A left press on the icon: hide a shown window, or show and activate a
// hidden one. Anything else the shell reports is ignored.
void OnWindowMouseMove(PlatformServices& platform, float x);

}  // namespace tray
