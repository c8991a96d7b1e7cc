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

std::u16string Widen(const std::string& text) { return {text.begin(), text.end()}; }

}  // namespace

bool AddIcon(PlatformServices& platform) {
    const std::string tip = platform.MonthView1().ToolTipText();
    const int32_t hWnd = platform.Me().hWnd();
    const int32_t hIcon = platform.Me().IconHandle();
    NotifyIconRecord record =
        BuildNotifyIconData(hWnd, kIconId, kAllFlags, kCallbackMessage, hIcon, Widen(tip));
    if (Shell_NotifyIconA(platform, shell::kNimAdd, record) != 0) return true;
    // The call handed back whatever the shell left in the record: build it anew.
    record = BuildNotifyIconData(hWnd, kIconId, kAllFlags, kCallbackMessage, hIcon, Widen(tip));
    return Shell_NotifyIconA(platform, shell::kNimModify, record) != 0;
}

void RemoveIcon(PlatformServices& platform) {
    const int32_t hWnd = platform.Me().hWnd();
    const int32_t hIcon = platform.Me().IconHandle();
    NotifyIconRecord record = BuildNotifyIconData(hWnd, kIconId, kAllFlags, kDeleteCallbackMessage, hIcon, u"");
    Shell_NotifyIconA(platform, shell::kNimDelete, record);
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

std::vector<MenuItem> MenuItems(bool hidden, bool helpOpen, bool startsAtSignIn) {
    return {
        {kShowOrHide, hidden ? "Show calendar" : "Hide calendar", true, false, true},
        {kHelp, "Help", false, false, !helpOpen},  // one help box at a time
        {},
        {kStartAtSignIn, "Start when I sign in", false, startsAtSignIn, true},
        {},
        {kClose, "Close", false, false, true},
    };
}

void ReturnFocus(PlatformServices& platform) {
    NotifyIconRecord record = BuildNotifyIconData(platform.Me().hWnd(), kIconId, 0, 0, 0, u"");
    Shell_NotifyIconA(platform, shell::kNimSetFocus, record);
}

}  // namespace tray
