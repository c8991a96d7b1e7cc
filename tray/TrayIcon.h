#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "clock/Weeks.h"
#include "platform/PlatformServices.h"

namespace tray {

constexpr int32_t kIconId = 1;
// The callback is the window system's own pointer-movement message, so the
// shell's notifications arrive as mouse moves of the window.
constexpr int32_t kCallbackMessage = 512;
constexpr int32_t kLeftButtonDown = 513;
// The right button's release opens the menu. For an icon of this first kind
// the shell reports the keyboard's Enter, Space, Shift+F10 and Menu key on it
// as a right press and release too.
constexpr int32_t kRightButtonUp = 517;
// The user clicked the icon's notification (the shell's NIN_BALLOONUSERCLICK).
constexpr int32_t kNotificationClick = 1029;

// The items of the icon's menu, by id.
enum MenuCommand : int32_t {
    kShowOrHide = 1,
    kHelp = 2,
    kStartAtSignIn = 3,
    kClose = 4,
    kSettings = 5,
    kRefreshCalendars = 6,
};

// True when the shell has the icon: it took the addition, or it still held
// the icon from before and took the record as a change. The shell refuses
// icons while it is still starting (at log-on), and a new taskbar announced
// after a change of DPI keeps the icons it had.
bool AddIcon(PlatformServices& platform, const std::string& tip, int32_t hIcon);
// A new tip or image for the icon the shell holds; false where it holds none.
bool ChangeIcon(PlatformServices& platform, const std::string& tip, int32_t hIcon);

// The number the icon shows: this week's by the counting, today's day of the
// month, or none (0) for the designed icon.
int32_t IconNumber(IconShows shows, CalendarDate today, weeks::Counting counting);
void RemoveIcon(PlatformServices& platform);

// The mouse event the shell reported, decoded from the window's mouse-move X:
// X and twips-per-pixel rounded to integers, then divided.
int32_t DecodeCallback(float x, float twipsPerPixelX);

// A left press on the icon: hide a shown window, or show and activate a
// hidden one. Returns the mouse event decoded, for the caller to act on the
// others it wants.
int32_t OnWindowMouseMove(PlatformServices& platform, float x);

// What the left press does: decided by the window state alone.
bool IsHidden(PlatformServices& platform);
void Toggle(PlatformServices& platform);

// The icon's menu, in the user's language, for a window hidden or shown,
// with or without the help box open, starting at sign-in or not. The first
// item, the default, does what the left press does, and names the shortcut
// that does it too, after a tab as menus do (none: no shortcut). With
// calendars to read, the menu can read them again.
std::vector<MenuItem> MenuItems(const Texts& texts, bool hidden, bool helpOpen, bool startsAtSignIn,
                                const std::string& shortcut = "", bool hasCalendars = false);

// The keyboard back to the notification area, after a menu closed with Esc.
void ReturnFocus(PlatformServices& platform);

}  // namespace tray
