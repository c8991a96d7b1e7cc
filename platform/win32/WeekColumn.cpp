// The week numbers beside the calendar's rows. The control's own count
// follows a rule of its own, so the logic numbers each row it shows and the
// numbers are painted over the control's, in the place, font and colours the
// control gives its week column. Where each row is, and which days it
// holds, the control tells by hit-testing (MCM_HITTEST), which Wine answers
// too; MCM_GETCALENDARGRIDINFO would tell at once, but Wine does not have it.
#include "platform/win32/Win32Platform.h"

#include <commctrl.h>

#include "platform/win32/OptionalFunction.h"

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

bool OnADay(const MCHITTESTINFO& hit) { return (hit.uHit & MCHT_CALENDARDATE) == MCHT_CALENDARDATE; }

// With its visual style the control draws its own colours, not the ones it
// reports. In dark mode the program has taken the style away, whatever a
// window's theme handle still says.
bool HasVisualStyle(HWND window) {
    using GetWindowThemeFn = HANDLE(WINAPI*)(HWND);
    static const auto getTheme = OptionalFunction<GetWindowThemeFn>("uxtheme.dll", "GetWindowTheme");
    return getTheme && getTheme(window);
}

}  // namespace

void Win32Platform::MonthView::SetFirstDayOfWeek(int32_t day) {
    MonthCal_SetFirstDayOfWeek(hwnd, day);
    InvalidateRect(hwnd, nullptr, TRUE);
}

// After the control has painted itself. In its year and decade views (Windows
// Vista on; Wine has none) there are no weeks to number.
void Win32Platform::PaintWeekNumbers() {
    HWND calendar = monthView_.hwnd;
    if (!(GetWindowLongPtrW(calendar, GWL_STYLE) & MCS_WEEKNUMBERS)) return;
    if (MonthCal_GetCurrentView(calendar) != MCMV_MONTH) return;
    RECT client{};
    GetClientRect(calendar, &client);

    // Across the middle of the month: the week column, then the first day.
    const int middle = (client.top + client.bottom) / 2;
    int columnLeft = -1, columnRight = -1, firstDayX = -1;
    for (int x = client.left; x < client.right && firstDayX < 0; ++x) {
        const MCHITTESTINFO hit = HitTest(calendar, x, middle);
        if (hit.uHit == MCHT_CALENDARWEEKNUM) {
            if (columnLeft < 0) columnLeft = x;
            columnRight = x + 1;
        } else if (OnADay(hit)) {
            firstDayX = x;
        }
    }
    if (columnLeft < 0 || firstDayX < 0) return;

    // Down the first day's column, a row for each day met.
    Row rows[6]{};
    int count = 0;
    for (int y = client.top; y < client.bottom; ++y) {
        const MCHITTESTINFO hit = HitTest(calendar, firstDayX, y);
        if (!OnADay(hit)) continue;
        const CalendarDate day{hit.st.wYear, hit.st.wMonth, hit.st.wDay};
        if (count > 0 && rows[count - 1].start == day) {
            rows[count - 1].bottom = y + 1;
        } else if (count < 6) {
            rows[count++] = {day, y, y + 1};
        }
    }

    // The control paints its numbers in its title colour on the month's
    // background; with its visual style on it keeps to grey on the window's.
    const bool styled = !dark_.applied && HasVisualStyle(calendar);
    const COLORREF text = styled ? GetSysColor(COLOR_GRAYTEXT) : MonthCal_GetColor(calendar, MCSC_TITLEBK);
    const COLORREF background = styled ? GetSysColor(COLOR_WINDOW) : MonthCal_GetColor(calendar, MCSC_MONTHBK);
    HDC dc = GetDC(calendar);
    HBRUSH brush = CreateSolidBrush(background);
    HGDIOBJ oldFont = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(calendar, WM_GETFONT, 0, 0)));
    SetTextColor(dc, text);
    SetBkMode(dc, TRANSPARENT);
    for (int i = 0; i < count; ++i) {
        CalendarDate start = rows[i].start;
        int32_t week = 0;
        Raise([&] { events_->MonthView1_GetWeekNumber(start, week); });
        RECT place{columnLeft, rows[i].top, columnRight, rows[i].bottom};
        FillRect(dc, &place, brush);
        if (week <= 0) continue;
        const wchar_t number[] = {week >= 10 ? static_cast<wchar_t>(L'0' + week / 10 % 10) : L' ',
                                  static_cast<wchar_t>(L'0' + week % 10)};
        DrawTextW(dc, week >= 10 ? number : number + 1, week >= 10 ? 2 : 1, &place,
                  DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    }
    SelectObject(dc, oldFont);
    DeleteObject(brush);
    ReleaseDC(calendar, dc);
}
