#include "platform/win32/WindowScale.h"

#include "platform/Fonts.h"
#include "platform/Units.h"
#include "platform/win32/OptionalFunction.h"

namespace {

// A designed font at a scale; none designed, none made (the control's own).
HFONT MakeLabelFont(const std::optional<form_design::Font>& designed, int dotsPerInch, int systemDotsPerInch) {
    if (!designed) return nullptr;
    const form_design::Font font = fonts::AtScale(*designed, dotsPerInch, systemDotsPerInch);
    return CreateFontA(-MulDiv(font.hundredthsOfPoint, dotsPerInch, 7200), 0, 0, 0, font.bold ? FW_BOLD : FW_NORMAL,
                       FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_SWISS, font.face);
}

// The system's message font at a scale: Windows' own for that scale where it
// can say (Windows 10 1607 on), else the system's grown or shrunk to it.
HFONT MakeMessageFont(int dotsPerInch, int systemDotsPerInch) {
    using ForDpi = BOOL(WINAPI*)(UINT, UINT, void*, UINT, UINT);
    static const auto forDpi = OptionalFunction<ForDpi>("user32.dll", "SystemParametersInfoForDpi");
    if (dotsPerInch != systemDotsPerInch && forDpi) {
        NONCLIENTMETRICSW metrics{};
        metrics.cbSize = sizeof metrics;
        if (forDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, static_cast<UINT>(dotsPerInch)))
            return CreateFontIndirectW(&metrics.lfMessageFont);
    }
    NONCLIENTMETRICSA metrics{};
    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) return nullptr;
    metrics.lfMessageFont.lfHeight = MulDiv(metrics.lfMessageFont.lfHeight, dotsPerInch, systemDotsPerInch);
    return CreateFontIndirectA(&metrics.lfMessageFont);
}

}  // namespace

WindowScale::WindowScale(const std::optional<form_design::Font>& labelFont) : labelDesign_(labelFont) {
    HDC screen = GetDC(nullptr);
    systemDotsPerInch_ = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    dotsPerInch_ = systemDotsPerInch_;
    labelFont_ = MakeLabelFont(labelDesign_, dotsPerInch_, systemDotsPerInch_);
    calendarFont_ = MakeMessageFont(dotsPerInch_, systemDotsPerInch_);
}

WindowScale::~WindowScale() {
    FreeOldFonts();
    if (labelFont_) DeleteObject(labelFont_);
    if (calendarFont_) DeleteObject(calendarFont_);
}

float WindowScale::TwipsPerPixel() const { return units::TwipsPerPixel(dotsPerInch_); }
float WindowScale::SystemTwipsPerPixel() const { return units::TwipsPerPixel(systemDotsPerInch_); }

void WindowScale::Change(int dotsPerInch, bool remake) {
    if (dotsPerInch <= 0 || (dotsPerInch == dotsPerInch_ && !remake)) return;
    FreeOldFonts();
    dotsPerInch_ = dotsPerInch;
    if (HFONT label = MakeLabelFont(labelDesign_, dotsPerInch, systemDotsPerInch_))
        oldFonts_[0] = labelFont_, labelFont_ = label;
    if (HFONT calendar = MakeMessageFont(dotsPerInch, systemDotsPerInch_))
        oldFonts_[1] = calendarFont_, calendarFont_ = calendar;
}

void WindowScale::FreeOldFonts() {
    for (HFONT& font : oldFonts_) {
        if (font) DeleteObject(font);
        font = nullptr;
    }
}

int WindowScale::Of(HWND window) const {
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpi = OptionalFunction<GetDpiForWindowFn>("user32.dll", "GetDpiForWindow");
    const UINT dpi = getDpi ? getDpi(window) : 0;
    return dpi ? static_cast<int>(dpi) : systemDotsPerInch_;
}

int WindowScale::SmallIconSize() const {
    using GetDpiForMonitorFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
    using MetricsForDpiFn = int(WINAPI*)(int, UINT);
    static const auto monitorDpi = OptionalFunction<GetDpiForMonitorFn>("shcore.dll", "GetDpiForMonitor");
    static const auto metricsForDpi = OptionalFunction<MetricsForDpiFn>("user32.dll", "GetSystemMetricsForDpi");
    UINT dpi = 0, unused = 0;
    const int effectiveDpi = 0;  // MDT_EFFECTIVE_DPI
    if (!monitorDpi ||
        FAILED(monitorDpi(MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY), effectiveDpi, &dpi, &unused)) ||
        dpi == static_cast<UINT>(systemDotsPerInch_))
        return GetSystemMetrics(SM_CXSMICON);
    return metricsForDpi ? metricsForDpi(SM_CXSMICON, dpi)
                         : MulDiv(GetSystemMetrics(SM_CXSMICON), static_cast<int>(dpi), systemDotsPerInch_);
}
