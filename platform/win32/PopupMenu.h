#pragma once
#include <windows.h>

#include <vector>

#include "platform/PlatformServices.h"

// The notification icon's shortcut menu, drawn by the system (so at the
// display's scale and in its colour scheme) and tracked as Windows requires
// for a menu of a notification icon.
namespace popup_menu {

// Shows the items for the icon (owner, iconId) and returns the id chosen, 0
// for a click elsewhere, kMenuEscaped for Esc. pointer: where the shell's
// event happened; the menu opens there, or at the icon when the pointer is
// not on it (the keyboard opened the menu).
int32_t Show(HWND owner, UINT iconId, const std::vector<MenuItem>& items, POINT pointer);

}  // namespace popup_menu
