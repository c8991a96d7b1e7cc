#pragma once
#include <windows.h>

#include <optional>

#include "platform/FormDesign.h"

// The window's display scale, known here alone: every conversion between
// twips and pixels asks it, and the fonts the window draws with are made for
// it. Windows tells of a new scale with WM_DPICHANGED (the window moved onto a
// display of another scale, or the user changed the scale).
class WindowScale {
public:
    // At the system's scale, until the window's own is known; the labels'
    // font as designed.
    explicit WindowScale(const std::optional<form_design::Font>& labelFont);
    ~WindowScale();
    WindowScale(const WindowScale&) = delete;
    WindowScale& operator=(const WindowScale&) = delete;

    float TwipsPerPixel() const;
    float SystemTwipsPerPixel() const;

    // Takes on a new scale and makes the fonts for it. The old fonts live on
    // until FreeOldFonts, for the controls hold them until given the new ones;
    // a font that cannot be made keeps the old one. Remade at the same scale
    // when the user's fonts or text size changed.
    void Change(int dotsPerInch, bool remake = false);
    void FreeOldFonts();
    HFONT LabelFont() const { return labelFont_; }        // null: the control's own
    HFONT CalendarFont() const { return calendarFont_; }  // null: the control's own

    // The window's scale as Windows has it (Windows 10 1607 on), else the system's.
    int Of(HWND window) const;
    // A notification-area icon's size now: at the primary display's scale,
    // where the taskbar is (Windows 8.1 on), else at the system's.
    int SmallIconSize() const;

private:
    std::optional<form_design::Font> labelDesign_;
    int systemDotsPerInch_;
    int dotsPerInch_;
    HFONT labelFont_ = nullptr;
    HFONT calendarFont_ = nullptr;
    HFONT oldFonts_[2]{};
};
