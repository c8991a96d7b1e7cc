// The user's calendars on Windows: the bold days handed to the month
// calendar, their reads off the window's thread, the watch on their files,
// and the user's formats for the times the window writes.
#include "platform/win32/Win32Platform.h"

#include <commctrl.h>

#include <iterator>

#include "platform/RuntimeError.h"
#include "platform/win32/Text.h"

namespace {

// The control asks for at most the months it shows and the two beside them;
// a calendar laid out for more asks for more, and those stay plain.
constexpr int kMostDayStates = 14;

SYSTEMTIME DayOf(CalendarDate date) {
    SYSTEMTIME day{};
    day.wYear = static_cast<WORD>(date.year);
    day.wMonth = static_cast<WORD>(date.month);
    day.wDay = static_cast<WORD>(date.day);
    return day;
}

std::string Formatted(int length, const wchar_t* text) {
    return length > 1 ? wide_text::Utf8(std::wstring(text, static_cast<size_t>(length - 1))) : std::string();
}

}  // namespace

void Win32Platform::MonthView::FillDayStates(const SYSTEMTIME& first, int count, DWORD* states) {
    if (!states || count <= 0) return;
    CalendarDate from{first.wYear, first.wMonth, 1};
    int32_t months = count;
    std::vector<uint32_t> bold;
    w.Raise([&] { w.events_->MonthView1_GetDayState(from, months, bold); });
    for (int i = 0; i < count; ++i) states[i] = static_cast<size_t>(i) < bold.size() ? bold[i] : 0;
}

// Windows asks for day states as the months shown change, Wine only then:
// for the calendars read since, the program hands them over itself.
void Win32Platform::MonthView::RefreshDayStates() {
    SYSTEMTIME range[2]{};
    const int count = static_cast<int>(MonthCal_GetMonthRange(hwnd, GMR_DAYSTATE, range));
    if (count <= 0 || count > kMostDayStates) return;
    MONTHDAYSTATE states[kMostDayStates]{};
    FillDayStates(range[0], count, states);
    MonthCal_SetDayState(hwnd, count, states);
    InvalidateRect(hwnd, nullptr, FALSE);
}

void Win32Platform::InBackground(std::function<void()> work, std::function<void()> done) {
    if (!background_ || !background_->InBackground(std::move(work), std::move(done))) throw RuntimeError::OutOfMemory();
}

// A folder that cannot be watched leaves that file to the next read.
void Win32Platform::WatchFiles(const std::vector<std::string>& utf8Paths) {
    if (fileWatcher_) fileWatcher_->WatchFiles(utf8Paths);
}

std::string Win32Platform::ShortTime(int32_t hour, int32_t minute) {
    SYSTEMTIME at{};
    at.wYear = 2000, at.wMonth = 1, at.wDay = 1;
    at.wHour = static_cast<WORD>(hour), at.wMinute = static_cast<WORD>(minute);
    wchar_t text[64]{};
    return Formatted(GetTimeFormatW(LOCALE_USER_DEFAULT, TIME_NOSECONDS, &at, nullptr, text, std::size(text)), text);
}

// The weekday's short name and the day of the month, in the user's language.
std::string Win32Platform::ShortDay(CalendarDate date) {
    const SYSTEMTIME day = DayOf(date);
    wchar_t text[64]{};
    return Formatted(GetDateFormatW(LOCALE_USER_DEFAULT, 0, &day, L"ddd d", text, std::size(text)), text);
}

std::string Win32Platform::DateAndTime(int64_t utcMs) {
    const ical::LocalDateTime at = zones_.Local().ToWall(utcMs / 1000);
    return ShortDate({at.year, at.month, at.day}) + " " + ShortTime(at.hour, at.minute);
}
