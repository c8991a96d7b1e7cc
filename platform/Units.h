#pragma once
#include <cstdint>

// Twips and pixels. The window system keeps whole pixels; the calendar thinks
// in twips. The Win32 layer converts with these, and the unit tests' double
// does the same, so both round alike.
namespace units {

constexpr float kTwipsPerInch = 1440;

// Twips per pixel on a display of so many dots per inch: 15 at 96 (100 %),
// 7.5 at 192 (200 %).
float TwipsPerPixel(int dotsPerInch);

// A length in twips as whole pixels, to the nearest; beyond the 32-bit range
// it is an overflow error.
int32_t TwipsToPixels(float twips, float twipsPerPixel);
float PixelsToTwips(int32_t pixels, float twipsPerPixel);

// The X or Y of a mouse event on the window itself. The shell's callback puts
// its mouse message number where a pointer message carries its x column, and
// the window's mouse-move handler decodes it by rounding X and twips per pixel
// each to an integer and dividing. Delivering the column times twips per pixel
// rounded the same way decodes back to the column at every scale; the exact
// product would not where twips per pixel has a fraction (7.5 at 200 %).
float WindowMouseTwips(int32_t pixels, float twipsPerPixel);

}  // namespace units
