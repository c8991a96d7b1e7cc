#include "platform/win32/Win32Platform.h"

#include <commctrl.h>
#include <oleauto.h>
#include <shellapi.h>

#include <cctype>
#include <cmath>
#include <cstddef>
#include <cstring>
#include <vector>

#include "platform/RuntimeError.h"
#include "platform/win32/NativeNotifyIcon.h"
#include "platform/win32/PopupMenu.h"
#include "platform/win32/Text.h"
#include "resources/resource.h"

namespace {

HWND AsHandle(int32_t value) { return reinterpret_cast<HWND>(static_cast<intptr_t>(value)); }
int32_t AsInt32(const void* handle) { return static_cast<int32_t>(reinterpret_cast<intptr_t>(handle)); }

}  // namespace

void Win32Platform::LoadLibrariesFromSystemOnly() {
    // Present since Windows 8, and on 7 and Vista with their security update.
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    const auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "SetDefaultDllDirectories")));
    if (setDefault) setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
    SetDllDirectoryA("");
}

Win32Platform::Win32Platform(HINSTANCE instance)
    : instance_(instance), language_(Texts::ForLanguages(PreferredLanguages())) {
    startup_.languageId = LANGIDFROMLCID(LocaleNameToLCID(wide_text::Utf16(language_.Tag()).c_str(), 0));
    // One copy per executable name and log-on session. The name is taken
    // atomically, so of two copies started together exactly one sees it free.
    std::string name = app_.EXEName();
    for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    instanceMutex_ = CreateMutexA(nullptr, FALSE, ("Local\\" + name + ".SingleInstance").c_str());
    app_.prevInstance = instanceMutex_ != nullptr && GetLastError() == ERROR_ALREADY_EXISTS;
}

// --- frmCalendar ---

RECT Win32Platform::Form::Rect() {
    RECT rect{};
    GetWindowRect(w.hwnd_, &rect);
    return rect;
}

void Win32Platform::Form::Place(int x, int y, int cx, int cy, UINT flags) {
    ::SetWindowPos(w.hwnd_, nullptr, x, y, cx, cy, flags | SWP_NOZORDER | SWP_NOACTIVATE);
}

float Win32Platform::Form::Left() { return w.ToTwips(Rect().left); }
float Win32Platform::Form::Top() { return w.ToTwips(Rect().top); }
float Win32Platform::Form::Width() { RECT r = Rect(); return w.ToTwips(r.right - r.left); }
float Win32Platform::Form::Height() { RECT r = Rect(); return w.ToTwips(r.bottom - r.top); }
void Win32Platform::Form::SetLeft(float twips) { Place(w.ToPixels(twips), Rect().top, 0, 0, SWP_NOSIZE); }
void Win32Platform::Form::SetTop(float twips) { Place(Rect().left, w.ToPixels(twips), 0, 0, SWP_NOSIZE); }
void Win32Platform::Form::SetWidth(float twips) {
    RECT r = Rect();
    Place(0, 0, w.ToPixels(twips), r.bottom - r.top, SWP_NOMOVE);
}
void Win32Platform::Form::SetHeight(float twips) {
    RECT r = Rect();
    Place(0, 0, r.right - r.left, w.ToPixels(twips), SWP_NOMOVE);
}
void Win32Platform::Form::Move(float left, float top) { Place(w.ToPixels(left), w.ToPixels(top), 0, 0, SWP_NOSIZE); }

int16_t Win32Platform::Form::WindowState() {
    if (IsIconic(w.hwnd_)) return 1;
    if (IsZoomed(w.hwnd_)) return 2;
    return 0;
}

void Win32Platform::Form::SetWindowState(int16_t state) {
    switch (state) {
        case 0:
            ShowWindow(w.hwnd_, SW_RESTORE);
            if (w.scaleChange_.pending) {
                w.scaleChange_.suggested = Rect();
                PostMessageA(w.hwnd_, kScaleChanged, 0, 0);
            }
            break;
        case 1: ShowWindow(w.hwnd_, SW_MINIMIZE); break;
        case 2: ShowWindow(w.hwnd_, SW_MAXIMIZE); break;
        default: throw RuntimeError::InvalidProcedureCall();
    }
}

void Win32Platform::Form::SetVisible(int16_t visible) { ShowWindow(w.hwnd_, visible ? SW_SHOW : SW_HIDE); }
int32_t Win32Platform::Form::hWnd() { return AsInt32(w.hwnd_); }
// The icon the shell is handed: drawn for the notification area's size at
// the taskbar's scale, which the shell would otherwise shrink from the large one.
int32_t Win32Platform::Form::IconHandle() {
    w.LoadSmallIcon();
    return AsInt32(w.smallIcon_);
}

// Loaded again whenever the taskbar's display has taken another scale since;
// an icon that cannot be loaded at the new size keeps the old one.
void Win32Platform::LoadSmallIcon() {
    const int size = scale_.SmallIconSize();
    if (size == smallIconSize_) return;
    HICON icon = static_cast<HICON>(LoadImageA(instance_, MAKEINTRESOURCEA(IDI_CALENDAR), IMAGE_ICON, size, size, 0));
    if (!icon) return;
    if (smallIcon_) DestroyIcon(smallIcon_);
    smallIcon_ = icon;
    smallIconSize_ = size;
}
void Win32Platform::Form::Unload() { SendMessageA(w.hwnd_, WM_CLOSE, 0, 0); }

// --- labels and calendar ---

float Win32Platform::Label::Height() {
    RECT r{};
    GetWindowRect(hwnd, &r);
    return w.ToTwips(r.bottom - r.top);
}

void Win32Platform::Label::Move(float left, float top, float width, float height) {
    MoveWindow(hwnd, w.ToPixels(left), w.ToPixels(top), w.ToPixels(width), w.ToPixels(height), TRUE);
}

void Win32Platform::Label::SetForeColor(int32_t rgb) {
    foreColor = rgb;
    InvalidateRect(hwnd, nullptr, TRUE);
}

float Win32Platform::MonthView::Width() {
    RECT r{};
    GetWindowRect(hwnd, &r);
    return w.ToTwips(r.right - r.left);
}

float Win32Platform::MonthView::Height() {
    RECT r{};
    GetWindowRect(hwnd, &r);
    return w.ToTwips(r.bottom - r.top);
}

void Win32Platform::MonthView::Move(float left, float top) {
    ::SetWindowPos(hwnd, nullptr, w.ToPixels(left), w.ToPixels(top), 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

namespace {
CalendarDate DateOf(const SYSTEMTIME& day) { return {day.wYear, day.wMonth, day.wDay}; }
}  // namespace

CalendarDate Win32Platform::MonthView::Value() {
    SYSTEMTIME day{};
    if (!MonthCal_GetCurSel(hwnd, &day)) throw RuntimeError::InvalidProcedureCall();
    return DateOf(day);
}

CalendarDate Win32Platform::MonthView::ShownMonth() {
    SYSTEMTIME range[2]{};
    MonthCal_GetMonthRange(hwnd, GMR_VISIBLE, range);
    if (range[0].wYear == 0) throw RuntimeError::InvalidProcedureCall();
    return {range[0].wYear, range[0].wMonth, 1};
}

void Win32Platform::MonthView::SetValue(CalendarDate date) {
    SYSTEMTIME day{};
    day.wYear = static_cast<WORD>(date.year);
    day.wMonth = static_cast<WORD>(date.month);
    day.wDay = static_cast<WORD>(date.day);
    if (!MonthCal_SetCurSel(hwnd, &day)) throw RuntimeError::InvalidProcedureCall();
}

// --- screen and application ---

float Win32Platform::Screen::Width() { return w.ToTwips(GetSystemMetrics(SM_CXSCREEN)); }
float Win32Platform::Screen::Height() { return w.ToTwips(GetSystemMetrics(SM_CYSCREEN)); }

namespace {
struct DisplaySearch {
    float twipsPerPixel;
    std::vector<DisplayArea> areas;
};

BOOL CALLBACK AddDisplay(HMONITOR monitor, HDC, LPRECT, LPARAM data) {
    auto& search = *reinterpret_cast<DisplaySearch*>(data);
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (!GetMonitorInfoA(monitor, &info)) return TRUE;
    const RECT& r = info.rcMonitor;
    const float tpp = search.twipsPerPixel;
    const DisplayArea area{units::PixelsToTwips(r.left, tpp), units::PixelsToTwips(r.top, tpp),
                           units::PixelsToTwips(r.right - r.left, tpp), units::PixelsToTwips(r.bottom - r.top, tpp)};
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

std::string Win32Platform::App::EXEName() {
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string name(path, length);
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

// --- settings store ---

namespace {
std::string SettingsKeyPath(const std::string& appName, const std::string& section) {
    return "Software\\VB and VBA Program Settings\\" + appName + "\\" + section;
}
}  // namespace

std::string Win32Platform::Registry::GetSetting(const std::string& appName, const std::string& section,
                                                const std::string& key, const std::string& defaultText) {
    HKEY settings = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, SettingsKeyPath(appName, section).c_str(), 0, KEY_QUERY_VALUE, &settings) !=
        ERROR_SUCCESS)
        return defaultText;
    DWORD type = 0, size = 0;
    std::string text = defaultText;
    if (RegQueryValueExA(settings, key.c_str(), nullptr, &type, nullptr, &size) == ERROR_SUCCESS &&
        (type == REG_SZ || type == REG_EXPAND_SZ)) {
        std::vector<char> buffer(size + 1, '\0');
        if (RegQueryValueExA(settings, key.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &size) ==
            ERROR_SUCCESS)
            text.assign(buffer.data());  // the stored text may or may not end in a NUL
    }
    RegCloseKey(settings);
    return text;
}

void Win32Platform::Registry::SaveSetting(const std::string& appName, const std::string& section,
                                          const std::string& key, const std::string& text) {
    HKEY settings = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, SettingsKeyPath(appName, section).c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                        nullptr, &settings, nullptr) != ERROR_SUCCESS)
        throw RuntimeError::InvalidProcedureCall();
    const LONG result = RegSetValueExA(settings, key.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                                       static_cast<DWORD>(text.size() + 1));
    RegCloseKey(settings);
    if (result != ERROR_SUCCESS) throw RuntimeError::InvalidProcedureCall();
}

// --- other services ---

CalendarDate Win32Platform::Today() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return DateOf(now);
}

namespace {
// FILETIME counts 100-nanosecond steps from 1601; the logic counts
// milliseconds from 1970.
constexpr int64_t kFileTimeAt1970 = 116444736000000000LL;
constexpr int64_t kFileTimePerMs = 10000;
}  // namespace

int64_t Win32Platform::NowUtcMs() {
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    const int64_t ticks = static_cast<int64_t>(ULARGE_INTEGER{{now.dwLowDateTime, now.dwHighDateTime}}.QuadPart);
    return (ticks - kFileTimeAt1970) / kFileTimePerMs;
}

CalendarDate Win32Platform::LocalDateAt(int64_t utcMs) {
    ULARGE_INTEGER ticks{};
    ticks.QuadPart = static_cast<ULONGLONG>(utcMs * kFileTimePerMs + kFileTimeAt1970);
    const FILETIME at{ticks.LowPart, ticks.HighPart};
    SYSTEMTIME utc{}, local{};
    if (!FileTimeToSystemTime(&at, &utc)) throw RuntimeError::InvalidProcedureCall();
    // The Ex form (Windows 7 on) applies the rules of the year asked about;
    // the plain one applies this year's to every year.
    using ToLocalEx = BOOL(WINAPI*)(const DYNAMIC_TIME_ZONE_INFORMATION*, const SYSTEMTIME*, SYSTEMTIME*);
    static const auto toLocalEx = reinterpret_cast<ToLocalEx>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "SystemTimeToTzSpecificLocalTimeEx")));
    DYNAMIC_TIME_ZONE_INFORMATION zone{};
    const bool converted = toLocalEx && GetDynamicTimeZoneInformation(&zone) != TIME_ZONE_ID_INVALID
                               ? toLocalEx(&zone, &utc, &local)
                               : SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local);
    if (!converted) throw RuntimeError::InvalidProcedureCall();
    return DateOf(local);
}

void Win32Platform::StartTimer(FormTimer which, uint32_t milliseconds) {
    if (!SetTimer(hwnd_, static_cast<UINT_PTR>(which), milliseconds, nullptr)) throw RuntimeError::InvalidProcedureCall();
}

void Win32Platform::StopTimer(FormTimer which) { KillTimer(hwnd_, static_cast<UINT_PTR>(which)); }

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

namespace {
struct ProcessWindowSearch {
    DWORD processId;
    HWND found;
};

BOOL CALLBACK FindProcessWindow(HWND hwnd, LPARAM data) {
    auto* search = reinterpret_cast<ProcessWindowSearch*>(data);
    DWORD owner = 0;
    ::GetWindowThreadProcessId(hwnd, &owner);
    if (owner != search->processId || !IsWindowVisible(hwnd) || GetWindow(hwnd, GW_OWNER)) return TRUE;
    search->found = hwnd;
    return FALSE;
}
}  // namespace

void Win32Platform::AppActivate(int32_t processId) {
    ProcessWindowSearch search{static_cast<DWORD>(processId), nullptr};
    EnumWindows(FindProcessWindow, reinterpret_cast<LPARAM>(&search));
    if (!search.found) throw RuntimeError::InvalidProcedureCall();
    if (IsIconic(search.found)) ShowWindow(search.found, SW_RESTORE);
    SetForegroundWindow(search.found);
    // A window made foreground while it was still hidden (by its icon's
    // menu) is not activated again when shown, and then nothing hands the
    // calendar the keyboard as activation does (WM_SETFOCUS).
    if (search.found == hwnd_ && GetActiveWindow() == hwnd_) SetFocus(monthView_.hwnd);
}

std::string Win32Platform::SingleToText(float value) {
    BSTR text = nullptr;
    if (FAILED(VarBstrFromR4(value, LOCALE_USER_DEFAULT, 0, &text))) throw RuntimeError::TypeMismatch();
    std::string narrow = wide_text::Narrow(text, SysStringLen(text), CP_ACP);
    SysFreeString(text);
    return narrow;
}

float Win32Platform::TextToSingle(const std::string& text) {
    std::wstring wide = wide_text::Widen(text, CP_ACP);
    float value = 0;
    const HRESULT result = VarR4FromStr(wide.data(), LOCALE_USER_DEFAULT, 0, &value);
    if (result == DISP_E_OVERFLOW) throw RuntimeError::Overflow();
    if (FAILED(result)) throw RuntimeError::TypeMismatch();
    return value;
}

// The shell's wide record of Windows 2000 on, as this architecture lays it
// out: the program's buffer holds its fields up to the tip, at x86's offsets;
// on x64 the handles are 8 bytes wide and aligned, so every field sits
// elsewhere. The shell reads a tip of 128 units from a record of this size.
constexpr DWORD kWideRecordSize = NOTIFYICONDATAW_V2_SIZE;
static_assert(sizeof(NOTIFYICONDATAW{}.szTip) == shell_layout::kTipBytes);
static_assert(offsetof(NOTIFYICONDATAW, szTip) + shell_layout::kTipBytes == offsetof(NOTIFYICONDATAW, dwState));
// The two layouts the record fuzzer converts, as this compiler has them.
static_assert(offsetof(NOTIFYICONDATAW, hWnd) == sizeof(void*) && offsetof(NOTIFYICONDATAW, szTip) ==
              (sizeof(void*) == 8 ? 40 : 24) && kWideRecordSize == (sizeof(void*) == 8 ? 952 : 936));

HWND Win32Platform::FullHandle(int32_t hWnd) const {
    // Window and icon handles carry 32 significant bits on every Windows, and
    // widen by sign extension; our own keep exactly the value we were given.
    if (hWnd == AsInt32(hwnd_)) return hwnd_;
    return AsHandle(hWnd);
}

HICON Win32Platform::FullIconHandle(int32_t hIcon) const {
    if (hIcon == AsInt32(smallIcon_)) return smallIcon_;
    return reinterpret_cast<HICON>(static_cast<intptr_t>(hIcon));
}

int32_t Win32Platform::Shell_NotifyIconW(int32_t message, ShellNotifyIconBuffer& data) {
    NOTIFYICONDATAW record = native_notify_icon::FromBuffer<NOTIFYICONDATAW>(
        data, kWideRecordSize, [&](int32_t h) { return FullHandle(h); },
        [&](int32_t h) { return FullIconHandle(h); });
    // The calendar asks for the shell's mouse events as mouse moves of its
    // window. They come as a message of their own, so that a real pointer
    // move is never taken for one; the window turns them into mouse moves.
    const bool asMouseMoves = record.uCallbackMessage == WM_MOUSEMOVE;
    if (asMouseMoves) record.uCallbackMessage = kTrayCallback;
    const BOOL result = ::Shell_NotifyIconW(static_cast<DWORD>(message), &record);
    if (asMouseMoves) record.uCallbackMessage = WM_MOUSEMOVE;
    if (result && (message == NIM_ADD || message == NIM_MODIFY)) {
        trayIcon_ = record;
        trayIconAdded_ = true;
    } else if (result && message == NIM_DELETE && record.hWnd == trayIcon_.hWnd && record.uID == trayIcon_.uID) {
        trayIconAdded_ = false;
    }
    native_notify_icon::ToBuffer(record, kWideRecordSize, [](const void* h) { return AsInt32(h); }, data);
    return result;
}

int32_t Win32Platform::SetWindowPos(int32_t hWnd, int32_t hWndInsertAfter, int32_t x, int32_t y, int32_t cx,
                                    int32_t cy, int32_t flags) {
    return ::SetWindowPos(FullHandle(hWnd), FullHandle(hWndInsertAfter), x, y, cx, cy, static_cast<UINT>(flags));
}

int32_t Win32Platform::GetWindowThreadProcessId(int32_t hWnd, int32_t& processId) {
    DWORD id = 0;
    const DWORD thread = ::GetWindowThreadProcessId(FullHandle(hWnd), &id);
    processId = static_cast<int32_t>(id);
    return static_cast<int32_t>(thread);
}
