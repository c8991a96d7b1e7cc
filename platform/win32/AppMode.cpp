// The window in Windows' light or dark app mode. Which colours each mode
// takes is the logic's (platform/Contrast); here they are put on the window,
// its labels and the calendar.
#include "platform/win32/Win32Platform.h"

#include <commctrl.h>

#include "platform/win32/OptionalFunction.h"

namespace {

const wchar_t kPersonalize[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize";
constexpr int kCalendarParts[] = {MCSC_BACKGROUND, MCSC_MONTHBK,   MCSC_TEXT,
                                  MCSC_TITLEBK,    MCSC_TITLETEXT, MCSC_TRAILINGTEXT};

// A month calendar with its visual style draws its own colours; with the
// style off for it alone, it draws the colours it is given.
void SetVisualStyle(HWND window, bool on) {
    using SetWindowThemeFn = HRESULT(WINAPI*)(HWND, LPCWSTR, LPCWSTR);
    static const auto setTheme = OptionalFunction<SetWindowThemeFn>("uxtheme.dll", "SetWindowTheme");
    if (setTheme) setTheme(window, on ? nullptr : L"", on ? nullptr : L"");
}

}  // namespace

contrast::Scheme Win32Platform::CurrentScheme() const {
    HIGHCONTRASTA highContrast{};
    highContrast.cbSize = sizeof highContrast;
    const bool on = SystemParametersInfoA(SPI_GETHIGHCONTRAST, sizeof highContrast, &highContrast, 0) &&
                    (highContrast.dwFlags & HCF_HIGHCONTRASTON);
    auto colour = [](int index) { return static_cast<int32_t>(GetSysColor(index)); };
    return {on,
            colour(design_.backColor),
            colour(COLOR_BTNTEXT),
            colour(COLOR_WINDOWTEXT),
            colour(COLOR_HOTLIGHT),
            colour(COLOR_HIGHLIGHT),
            darkApps_,
            colour(COLOR_WINDOW),
            colour(COLOR_ACTIVECAPTION),
            colour(COLOR_GRAYTEXT)};
}

// The build Windows reports of itself (the manifest shapes what
// GetVersionEx says); 0 where it says nothing.
uint32_t Win32Platform::WindowsBuild() {
    using GetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
    static const auto getVersion = OptionalFunction<GetVersionFn>("ntdll.dll", "RtlGetVersion");
    OSVERSIONINFOW version{};
    version.dwOSVersionInfoSize = sizeof version;
    return getVersion && getVersion(&version) == 0 ? version.dwBuildNumber : 0;
}

// Windows 10 1903 on draw a program's menus dark once it asks for the dark
// mode (uxtheme's SetPreferredAppMode, ordinal 135) and the menus' themes
// are flushed (ordinal 136). Neither is documented, and older builds give
// those ordinals to other functions: they are looked up only on a build that
// has them. Where either is missing the menus stay light.
void Win32Platform::ApplyMenuMode(const contrast::Scheme& scheme) {
    const bool dark = contrast::DarkMenu(WindowsBuild(), scheme);
    if (dark == menusDark_) return;
    using SetPreferredAppModeFn = int(WINAPI*)(int);
    using FlushMenuThemesFn = void(WINAPI*)();
    constexpr int kDefault = 0, kForceDark = 2;
    static const auto setMode = OptionalFunction<SetPreferredAppModeFn>("uxtheme.dll", MAKEINTRESOURCEA(135));
    static const auto flush = OptionalFunction<FlushMenuThemesFn>("uxtheme.dll", MAKEINTRESOURCEA(136));
    if (!setMode || !flush) return;
    setMode(dark ? kForceDark : kDefault);
    flush();
    menusDark_ = dark;
}

// A value of another type, or none, reads as none.
void Win32Platform::ReadAppMode() {
    DWORD value = 0, size = sizeof value;
    const bool read = RegGetValueW(HKEY_CURRENT_USER, kPersonalize, L"AppsUseLightTheme", RRF_RT_REG_DWORD, nullptr,
                                   &value, &size) == ERROR_SUCCESS;
    darkApps_ = contrast::DarkAppsFrom(read ? std::optional<uint32_t>(value) : std::nullopt);
}

// What the calendar is given, and when, is the logic's (CalendarLooks): in
// dark mode its visual style off and the dark colours, out of it its style
// on again and the scheme's colours, of which Windows then takes only the
// background.
void Win32Platform::ApplyAppMode() {
    const contrast::Scheme scheme = CurrentScheme();
    ApplyMenuMode(scheme);
    const std::optional<contrast::CalendarLook> look = dark_.looks.Change(scheme);
    if (!look) return;
    HWND calendar = monthView_.hwnd;
    const bool dark = !look->visualStyle;
    if (dark != dark_.applied) SetVisualStyle(calendar, look->visualStyle);
    if (dark && !dark_.background)
        dark_.background = CreateSolidBrush(static_cast<COLORREF>(contrast::WindowBackground(scheme)));
    const contrast::CalendarColours& given = look->colours;
    const int32_t paint[] = {given.background,      given.monthBackground, given.text,
                             given.titleBackground, given.titleText,       given.trailingText};
    static_assert(std::size(paint) == std::size(kCalendarParts));
    for (size_t i = 0; i < std::size(kCalendarParts); ++i)
        MonthCal_SetColor(calendar, kCalendarParts[i], static_cast<COLORREF>(paint[i]));
    dark_.applied = dark;
    // Without its style the control may want another size: a shown window is
    // laid out again; a hidden one is told again when it is shown.
    if (dark_.measuredApplied != dark_.applied && IsWindowVisible(hwnd_)) MeasureAgain(false);
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
}
