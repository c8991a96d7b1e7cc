// vrlCalendar: a month calendar that floats above other windows and hides in
// the notification area.
#include <windows.h>

#include "app/frmCalendar.h"
#include "app/frmCalendarDesign.h"
#include "platform/win32/Win32Platform.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    Win32Platform::LoadLibrariesFromSystemOnly();
    Win32Platform platform(instance, kfrmCalendarDesign);
    frmCalendar form(platform);
    platform.Run(form);
}
