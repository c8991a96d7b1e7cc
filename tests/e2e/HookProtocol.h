#pragma once
// What the inspector and the hook library it loads into the calendar agree
// on: each of the library's procedures, the message that sets it going and
// the event it signals once done, and the memory text comes back in.
#include <windows.h>

namespace hook_protocol {

struct Procedure {
    const char* name;     // exported by calendar_hook.dll
    const char* message;  // registered window message the inspector posts
    const char* done;     // event the procedure sets when it has run
};

constexpr Procedure kTakeScheme{"TakeScheme", "vrlCalendar e2e: take the colour scheme",
                                "vrlCalendar e2e: scheme taken"};
constexpr Procedure kReadMenu{"ReadMenu", "vrlCalendar e2e: read the menu", "vrlCalendar e2e: menu read"};
constexpr Procedure kCloseMenu{"CloseMenu", "vrlCalendar e2e: close the menu", "vrlCalendar e2e: menu closed"};
constexpr Procedure kReadTip{"ReadTip", "vrlCalendar e2e: read the tip", "vrlCalendar e2e: tip read"};
constexpr Procedure kReadNames{"ReadNames", "vrlCalendar e2e: read the names", "vrlCalendar e2e: names read"};
constexpr Procedure kChangeDpi{"ChangeDpi", "vrlCalendar e2e: change the scale", "vrlCalendar e2e: scale changed"};
constexpr Procedure kActivateTip{"ActivateTip", "vrlCalendar e2e: activate the tip", "vrlCalendar e2e: tip activated"};

constexpr char kSharedText[] = "vrlCalendar e2e: read";  // a file mapping of kSharedSize bytes
constexpr DWORD kSharedSize = 8192;

// Windows 8.1 on tell a window of a new scale with this message.
constexpr UINT kDpiChanged = 0x02E0;  // WM_DPICHANGED

}  // namespace hook_protocol
