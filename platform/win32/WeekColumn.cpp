// The week numbers beside the calendar's rows. The control's own count
// follows a rule of its own, so the logic numbers each row it shows and the
// numbers are painted over the control's, in the place, font and colours the
// control gives its week column. Where each row is, and which days it
// holds, the control tells by hit-testing (MCM_HITTEST), which Wine answers
// too; MCM_GETCALENDARGRIDINFO would tell at once, but Wine does not have it.
#include "platform/win32/Win32Platform.h"

#include <commctrl.h>

#include <algorithm>
#include <string>

#include "platform/win32/OptionalFunction.h"
#include "platform/win32/Text.h"

namespace {

struct Row {
    CalendarDate start;  // the day in its first column
    int top, bottom;     // pixels of the control
};

MCHITTESTINFO HitTest(HWND calendar, int x, int y) {
    MCHITTESTINFO hit{};
    hit.cbSize = sizeof hit;
    hit.pt = {x, y};
    MonthCal_HitTest(calendar, &hit);
    return hit;
}

// A day of the month shown, or of the months before and after it.
bool OnADay(const MCHITTESTINFO& hit) { return (hit.uHit & ~(MCHT_NEXT | MCHT_PREV)) == MCHT_CALENDARDATE; }

// With its visual style the control draws its own colours, not the ones it
// reports. In dark mode the program has taken the style away, whatever a
// window's theme handle still says.
bool HasVisualStyle(HWND window) {
    using GetWindowThemeFn = HANDLE(WINAPI*)(HWND);
    static const auto getTheme = OptionalFunction<GetWindowThemeFn>("uxtheme.dll", "GetWindowTheme");
    return getTheme && getTheme(window);
}

// So many days after a date (before it, when negative), by Windows' own
// calendar arithmetic; its weekday, 0 Monday to 6 Sunday, comes with it.
CalendarDate DaysAfter(SYSTEMTIME day, int days, int* weekday = nullptr) {
    constexpr int64_t kTicksPerDay = 864000000000LL;
    day.wDayOfWeek = day.wHour = day.wMinute = day.wSecond = day.wMilliseconds = 0;
    FILETIME at{};
    SystemTimeToFileTime(&day, &at);
    ULARGE_INTEGER ticks{{at.dwLowDateTime, at.dwHighDateTime}};
    ticks.QuadPart += static_cast<ULONGLONG>(static_cast<int64_t>(days) * kTicksPerDay);
    at = {ticks.LowPart, ticks.HighPart};
    FileTimeToSystemTime(&at, &day);
    if (weekday) *weekday = (day.wDayOfWeek + 6) % 7;
    return {day.wYear, day.wMonth, day.wDay};
}

}  // namespace

void Win32Platform::MonthView::SetFirstDayOfWeek(int32_t day) {
    MonthCal_SetFirstDayOfWeek(hwnd, day);
    InvalidateRect(hwnd, nullptr, TRUE);
}

// The control paints its picture, background and all, into memory, the
// numbers go over it there, and the screen gets the two at once. Drawn over
// the control's own paint once that had ended, the control's numbers could
// reach the screen alone: Wine hands a window's drawing to the X server as
// each paint ends while the thread is busy (a drag, say), and the numbers
// then waited for the next; a compositor, too, shows a window's drawing at
// its own times. Without the memory for a picture, both are drawn straight.
void Win32Platform::PaintMonthView(HWND calendar) {
    PAINTSTRUCT paint{};
    HDC screen = BeginPaint(calendar, &paint);
    RECT client{};
    GetClientRect(calendar, &client);
    HDC picture = CreateCompatibleDC(screen);
    HBITMAP bitmap = picture ? CreateCompatibleBitmap(screen, client.right, client.bottom) : nullptr;
    HGDIOBJ old = bitmap ? SelectObject(picture, bitmap) : nullptr;
    HDC into = bitmap ? picture : screen;
    CallWindowProcW(monthView_.classProc, calendar, WM_ERASEBKGND, reinterpret_cast<WPARAM>(into), 0);
    CallWindowProcW(monthView_.classProc, calendar, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(into), PRF_CLIENT);
    PaintWeekNumbers(into);
    if (bitmap) {
        BitBlt(screen, 0, 0, client.right, client.bottom, picture, 0, 0, SRCCOPY);
        SelectObject(picture, old);
        DeleteObject(bitmap);
    }
    if (picture) DeleteDC(picture);
    EndPaint(calendar, &paint);
}

// Over the control's picture, in its DC. In its year and decade views
// (Windows Vista on; Wine has none) there are no weeks to number.
void Win32Platform::PaintWeekNumbers(HDC dc) {
    HWND calendar = monthView_.hwnd;
    if (MonthCal_GetCurrentView(calendar) != MCMV_MONTH) return;
    RECT client{};
    GetClientRect(calendar, &client);

    // The control lays its months out in rows of equal height. Across the
    // middle of each row of months: each month's week column, then its
    // first day.
    const int monthRows = std::max(monthView_.rows, 1);
    for (int row = 0; row < monthRows; ++row) {
        const int top = client.top + (client.bottom - client.top) * row / monthRows;
        const int bottom = client.top + (client.bottom - client.top) * (row + 1) / monthRows;
        const int middle = (top + bottom) / 2;
        int columnLeft = -1, columnRight = -1;
        for (int x = client.left; x < client.right; ++x) {
            const MCHITTESTINFO hit = HitTest(calendar, x, middle);
            if (hit.uHit == MCHT_CALENDARWEEKNUM) {
                if (columnLeft < 0) columnLeft = x;
                columnRight = x + 1;
            } else if (OnADay(hit) && columnLeft >= 0) {
                PaintMonthWeeks(dc, {columnLeft, top, columnRight, bottom}, x);
                columnLeft = -1;
            }
        }
    }
}

// One month's numbers: its week column, and the x of its first day.
void Win32Platform::PaintMonthWeeks(HDC dc, const RECT& column, int firstDayX) {
    HWND calendar = monthView_.hwnd;
    const int columnLeft = column.left, columnRight = column.right;
    // Down the first day's column, a row for each cell met, where the
    // control says the cell is. The control promises a date only for the
    // days of the month it shows, so one of those anchors every row's date:
    // the rows are weeks from the control's first day of the week.
    Row rows[6]{};
    int count = 0, anchorRow = -1;
    SYSTEMTIME anchor{};
    for (int y = column.top; y < column.bottom; ++y) {
        const MCHITTESTINFO hit = HitTest(calendar, firstDayX, y);
        if (!OnADay(hit)) continue;
        if (count > 0 && hit.rc.top == rows[count - 1].top) {
            rows[count - 1].bottom = std::max(y + 1, static_cast<int>(hit.rc.bottom));
        } else if (count < 6) {
            rows[count++] = {{}, static_cast<int>(hit.rc.top), std::max(y + 1, static_cast<int>(hit.rc.bottom))};
        }
        if (anchorRow < 0 && hit.uHit == MCHT_CALENDARDATE && hit.st.wYear != 0) anchor = hit.st, anchorRow = count - 1;
        y = std::max(y, rows[count - 1].bottom - 1);
    }
    if (anchorRow < 0) return;
    // Of several months, those in the middle leave their first and last rows
    // blank where other months' days would be; the week column still spans
    // all six rows, and the rows found give their height.
    int columnTop = -1, columnBottom = -1;
    for (int y = column.top; y < column.bottom; ++y)
        if (HitTest(calendar, (columnLeft + columnRight) / 2, y).uHit == MCHT_CALENDARWEEKNUM) {
            if (columnTop < 0) columnTop = y;
            columnBottom = y + 1;
        }
    const int pitch = count > 1 ? (rows[count - 1].top - rows[0].top) / (count - 1) : rows[0].bottom - rows[0].top;
    while (count < 6 && pitch > 0 && rows[0].top - pitch >= columnTop - pitch / 2) {
        std::copy_backward(rows, rows + count, rows + count + 1);
        rows[0] = {{}, rows[1].top - pitch, rows[1].top};
        ++count, ++anchorRow;
    }
    while (count < 6 && pitch > 0 && rows[count - 1].bottom + pitch <= columnBottom + pitch / 2) {
        rows[count] = {{}, rows[count - 1].bottom, rows[count - 1].bottom + pitch};
        ++count;
    }
    int weekday = 0;
    DaysAfter(anchor, 0, &weekday);
    const int firstDay = LOWORD(MonthCal_GetFirstDayOfWeek(calendar));
    const int back = (weekday - firstDay + 7) % 7;
    for (int i = 0; i < count; ++i) rows[i].start = DaysAfter(anchor, 7 * (i - anchorRow) - back);

    // The control paints its numbers in its title colour on the month's
    // background; with its visual style on it keeps to grey on the window's.
    const bool styled = !dark_.applied && HasVisualStyle(calendar);
    const COLORREF text = styled ? GetSysColor(COLOR_GRAYTEXT) : MonthCal_GetColor(calendar, MCSC_TITLEBK);
    const COLORREF background = styled ? GetSysColor(COLOR_WINDOW) : MonthCal_GetColor(calendar, MCSC_MONTHBK);
    HBRUSH brush = CreateSolidBrush(background);
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(calendar, WM_GETFONT, 0, 0));
    HGDIOBJ oldFont = SelectObject(dc, font ? font : GetStockObject(DEFAULT_GUI_FONT));
    SetTextColor(dc, text);
    SetBkMode(dc, TRANSPARENT);
    for (int i = 0; i < count; ++i) {
        CalendarDate start = rows[i].start;
        int32_t week = 0;
        Raise([&] { events_->MonthView1_GetWeekNumber(start, week); });
        RECT place{columnLeft, rows[i].top, columnRight, rows[i].bottom};
        FillRect(dc, &place, brush);
        if (week <= 0) continue;
        const std::wstring number = wide_text::Digits(static_cast<unsigned>(week));
        DrawTextW(dc, number.c_str(), static_cast<int>(number.size()), &place,
                  DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    }
    SelectObject(dc, oldFont);
    DeleteObject(brush);
}
