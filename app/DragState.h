#pragma once
#include <cstdint>

// Where the calendar was grabbed and where the window was at that moment.
// Busy guards the mouse-move handler against being re-entered from inside one
// of its own platform calls; it is a plain flag, everything runs on one thread.
struct DragState {
    int16_t Busy = 0;
    float AnchorX = 0;
    float AnchorY = 0;
    float TargetLeft = 0;
    float TargetTop = 0;
};
