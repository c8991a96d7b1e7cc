// The Settings window: a dialog of Windows' own (resources/vrlCalendar.rc.in),
// modeless, topmost as the calendar is, and owned by no window: Windows
// hides an owned window while its owner is minimised, and the calendar hides
// by minimising. Without an owner to take it along, it is closed when the
// logic says (CloseSettings, at the calendar's unload). It shows what the
// logic hands it and hands back what the user chose; whether a shortcut can
// be had, and what OK changes, is the logic's.
#include "platform/win32/Win32Platform.h"
#include <commdlg.h>

#include <algorithm>
#include <initializer_list>
#include <iterator>
#include <type_traits>

#include "platform/Numeric.h"
#include "platform/RuntimeError.h"
#include "platform/win32/OptionalFunction.h"
#include "platform/win32/Text.h"
#include "resources/resource.h"

namespace {

constexpr int kGap = 8;  // pixels between the calendar and the window

struct ModifierBox {
    int control;
    int32_t bit;  // the window system's
    TextId name;
};
constexpr ModifierBox kModifierBoxes[] = {{IDC_CTRL, 2, TextId::KeyCtrl},
                                          {IDC_ALT, 1, TextId::KeyAlt},
                                          {IDC_SHIFT, 4, TextId::KeyShift},
                                          {IDC_WIN, 8, TextId::KeyWin}};
// "Remind me:"'s entries, in the order the list shows them.
constexpr RemindMe kRemindChoices[] = {RemindMe::Calendar, RemindMe::Before5,  RemindMe::Before10, RemindMe::Before15,
                                       RemindMe::Before30, RemindMe::Before60, RemindMe::Never};

void SetText(HWND dialog, int control, const std::string& text) {
    SetDlgItemTextW(dialog, control, wide_text::Utf16(text).c_str());
}

// The calendars' list scrolls sideways as far as its longest line reaches,
// measured in its own font, at the scale the window has now.
void FitCalendarLines(HWND list) {
    HDC dc = GetDC(list);
    if (!dc) return;
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(list, WM_GETFONT, 0, 0)));
    LONG widest = 0;
    const auto count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        std::wstring line(static_cast<size_t>(std::max<LRESULT>(SendMessageW(list, LB_GETTEXTLEN, i, 0), 0)) + 1,
                          L'\0');
        const auto length = SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(line.data()));
        SIZE size{};
        if (length > 0 && GetTextExtentPoint32W(dc, line.c_str(), static_cast<int>(length), &size))
            widest = std::max(widest, size.cx);
    }
    SelectObject(dc, old);
    ReleaseDC(list, dc);
    SendMessageW(list, LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(widest + 8), 0);
}

}  // namespace

void Win32Platform::ShowSettings(const SettingsChoice& choice, const std::string& status,
                                 const std::vector<NamedKey>& keys) {
    if (!IsWindow(hwnd_)) return;  // the calendar closed meanwhile
    if (!settingsWindow_.dialog) {
        settingsWindow_.choice = choice, settingsWindow_.status = status, settingsWindow_.keys = keys;
        settingsWindow_.calendars = choice.calendars;
        settingsWindow_.dialog = CreateDialogParamW(instance_, MAKEINTRESOURCEW(IDD_SETTINGS), nullptr, SettingsProc,
                                                    reinterpret_cast<LPARAM>(this));
        if (!settingsWindow_.dialog) throw RuntimeError::OutOfMemory();
    }
    ShowWindow(settingsWindow_.dialog, IsIconic(settingsWindow_.dialog) ? SW_RESTORE : SW_SHOW);
    SetForegroundWindow(settingsWindow_.dialog);
}

void Win32Platform::CloseSettings() {
    if (settingsWindow_.dialog) DestroyWindow(settingsWindow_.dialog);
}

INT_PTR CALLBACK Win32Platform::SettingsProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) SetWindowLongPtrW(dialog, DWLP_USER, lParam);
    auto* self = reinterpret_cast<Win32Platform*>(GetWindowLongPtrW(dialog, DWLP_USER));
    if (!self) return FALSE;
    try {
        switch (message) {
            case WM_INITDIALOG: self->OnSettingsInit(dialog); return TRUE;
            case WM_COMMAND: self->OnSettingsCommand(dialog, LOWORD(wParam), HIWORD(wParam)); return TRUE;
            case WM_CLOSE: DestroyWindow(dialog); return TRUE;
            case WM_DESTROY: self->settingsWindow_.dialog = nullptr; return TRUE;
        }
    } catch (...) {  // never into the window system
        self->ReportException(std::current_exception());
    }
    return FALSE;
}

void Win32Platform::OnSettingsInit(HWND dialog) {
    const SettingsChoice& choice = settingsWindow_.choice;
    SetWindowTextW(dialog, wide_text::Utf16(language_.Text(TextId::SettingsTitle)).c_str());
    SendMessageW(dialog, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
    SendMessageW(dialog, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_));
    SetText(dialog, IDC_SHORTCUT_LABEL, language_.Text(TextId::SettingsShortcut));
    for (const ModifierBox& box : kModifierBoxes) {
        // The key's name is its own access key: Alt+C ticks Ctrl.
        SetText(dialog, box.control, "&" + language_.Text(box.name));
        CheckDlgButton(dialog, box.control, choice.modifiers & box.bit ? BST_CHECKED : BST_UNCHECKED);
    }
    SetText(dialog, IDC_KEY_LABEL, language_.Text(TextId::SettingsKey));
    HWND list = GetDlgItem(dialog, IDC_KEY);
    for (const NamedKey& key : settingsWindow_.keys) {
        const auto at =
            SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide_text::Utf16(key.name).c_str()));
        SendMessageW(list, CB_SETITEMDATA, static_cast<WPARAM>(at), key.code);
        if (key.code == choice.keyCode) SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(at), 0);
    }
    SetText(dialog, IDC_STATUS, settingsWindow_.status);
    // Each list's entries in the order of the choice's values.
    const auto fill = [&](int label, TextId labelText, int list, std::initializer_list<TextId> entries, int32_t at) {
        SetText(dialog, label, language_.Text(labelText));
        for (const TextId entry : entries)
            SendDlgItemMessageW(dialog, list, CB_ADDSTRING, 0,
                                reinterpret_cast<LPARAM>(wide_text::Utf16(language_.Text(entry)).c_str()));
        SendDlgItemMessageW(dialog, list, CB_SETCURSEL, static_cast<WPARAM>(at), 0);
    };
    fill(IDC_WEEK_NUMBERS_LABEL, TextId::SettingsWeekNumbers, IDC_WEEK_NUMBERS,
         {TextId::WeeksNone, TextId::WeeksRegional, TextId::WeeksIso}, static_cast<int32_t>(choice.weekNumbers));
    fill(IDC_ICON_SHOWS_LABEL, TextId::SettingsIconShows, IDC_ICON_SHOWS,
         {TextId::IconCalendar, TextId::IconWeek, TextId::IconDay}, static_cast<int32_t>(choice.iconShows));
    fill(IDC_OPENS_ON_LABEL, TextId::SettingsOpensOn, IDC_OPENS_ON, {TextId::OpensLeft, TextId::OpensWorking},
         static_cast<int32_t>(choice.opensOn));
    fill(IDC_MONTHS_SHOWN_LABEL, TextId::SettingsMonthsShown, IDC_MONTHS_SHOWN,
         {TextId::MonthsOne, TextId::MonthsTwo, TextId::MonthsThree, TextId::MonthsTwoDown, TextId::MonthsThreeDown},
         static_cast<int32_t>(choice.monthsShown));
    SetText(dialog, IDC_START_AT_SIGN_IN, language_.Text(TextId::SettingsStartAtSignIn));
    CheckDlgButton(dialog, IDC_START_AT_SIGN_IN, choice.startAtSignIn ? BST_CHECKED : BST_UNCHECKED);
    SetText(dialog, IDC_CALENDARS_LABEL, language_.Text(TextId::SettingsCalendars));
    for (const std::string& line : choice.calendarLines)
        SendDlgItemMessageW(dialog, IDC_CALENDARS, LB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(wide_text::Utf16(line).c_str()));
    SendDlgItemMessageW(dialog, IDC_CALENDARS, LB_SETCURSEL, 0, 0);
    FitCalendarLines(GetDlgItem(dialog, IDC_CALENDARS));
    SetText(dialog, IDC_REMIND_ME_LABEL, language_.Text(TextId::SettingsRemindMe));
    for (const RemindMe each : kRemindChoices) {
        const std::string text =
            each == RemindMe::Calendar ? language_.Text(TextId::RemindCalendar)
            : each == RemindMe::Never
                ? language_.Text(TextId::RemindNever)
                : language_.Text(TextId::RemindBefore, numeric::IntegerText(static_cast<int>(each)));
        const auto at = SendDlgItemMessageW(dialog, IDC_REMIND_ME, CB_ADDSTRING, 0,
                                            reinterpret_cast<LPARAM>(wide_text::Utf16(text).c_str()));
        if (each == choice.remindMe) SendDlgItemMessageW(dialog, IDC_REMIND_ME, CB_SETCURSEL, at, 0);
    }
    SetText(dialog, IDC_ADD_FILE, language_.Text(TextId::SettingsAddFile));
    SetText(dialog, IDC_ADD_ADDRESS, language_.Text(TextId::SettingsAddAddress));
    SetText(dialog, IDC_REMOVE, language_.Text(TextId::SettingsRemove));
    SetText(dialog, IDOK, language_.Text(TextId::SettingsOK));
    SetText(dialog, IDCANCEL, language_.Text(TextId::SettingsCancel));
    // In dark mode the dialog is drawn as Windows draws its classic dialogs,
    // light, under a dark title bar where Windows has one.
    if (const std::optional<uint32_t> attribute = contrast::DarkTitleBarAttribute(WindowsBuild(), CurrentScheme())) {
        using SetAttributeFn = HRESULT(WINAPI*)(HWND, DWORD, LPCVOID, DWORD);
        static const auto setAttribute = OptionalFunction<SetAttributeFn>("dwmapi.dll", "DwmSetWindowAttribute");
        const BOOL dark = TRUE;
        if (setAttribute) setAttribute(dialog, *attribute, &dark, sizeof dark);
    }
    PlaceSettings(dialog);
}

// Beside the calendar, on the display that holds it (where it was shown
// last, when it is hidden), wholly inside that display's work area.
void Win32Platform::PlaceSettings(HWND dialog) {
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    GetWindowPlacement(hwnd_, &placement);  // a tool window's: in screen coordinates
    const RECT calendar = placement.rcNormalPosition;
    MONITORINFO display{};
    display.cbSize = sizeof display;
    GetMonitorInfoW(MonitorFromRect(&calendar, MONITOR_DEFAULTTONEAREST), &display);
    const RECT& work = display.rcWork;
    RECT own{};
    GetWindowRect(dialog, &own);
    const int width = own.right - own.left, height = own.bottom - own.top;
    int x = calendar.right - width;
    int y = calendar.bottom + kGap;
    if (y + height > work.bottom) y = calendar.top - kGap - height;
    x = std::max(static_cast<int>(work.left), std::min(x, static_cast<int>(work.right) - width));
    y = std::max(static_cast<int>(work.top), std::min(y, static_cast<int>(work.bottom) - height));
    ::SetWindowPos(dialog, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

SettingsChoice Win32Platform::SettingsChosen(HWND dialog) const {
    SettingsChoice choice;
    for (const ModifierBox& box : kModifierBoxes)
        if (IsDlgButtonChecked(dialog, box.control) == BST_CHECKED) choice.modifiers |= box.bit;
    HWND list = GetDlgItem(dialog, IDC_KEY);
    const auto selected = SendMessageW(list, CB_GETCURSEL, 0, 0);
    if (selected != CB_ERR) choice.keyCode = static_cast<int32_t>(SendMessageW(list, CB_GETITEMDATA, selected, 0));
    const auto picked = [dialog](int list, auto& value) {
        const auto at = SendDlgItemMessageW(dialog, list, CB_GETCURSEL, 0, 0);
        if (at != CB_ERR) value = static_cast<std::remove_reference_t<decltype(value)>>(at);
    };
    picked(IDC_WEEK_NUMBERS, choice.weekNumbers);
    picked(IDC_ICON_SHOWS, choice.iconShows);
    picked(IDC_OPENS_ON, choice.opensOn);
    picked(IDC_MONTHS_SHOWN, choice.monthsShown);
    choice.startAtSignIn = IsDlgButtonChecked(dialog, IDC_START_AT_SIGN_IN) == BST_CHECKED;
    const auto remind = SendDlgItemMessageW(dialog, IDC_REMIND_ME, CB_GETCURSEL, 0, 0);
    if (remind >= 0 && static_cast<size_t>(remind) < std::size(kRemindChoices))
        choice.remindMe = kRemindChoices[remind];
    choice.calendars = settingsWindow_.calendars;
    return choice;
}

void Win32Platform::OnSettingsCommand(HWND dialog, WORD control, WORD notification) {
    const bool shortcutChanged = (control >= IDC_CTRL && control <= IDC_WIN && notification == BN_CLICKED) ||
                                 (control == IDC_KEY && notification == CBN_SELCHANGE);
    std::string status;
    if (shortcutChanged) {
        SettingsChoice choice = SettingsChosen(dialog);
        Raise([&] { events_->Settings_ShortcutChange(choice.modifiers, choice.keyCode, status); });
        SetText(dialog, IDC_STATUS, status);
    } else if (control == IDOK) {
        SettingsChoice choice = SettingsChosen(dialog);
        int16_t cancel = 0;
        Raise([&] { events_->Settings_OK(choice, status, cancel); });
        if (!cancel)
            DestroyWindow(dialog);
        else
            SetText(dialog, IDC_STATUS, status);
    } else if (control == IDCANCEL) {
        DestroyWindow(dialog);
    } else if (notification == BN_CLICKED && (control == IDC_ADD_FILE || control == IDC_ADD_ADDRESS)) {
        if (std::optional<std::string> source = control == IDC_ADD_FILE ? PickCalendarFile(dialog) : AskAddress(dialog))
            AddCalendar(dialog, std::move(*source));
    } else if (notification == BN_CLICKED && control == IDC_REMOVE) {
        const auto at = SendDlgItemMessageW(dialog, IDC_CALENDARS, LB_GETCURSEL, 0, 0);
        if (at == LB_ERR || static_cast<size_t>(at) >= settingsWindow_.calendars.size()) return;
        settingsWindow_.calendars.erase(settingsWindow_.calendars.begin() + at);
        SendDlgItemMessageW(dialog, IDC_CALENDARS, LB_DELETESTRING, static_cast<WPARAM>(at), 0);
        const auto left = static_cast<LRESULT>(settingsWindow_.calendars.size());
        SendDlgItemMessageW(dialog, IDC_CALENDARS, LB_SETCURSEL, static_cast<WPARAM>(at < left ? at : left - 1), 0);
        SetText(dialog, IDC_CALENDAR_STATUS, "");
    }
}

// The logic says whether the calendar is one it can add, and what its line says.
void Win32Platform::AddCalendar(HWND dialog, std::string source) {
    std::string line, status;
    int16_t cancel = 0;
    std::vector<std::string> sources = settingsWindow_.calendars;
    Raise([&] { events_->Settings_CalendarAdd(sources, source, line, status, cancel); });
    SetText(dialog, IDC_CALENDAR_STATUS, status);
    if (cancel) return;
    settingsWindow_.calendars.push_back(source);
    const auto at = SendDlgItemMessageW(dialog, IDC_CALENDARS, LB_ADDSTRING, 0,
                                        reinterpret_cast<LPARAM>(wide_text::Utf16(line).c_str()));
    FitCalendarLines(GetDlgItem(dialog, IDC_CALENDARS));
    SendDlgItemMessageW(dialog, IDC_CALENDARS, LB_SETCURSEL, static_cast<WPARAM>(at), 0);
}

// Windows' own dialog for opening a file, looked up when it is first used:
// the calendar's start does not load the common dialogs.
std::optional<std::string> Win32Platform::PickCalendarFile(HWND dialog) {
    using GetOpenFileNameFn = BOOL(WINAPI*)(OPENFILENAMEW*);
    const auto open = OptionalFunction<GetOpenFileNameFn>("comdlg32.dll", "GetOpenFileNameW");
    if (!open) return std::nullopt;
    // Each kind of file as its name and its pattern, each ended by a NUL.
    std::wstring filter = wide_text::Utf16(language_.Text(TextId::FileDialogCalendars));
    filter.append(1, L'\0').append(L"*.ics").append(1, L'\0');
    filter.append(wide_text::Utf16(language_.Text(TextId::FileDialogAll))).append(1, L'\0');
    filter.append(L"*.*").append(1, L'\0');
    std::wstring path(32768, L'\0');
    OPENFILENAMEW request{};
    request.lStructSize = sizeof request;
    request.hwndOwner = dialog;
    request.lpstrFilter = filter.c_str();
    request.lpstrFile = path.data();
    request.nMaxFile = static_cast<DWORD>(path.size());
    request.lpstrDefExt = L"ics";
    request.Flags = OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
    if (!open(&request)) return std::nullopt;
    return wide_text::Utf8(std::wstring(path.c_str()));
}

std::optional<std::string> Win32Platform::AskAddress(HWND dialog) {
    std::optional<std::string> typed;
    struct Ask {
        Win32Platform* self;
        std::optional<std::string>* typed;
    } ask{this, &typed};
    DialogBoxParamW(instance_, MAKEINTRESOURCEW(IDD_ADDRESS), dialog, AddressProc, reinterpret_cast<LPARAM>(&ask));
    return typed;
}

INT_PTR CALLBACK Win32Platform::AddressProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    struct Ask {
        Win32Platform* self;
        std::optional<std::string>* typed;
    };
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        const Ask& ask = *reinterpret_cast<Ask*>(lParam);
        const Texts& texts = ask.self->language_;
        SetWindowTextW(dialog, wide_text::Utf16(texts.Text(TextId::AddressTitle)).c_str());
        SetText(dialog, IDC_ADDRESS_LABEL, texts.Text(TextId::AddressPrompt));
        SetText(dialog, IDOK, texts.Text(TextId::SettingsOK));
        SetText(dialog, IDCANCEL, texts.Text(TextId::SettingsCancel));
        return TRUE;
    }
    if (message != WM_COMMAND || (LOWORD(wParam) != IDOK && LOWORD(wParam) != IDCANCEL)) return FALSE;
    if (LOWORD(wParam) == IDOK) {
        const Ask& ask = *reinterpret_cast<Ask*>(GetWindowLongPtrW(dialog, DWLP_USER));
        HWND edit = GetDlgItem(dialog, IDC_ADDRESS);
        std::wstring text(static_cast<size_t>(GetWindowTextLengthW(edit)) + 1, L'\0');
        text.resize(static_cast<size_t>(GetWindowTextW(edit, text.data(), static_cast<int>(text.size()))));
        *ask.typed = wide_text::Utf8(text);
    }
    EndDialog(dialog, LOWORD(wParam));
    return TRUE;
}

// A read that ended while the window is open shows in its line at once.
void Win32Platform::SetSettingsCalendarLines(const std::vector<std::string>& sources,
                                             const std::vector<std::string>& lines) {
    HWND dialog = settingsWindow_.dialog;
    if (!dialog) return;
    HWND list = GetDlgItem(dialog, IDC_CALENDARS);
    const auto selected = SendMessageW(list, LB_GETCURSEL, 0, 0);
    for (size_t i = 0; i < sources.size() && i < lines.size(); ++i) {
        const auto at = std::find(settingsWindow_.calendars.begin(), settingsWindow_.calendars.end(), sources[i]);
        if (at == settingsWindow_.calendars.end()) continue;
        const auto index = static_cast<WPARAM>(at - settingsWindow_.calendars.begin());
        SendMessageW(list, LB_DELETESTRING, index, 0);
        SendMessageW(list, LB_INSERTSTRING, index, reinterpret_cast<LPARAM>(wide_text::Utf16(lines[i]).c_str()));
    }
    FitCalendarLines(list);
    SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(selected), 0);
}
