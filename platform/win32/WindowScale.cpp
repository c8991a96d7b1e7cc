#include "platform/win32/WindowScale.h"

#include "platform/Units.h"

namespace {

template <typename Function>
Function Optional(const char* library, const char* name) {
    HMODULE module = GetModuleHandleA(library);
    if (!module) module = LoadLibraryA(library);
    return module ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name))) : nullptr;
}

// Bold 8.25-point "MS Sans Serif".
HFONT MakeLabelFont(int dotsPerInch) {
    return CreateFontA(-MulDiv(825, dotsPerInch, 7200), 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, "MS Sans Serif");
}

// The system's message font at a scale: Windows' own for that scale where it
// can say (Windows 10 1607 on), else the system's grown or shrunk to it.
HFONT MakeMessageFont(int dotsPerInch, int systemDotsPerInch) {
    using ForDpi = BOOL(WINAPI*)(UINT, UINT, void*, UINT, UINT);
    static const auto forDpi = Optional<ForDpi>("user32.dll", "SystemParametersInfoForDpi");
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

WindowScale::WindowScale() {
    HDC screen = GetDC(nullptr);
    systemDotsPerInch_ = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    dotsPerInch_ = systemDotsPerInch_;
    labelFont_ = MakeLabelFont(dotsPerInch_);
    calendarFont_ = MakeMessageFont(dotsPerInch_, systemDotsPerInch_);
}

WindowScale::~WindowScale() {
    FreeOldFonts();
    if (labelFont_) DeleteObject(labelFont_);
    if (calendarFont_) DeleteObject(calendarFont_);
}

float WindowScale::TwipsPerPixel() const { return units::TwipsPerPixel(dotsPerInch_); }
float WindowScale::SystemTwipsPerPixel() const { return units::TwipsPerPixel(systemDotsPerInch_); }

void WindowScale::Change(int dotsPerInch) {
    if (dotsPerInch <= 0 || dotsPerInch == dotsPerInch_) return;
    FreeOldFonts();
    dotsPerInch_ = dotsPerInch;
    if (HFONT label = MakeLabelFont(dotsPerInch)) oldFonts_[0] = labelFont_, labelFont_ = label;
    if (HFONT calendar = MakeMessageFont(dotsPerInch, systemDotsPerInch_)) oldFonts_[1] = calendarFont_, calendarFont_ = calendar;
}

void WindowScale::FreeOldFonts() {
    for (HFONT& font : oldFonts_) {
        if (font) DeleteObject(font);
        font = nullptr;
    }
}

int WindowScale::Of(HWND window) const {
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpi = Optional<GetDpiForWindowFn>("user32.dll", "GetDpiForWindow");
    const UINT dpi = getDpi ? getDpi(window) : 0;
    return dpi ? static_cast<int>(dpi) : systemDotsPerInch_;
}

int WindowScale::SmallIconSize() const {
    using GetDpiForMonitorFn = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
    using MetricsForDpiFn = int(WINAPI*)(int, UINT);
    static const auto monitorDpi = Optional<GetDpiForMonitorFn>("shcore.dll", "GetDpiForMonitor");
    static const auto metricsForDpi = Optional<MetricsForDpiFn>("user32.dll", "GetSystemMetricsForDpi");
    UINT dpi = 0, unused = 0;
    const int effectiveDpi = 0;  // MDT_EFFECTIVE_DPI
    if (!monitorDpi || FAILED(monitorDpi(MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY), effectiveDpi, &dpi, &unused)) ||
        dpi == static_cast<UINT>(systemDotsPerInch_))
        return GetSystemMetrics(SM_CXSMICON);
    return metricsForDpi ? metricsForDpi(SM_CXSMICON, dpi)
                         : MulDiv(GetSystemMetrics(SM_CXSMICON), static_cast<int>(dpi), systemDotsPerInch_);
}
