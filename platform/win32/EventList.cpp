// The list of the picked day's events under the month: a list box, which
// screen readers read line by line and Tab reaches, with each line's
// location in a tip of its own.
#include "platform/win32/Win32Platform.h"

#include <commctrl.h>
#include <windowsx.h>

#include "platform/win32/Text.h"

namespace {
constexpr int kRows = 4;
}  // namespace

// Four of its lines, in the calendar's font, at the window's scale.
float Win32Platform::EventList::Height() {
    const auto line = static_cast<int>(SendMessageW(hwnd, LB_GETITEMHEIGHT, 0, 0));
    return w.ToTwips(kRows * (line > 0 ? line : 16));
}

int32_t Win32Platform::EventList::Rows() { return kRows; }

void Win32Platform::EventList::Move(float left, float top, float width, float height) {
    MoveWindow(hwnd, w.ToPixels(left), w.ToPixels(top), w.ToPixels(width), w.ToPixels(height), TRUE);
}

void Win32Platform::EventList::SetVisible(bool shown) { ShowWindow(hwnd, shown ? SW_SHOWNA : SW_HIDE); }

void Win32Platform::EventList::SetLines(const std::vector<ListLine>& wanted) {
    if (wanted == lines) return;
    lines = wanted;
    SendMessageW(hwnd, WM_SETREDRAW, FALSE, 0);
    SendMessageW(hwnd, LB_RESETCONTENT, 0, 0);
    for (const ListLine& line : lines)
        SendMessageW(hwnd, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide_text::Utf16(line.text).c_str()));
    SendMessageW(hwnd, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(hwnd, nullptr, TRUE);
    hot = -1;
    ShowTipOf(-1);
}

void Win32Platform::EventList::SetSelected(int32_t line) { SendMessageW(hwnd, LB_SETCURSEL, line, 0); }

// The tip follows the line under the pointer; a line without a location has none.
void Win32Platform::EventList::ShowTipOf(int line) {
    if (!tip || line == hot) return;
    hot = line;
    const std::wstring text =
        line >= 0 && static_cast<size_t>(line) < lines.size() ? wide_text::Utf16(lines[line].tip) : std::wstring();
    TOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V1_SIZE;
    tool.hwnd = w.hwnd_;
    tool.uId = reinterpret_cast<UINT_PTR>(hwnd);
    tool.lpszText = const_cast<wchar_t*>(text.c_str());
    // A tool without text shows no tip; the other tools' tips stay as they are.
    SendMessageW(tip, TTM_POP, 0, 0);
    SendMessageW(tip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
}

LRESULT Win32Platform::OnListMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_MOUSEMOVE) {
        // The nearest line, which under the last one is no line at all.
        const POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        const auto item = SendMessageW(hwnd, LB_ITEMFROMPOINT, 0, MAKELPARAM(at.x, at.y));
        RECT line{};
        const bool on = !HIWORD(item) &&
                        SendMessageW(hwnd, LB_GETITEMRECT, LOWORD(item), reinterpret_cast<LPARAM>(&line)) != LB_ERR &&
                        PtInRect(&line, at);
        eventList_.ShowTipOf(on ? LOWORD(item) : -1);
    }
    return CallWindowProcW(eventList_.classProc, hwnd, message, wParam, lParam);
}

// In dark mode the list has the calendar's dark surface; otherwise the
// system's list colours, a high-contrast scheme's among them.
LRESULT Win32Platform::OnCtlColorList(HWND list, HDC dc) {
    if (!dark_.applied)
        return DefWindowProcW(hwnd_, WM_CTLCOLORLISTBOX, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(list));
    const contrast::Scheme scheme = CurrentScheme();
    const std::optional<contrast::CalendarColours> colours = contrast::CalendarPaint(scheme);
    SetTextColor(dc, static_cast<COLORREF>(colours ? colours->text : contrast::kWhite));
    SetBkColor(dc, static_cast<COLORREF>(contrast::WindowBackground(scheme)));
    return reinterpret_cast<LRESULT>(dark_.background);
}
