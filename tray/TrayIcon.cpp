#include "tray/TrayIcon.h"

#include "platform/Numeric.h"
#include "tray/NotifyIconRecord.h"

namespace tray {

namespace {

constexpr int32_t kAllFlags = shell::kNifMessage + shell::kNifIcon + shell::kNifTip;
// The delete record names no callback of ours; the shell finds the icon by
// window and id alone.
constexpr int32_t kDeleteCallbackMessage = 1;
constexpr int16_t kNormal = 0;
constexpr int16_t kMinimized = 1;

}  // namespace

bool AddIcon(PlatformServices& platform, const std::string& tip, int32_t hIcon) {
    NotifyIconRecord record =
        BuildNotifyIconData(platform.Me().hWnd(), kIconId, kAllFlags, kCallbackMessage, hIcon, Utf16(tip));
    if (Shell_NotifyIconW(platform, shell::kNimAdd, record) != 0) return true;
    // As a change, in a record of its own: the call handed back whatever the
    // shell left in this one.
    return ChangeIcon(platform, tip, hIcon);
}

bool ChangeIcon(PlatformServices& platform, const std::string& tip, int32_t hIcon) {
    NotifyIconRecord record =
        BuildNotifyIconData(platform.Me().hWnd(), kIconId, kAllFlags, kCallbackMessage, hIcon, Utf16(tip));
    return Shell_NotifyIconW(platform, shell::kNimModify, record) != 0;
}

void RemoveIcon(PlatformServices& platform) {
    const int32_t hWnd = platform.Me().hWnd();
    const int32_t hIcon = platform.Me().IconHandle();
    NotifyIconRecord record = BuildNotifyIconData(hWnd, kIconId, kAllFlags, kDeleteCallbackMessage, hIcon, u"");
    Shell_NotifyIconW(platform, shell::kNimDelete, record);
}

int32_t IconNumber(IconShows shows, CalendarDate today, weeks::Counting counting) {
    switch (shows) {
        case IconShows::Week: return weeks::WeekOfYear(today, counting);
        case IconShows::Day: return today.day;
        case IconShows::Calendar: break;
    }
    return 0;
}

int32_t DecodeCallback(float x, float twipsPerPixelX) {
    return numeric::DivideTruncating(numeric::ToLong(x), numeric::ToLong(twipsPerPixelX));
}

int32_t OnWindowMouseMove(PlatformServices& platform, float x) {
    const float twipsPerPixelX = platform.Screen().TwipsPerPixelX();
    const int32_t event = DecodeCallback(x, twipsPerPixelX);
    if (event == kLeftButtonDown) Toggle(platform);
    return event;
}

bool IsHidden(PlatformServices& platform) { return platform.Me().WindowState() == kMinimized; }

void Toggle(PlatformServices& platform) {
    FormObject& me = platform.Me();
    if (me.WindowState() == kMinimized) {
        me.SetWindowState(kNormal);
        me.SetVisible(numeric::True);
        int32_t processId = 0;
        platform.GetWindowThreadProcessId(me.hWnd(), processId);
        platform.AppActivate(processId);
    } else {
        me.SetWindowState(kMinimized);
        me.SetVisible(numeric::False);
    }
}

std::vector<MenuItem> MenuItems(const Texts& texts, bool hidden, bool helpOpen, bool startsAtSignIn,
                                const std::string& shortcut, bool hasCalendars) {
    const std::string toggle = texts.Text(hidden ? TextId::ShowCalendar : TextId::HideCalendar);
    std::vector<MenuItem> items{
        {kShowOrHide, shortcut.empty() ? toggle : toggle + "\t" + shortcut, true, false, true},
        {kHelp, texts.Text(TextId::Help), false, false, !helpOpen},  // one help box at a time
        {},
        {kStartAtSignIn, texts.Text(TextId::StartAtSignIn), false, startsAtSignIn, true},
        {kSettings, texts.Text(TextId::Settings), false, false, true},
        {},
        {kClose, texts.Text(TextId::Close), false, false, true},
    };
    if (hasCalendars) items.insert(items.begin() + 2, {kRefreshCalendars, texts.Text(TextId::RefreshCalendars)});
    return items;
}

void ReturnFocus(PlatformServices& platform) {
    NotifyIconRecord record = BuildNotifyIconData(platform.Me().hWnd(), kIconId, 0, 0, 0, u"");
    Shell_NotifyIconW(platform, shell::kNimSetFocus, record);
}

}  // namespace tray
