#pragma once
#include <array>
#include <cstdint>
#include <string>

#include "platform/PlatformServices.h"

// Shell operation codes and icon flags, named apart from the Windows headers'
// macros of the same meaning so both builds see one definition each.
namespace shell {
constexpr int32_t kNimAdd = 0;
constexpr int32_t kNimModify = 1;
constexpr int32_t kNimDelete = 2;
constexpr int32_t kNimSetFocus = 3;
constexpr int32_t kNifMessage = 1;
constexpr int32_t kNifIcon = 2;
constexpr int32_t kNifTip = 4;
constexpr int32_t kRecordSize = std::tuple_size_v<ShellNotifyIconBuffer>;
constexpr int32_t kTipLength = shell_layout::kTipUnits;
}  // namespace shell

// The notify-icon record as the program holds it; the tip is UTF-16 text of
// exactly 128 units: the tip, a NUL, then blanks.
struct NotifyIconRecord {
    int32_t cbSize = 0;
    int32_t hWnd = 0;
    int32_t uID = 0;
    int32_t uFlags = 0;
    int32_t uCallbackMessage = 0;
    int32_t hIcon = 0;
    std::array<char16_t, shell::kTipLength> szTip{};
};

NotifyIconRecord BuildNotifyIconData(int32_t hWnd, int32_t uID, int32_t uFlags, int32_t uCallbackMessage, int32_t hIcon,
                                     const std::u16string& tip);

// The shell's wide layout, little-endian, tip and all.
ShellNotifyIconBuffer ToShellLayout(const NotifyIconRecord& record);
NotifyIconRecord FromShellLayout(const ShellNotifyIconBuffer& buffer);

// Calls the shell with the record converted to its layout and converts back
// whatever the shell left there. The shell's result is returned unexamined.
int32_t Shell_NotifyIconW(PlatformServices& platform, int32_t dwMessage, NotifyIconRecord& record);
