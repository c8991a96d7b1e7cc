#include "platform/win32/Win32Platform.h"

#include <oleauto.h>

#include <cctype>
#include <cstring>
#include <vector>

#include "platform/Numeric.h"
#include "platform/RuntimeError.h"
#include "platform/win32/OptionalFunction.h"
#include "platform/win32/PopupMenu.h"
#include "platform/win32/Text.h"

void Win32Platform::LoadLibrariesFromSystemOnly() {
    // Present since Windows 8, and on 7 and Vista with their security update.
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    const auto setDefault = OptionalFunction<SetDefaultDllDirectoriesFn>("kernel32.dll", "SetDefaultDllDirectories");
    if (setDefault) setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
    SetDllDirectoryA("");
}

Win32Platform::Win32Platform(HINSTANCE instance, const form_design::Form& design)
    : instance_(instance), design_(design), language_(Texts::ForLanguages(PreferredLanguages())) {
    startup_.languageId = LANGIDFROMLCID(LocaleNameToLCID(wide_text::Utf16(language_.Tag()).c_str(), 0));
    // One copy per executable name and log-on session. The name is taken
    // atomically, so of two copies started together exactly one sees it free.
    std::string name = app_.EXEName();
    for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    instanceMutex_ = CreateMutexW(nullptr, FALSE, wide_text::Utf16("Local\\" + name + ".SingleInstance").c_str());
    app_.prevInstance = instanceMutex_ != nullptr && GetLastError() == ERROR_ALREADY_EXISTS;
}

float Win32Platform::Screen::Width() { return w.ToTwips(GetSystemMetrics(SM_CXSCREEN)); }
float Win32Platform::Screen::Height() { return w.ToTwips(GetSystemMetrics(SM_CYSCREEN)); }

namespace {
struct DisplaySearch {
    float twipsPerPixel;
    std::vector<DisplayArea> areas;
};

DisplayArea InTwips(const RECT& r, float tpp) {
    return {units::PixelsToTwips(r.left, tpp), units::PixelsToTwips(r.top, tpp),
            units::PixelsToTwips(r.right - r.left, tpp), units::PixelsToTwips(r.bottom - r.top, tpp)};
}

BOOL CALLBACK AddDisplay(HMONITOR monitor, HDC, LPRECT, LPARAM data) {
    auto& search = *reinterpret_cast<DisplaySearch*>(data);
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (!GetMonitorInfoA(monitor, &info)) return TRUE;
    const DisplayArea area = InTwips(info.rcMonitor, search.twipsPerPixel);
    if (info.dwFlags & MONITORINFOF_PRIMARY)
        search.areas.insert(search.areas.begin(), area);
    else
        search.areas.push_back(area);
    return TRUE;
}
}  // namespace

std::vector<DisplayArea> Win32Platform::Screen::Displays() {
    DisplaySearch search{w.scale_.TwipsPerPixel(), {}};
    EnumDisplayMonitors(nullptr, nullptr, AddDisplay, reinterpret_cast<LPARAM>(&search));
    if (search.areas.empty()) search.areas.push_back({0, 0, Width(), Height()});
    return search.areas;
}

namespace {
DisplayArea WorkAreaOf(HMONITOR monitor, float twipsPerPixel) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (!GetMonitorInfoA(monitor, &info))  // taken away meanwhile: the primary's
        GetMonitorInfoA(MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY), &info);
    return InTwips(info.rcWork, twipsPerPixel);
}
}  // namespace

// Each display the nearest to what it is asked for, so that one taken away
// meanwhile gives one that is there. The desktop (the shell's windows on its
// thread, which span every display) and the calendar's own windows are no
// window one works in: the pointer tells then.
std::pair<DisplayArea, DisplayArea> Win32Platform::Screen::WorkAreas() {
    const float tpp = w.scale_.TwipsPerPixel();
    const RECT at = w.form_.Rect();
    HWND front = GetForegroundWindow(), shell = GetShellWindow();
    DWORD process = 0;
    const DWORD thread = front ? ::GetWindowThreadProcessId(front, &process) : 0;
    const bool desktop = shell && thread == ::GetWindowThreadProcessId(shell, nullptr);
    HMONITOR working = nullptr;
    if (front && !desktop && process != GetCurrentProcessId()) {
        working = MonitorFromWindow(front, MONITOR_DEFAULTTONEAREST);
    } else {
        POINT pointer{};
        GetCursorPos(&pointer);
        working = MonitorFromPoint(pointer, MONITOR_DEFAULTTONEAREST);
    }
    return {WorkAreaOf(MonitorFromRect(&at, MONITOR_DEFAULTTONEAREST), tpp), WorkAreaOf(working, tpp)};
}

std::string Win32Platform::App::EXEName() {
    std::string name = FullPath();
    name = name.substr(name.find_last_of("\\/") + 1);
    const size_t dot = name.find_last_of('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

std::string Win32Platform::App::FullPath() {
    std::wstring path(32768, L'\0');  // the longest path Windows has
    path.resize(GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size())));
    return wide_text::Utf8(path);
}

void Win32Platform::App::End() { ExitProcess(0); }

// The display languages the user has put in order, then the ones Windows
// falls back to; as names ("de-AT").
std::vector<std::string> Win32Platform::PreferredLanguages() {
    ULONG count = 0, length = 0;
    std::vector<std::string> names;
    if (!GetUserPreferredUILanguages(MUI_LANGUAGE_NAME, &count, nullptr, &length) || length == 0) return names;
    std::wstring list(length, L'\0');
    if (!GetUserPreferredUILanguages(MUI_LANGUAGE_NAME, &count, list.data(), &length)) return names;
    for (const wchar_t* name = list.c_str(); *name; name += wcslen(name) + 1) names.push_back(wide_text::Utf8(name));
    return names;
}

int32_t Win32Platform::MsgBox(const std::string& prompt, int32_t buttons, const std::string& title) {
    const int answer = MessageBoxW(hwnd_, wide_text::Utf16(prompt).c_str(), wide_text::Utf16(title).c_str(),
                                   static_cast<UINT>(buttons));
    // Closed from the icon's menu while the box was up, the window took its
    // box with it: that is no failure of the box.
    if (answer == 0 && IsWindow(hwnd_)) throw RuntimeError::InvalidProcedureCall();
    return answer;
}

int32_t Win32Platform::PopupMenu(const std::vector<MenuItem>& items) {
    return popup_menu::Show(hwnd_, trayIcon_.uID, items, trayEventAt_);
}

// The locale's conversions are OLE Automation's, whose library brings COM
// with it: loaded only for a number that is not a plain whole one.
std::string Win32Platform::SingleToText(float value) {
    if (std::optional<std::string> plain = numeric::PlainWholeText(value)) return *plain;
    using ToTextFn = HRESULT(WINAPI*)(FLOAT, LCID, ULONG, BSTR*);
    using LengthFn = UINT(WINAPI*)(BSTR);
    using FreeFn = void(WINAPI*)(BSTR);
    static const auto toText = OptionalFunction<ToTextFn>("oleaut32.dll", "VarBstrFromR4");
    static const auto length = OptionalFunction<LengthFn>("oleaut32.dll", "SysStringLen");
    static const auto free = OptionalFunction<FreeFn>("oleaut32.dll", "SysFreeString");
    BSTR text = nullptr;
    if (!toText || !length || !free || FAILED(toText(value, LOCALE_USER_DEFAULT, 0, &text)))
        throw RuntimeError::TypeMismatch();
    std::string narrow = wide_text::Narrow(text, length(text), CP_UTF8);
    free(text);
    return narrow;
}

float Win32Platform::TextToSingle(const std::string& text) {
    if (std::optional<float> plain = numeric::PlainWholeNumber(text)) return *plain;
    using FromTextFn = HRESULT(WINAPI*)(const OLECHAR*, LCID, ULONG, FLOAT*);
    static const auto fromText = OptionalFunction<FromTextFn>("oleaut32.dll", "VarR4FromStr");
    if (!fromText) throw RuntimeError::TypeMismatch();
    std::wstring wide = wide_text::Utf16(text);
    float value = 0;
    const HRESULT result = fromText(wide.data(), LOCALE_USER_DEFAULT, 0, &value);
    if (result == DISP_E_OVERFLOW) throw RuntimeError::Overflow();
    if (FAILED(result)) throw RuntimeError::TypeMismatch();
    return value;
}

// Another program may hold the clipboard open for a moment; a few tries, a
// few milliseconds apart, and then the copy is given up rather than the
// calendar kept waiting.
void Win32Platform::CopyText(const std::string& text) {
    constexpr int kTries = 5;
    constexpr DWORD kApartMs = 20;
    const std::wstring wide = wide_text::Utf16(text);
    const size_t bytes = (wide.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    void* at = memory ? GlobalLock(memory) : nullptr;
    if (!at) {
        if (memory) GlobalFree(memory);
        return;
    }
    memcpy(at, wide.c_str(), bytes);
    GlobalUnlock(memory);
    bool open = false;
    for (int i = 0; i < kTries && !(open = OpenClipboard(hwnd_)); ++i) Sleep(kApartMs);
    // The clipboard owns the text once it took it.
    if (!open || !EmptyClipboard() || !SetClipboardData(CF_UNICODETEXT, memory)) GlobalFree(memory);
    if (open) CloseClipboard();
}
