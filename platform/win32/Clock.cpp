// Today, the time, and the window's timers.
#include "platform/win32/Win32Platform.h"

#include <iterator>

#include "platform/RuntimeError.h"
#include "platform/win32/OptionalFunction.h"
#include "platform/win32/Text.h"

namespace {

CalendarDate DateOf(const SYSTEMTIME& day) { return {day.wYear, day.wMonth, day.wDay}; }

}  // namespace

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
    static const auto toLocalEx = reinterpret_cast<ToLocalEx>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "SystemTimeToTzSpecificLocalTimeEx")));
    DYNAMIC_TIME_ZONE_INFORMATION zone{};
    const bool converted = toLocalEx && GetDynamicTimeZoneInformation(&zone) != TIME_ZONE_ID_INVALID
                               ? toLocalEx(&zone, &utc, &local)
                               : SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local);
    if (!converted) throw RuntimeError::InvalidProcedureCall();
    return DateOf(local);
}

// As the user's regional format writes a date; empty where it cannot.
static std::string FormattedDate(CalendarDate date, DWORD format) {
    SYSTEMTIME day{};
    day.wYear = static_cast<WORD>(date.year);
    day.wMonth = static_cast<WORD>(date.month);
    day.wDay = static_cast<WORD>(date.day);
    wchar_t text[128]{};
    const int length = GetDateFormatW(LOCALE_USER_DEFAULT, format, &day, nullptr, text, std::size(text));
    return length > 1 ? wide_text::Utf8(std::wstring(text, static_cast<size_t>(length - 1))) : std::string();
}

std::string Win32Platform::LongDate(CalendarDate date) { return FormattedDate(date, DATE_LONGDATE); }
std::string Win32Platform::ShortDate(CalendarDate date) { return FormattedDate(date, DATE_SHORTDATE); }

std::pair<int32_t, int32_t> Win32Platform::RegionalWeeks() {
    auto read = [](LCTYPE what) -> int32_t {
        wchar_t text[4]{};
        if (GetLocaleInfoW(LOCALE_USER_DEFAULT, what, text, std::size(text)) != 2) return -1;
        return text[0] >= L'0' && text[0] <= L'9' ? text[0] - L'0' : -1;
    };
    return {read(LOCALE_IFIRSTDAYOFWEEK), read(LOCALE_IFIRSTWEEKOFYEAR)};
}

void Win32Platform::StartTimer(FormTimer which, uint32_t milliseconds) {
    if (!SetTimer(hwnd_, static_cast<UINT_PTR>(which), milliseconds, nullptr))
        throw RuntimeError::InvalidProcedureCall();
}

void Win32Platform::StopTimer(FormTimer which) { KillTimer(hwnd_, static_cast<UINT_PTR>(which)); }
