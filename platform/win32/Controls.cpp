// The window's and its controls' properties, as the logic reads and writes
// them in twips.
#include "platform/win32/Win32Platform.h"

#include <commctrl.h>

#include <utility>

#include "platform/RuntimeError.h"
#include "platform/win32/Handles.h"

namespace {

// A hidden window is minimised: its place is where it shows again, the
// restored place (a tool window's: in screen coordinates), not its icon's.
// False for a window that is not minimised.
bool HiddenPlacement(HWND hwnd, WINDOWPLACEMENT& placement) {
    placement = {};
    placement.length = sizeof placement;
    return IsIconic(hwnd) && GetWindowPlacement(hwnd, &placement);
}

}  // namespace

RECT Win32Platform::Form::Rect() {
    if (held) return *held;
    WINDOWPLACEMENT placement;
    if (HiddenPlacement(w.hwnd_, placement)) return placement.rcNormalPosition;
    RECT rect{};
    GetWindowRect(w.hwnd_, &rect);
    return rect;
}

void Win32Platform::Form::Place(int x, int y, int cx, int cy, UINT flags) {
    if (held) {
        if (!(flags & SWP_NOMOVE)) OffsetRect(&*held, x - held->left, y - held->top);
        if (!(flags & SWP_NOSIZE)) held->right = held->left + cx, held->bottom = held->top + cy;
        return;
    }
    WINDOWPLACEMENT placement;
    if (flags == SWP_NOSIZE && HiddenPlacement(w.hwnd_, placement)) {
        OffsetRect(&placement.rcNormalPosition, x - placement.rcNormalPosition.left,
                   y - placement.rcNormalPosition.top);
        placement.showCmd = IsWindowVisible(w.hwnd_) ? SW_SHOWMINNOACTIVE : SW_HIDE;
        SetWindowPlacement(w.hwnd_, &placement);
        movedWhileHidden = true;
        return;
    }
    ::SetWindowPos(w.hwnd_, nullptr, x, y, cx, cy, flags | SWP_NOZORDER | SWP_NOACTIVATE);
}

// While the load handler runs, the window's place and size are held here and
// handed to the window system once, as it ends: the layout and the stored
// place set them several times over, and every change of a top-level
// window, shown or not, has the window system make it a new surface.
void Win32Platform::Form::Hold() { held = Rect(); }

void Win32Platform::Form::Settle() {
    if (!held) return;
    const RECT at = *held;
    held.reset();
    const RECT now = Rect();
    if (!EqualRect(&at, &now)) Place(at.left, at.top, at.right - at.left, at.bottom - at.top, 0);
}

float Win32Platform::Form::Left() { return w.ToTwips(Rect().left); }
float Win32Platform::Form::Top() { return w.ToTwips(Rect().top); }
float Win32Platform::Form::Width() {
    RECT r = Rect();
    return w.ToTwips(r.right - r.left);
}
float Win32Platform::Form::Height() {
    RECT r = Rect();
    return w.ToTwips(r.bottom - r.top);
}
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
    Settle();
    switch (state) {
        case 0:
            ShowWindow(w.hwnd_, SW_RESTORE);
            // Wine shows a window moved while minimised where the screen last
            // had it; told its place again once restored, it moves there. On
            // Windows it is there already, and nothing shows of it.
            if (std::exchange(movedWhileHidden, false)) {
                const RECT at = Rect();
                ::SetWindowPos(w.hwnd_, nullptr, at.left, at.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            }
            // A change of app mode while hidden may not have been told.
            w.ReadAppMode();
            w.ApplyAppMode();
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

void Win32Platform::Form::SetVisible(int16_t visible) {
    Settle();
    ShowWindow(w.hwnd_, visible ? SW_SHOW : SW_HIDE);
}
int32_t Win32Platform::Form::hWnd() { return AsInt32(w.hwnd_); }
void Win32Platform::Form::Unload() { SendMessageA(w.hwnd_, WM_CLOSE, 0, 0); }

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

CalendarDate Win32Platform::MonthView::Value() {
    SYSTEMTIME day{};
    if (!MonthCal_GetCurSel(hwnd, &day)) throw RuntimeError::InvalidProcedureCall();
    return {day.wYear, day.wMonth, day.wDay};
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

// Before the window is first shown the control is measured at once, for the
// load handler's layout that follows; afterwards the window is laid out
// again as at a new scale, a hidden one when it is shown.
void Win32Platform::MonthView::SetWeekNumbers(bool shown) {
    const LONG_PTR style = GetWindowLongPtrW(hwnd, GWL_STYLE);
    const LONG_PTR wanted = shown ? style | MCS_WEEKNUMBERS : style & ~static_cast<LONG_PTR>(MCS_WEEKNUMBERS);
    if (wanted == style) return;
    SetWindowLongPtrW(hwnd, GWL_STYLE, wanted);
    if (IsWindowVisible(w.hwnd_) || IsIconic(w.hwnd_))
        w.MeasureAgain(false);
    else
        w.DesignControls();
}

// Measured at once, so that the window can be laid out around it.
void Win32Platform::MonthView::SetMonths(int32_t wantedColumns, int32_t wantedRows) {
    if (wantedColumns == columns && wantedRows == rows) return;
    columns = wantedColumns, rows = wantedRows;
    w.DesignControls();
    InvalidateRect(hwnd, nullptr, TRUE);
}
