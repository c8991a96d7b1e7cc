#pragma once
#include <cstring>

#include "platform/FormDesign.h"

namespace fonts {

// A bitmap face is drawn for 96 DPI; at any other scale Windows stretches its
// pixels and the text comes out coarse beside the calendar. And Windows
// registers the bitmaps drawn for the system's scale, not the window's: a
// window at 96 DPI on a system of 120 gets the larger set. So the face is
// kept only where both are 96; elsewhere its TrueType twin of the same
// design takes its place, at the same size.
struct ScalableTwin {
    const char* bitmap;
    const char* trueType;
};
inline constexpr ScalableTwin kScalableTwins[] = {{"MS Sans Serif", "Microsoft Sans Serif"}};
inline constexpr int kBitmapDotsPerInch = 96;

inline form_design::Font AtScale(form_design::Font font, int dotsPerInch, int systemDotsPerInch) {
    if (dotsPerInch == kBitmapDotsPerInch && systemDotsPerInch == kBitmapDotsPerInch) return font;
    for (const ScalableTwin& twin : kScalableTwins)
        if (std::strcmp(font.face, twin.bitmap) == 0) font.face = twin.trueType;
    return font;
}

}  // namespace fonts
