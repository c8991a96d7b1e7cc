#include "tray/NotifyIconRecord.h"

#include <algorithm>

using shell_layout::GetInt32;
using shell_layout::PutInt32;

NotifyIconRecord BuildNotifyIconData(int32_t hWnd, int32_t uID, int32_t uFlags, int32_t uCallbackMessage, int32_t hIcon,
                                     const std::u16string& tip) {
    NotifyIconRecord record;
    record.cbSize = shell::kRecordSize;
    record.hWnd = hWnd;
    record.uID = uID;
    record.uFlags = uFlags;
    record.uCallbackMessage = uCallbackMessage;
    record.hIcon = hIcon;

    // Fixed-length assignment of tip + NUL, blank-padded. A tip too long is
    // cut so that the NUL still fits, and never between the two halves of a
    // character that takes two units.
    size_t kept = std::min(tip.size(), record.szTip.size() - 1);
    if (kept < tip.size() && kept > 0 && tip[kept - 1] >= 0xD800 && tip[kept - 1] <= 0xDBFF) --kept;
    record.szTip.fill(u' ');
    std::copy_n(tip.begin(), kept, record.szTip.begin());
    record.szTip[kept] = u'\0';
    return record;
}

ShellNotifyIconBuffer ToShellLayout(const NotifyIconRecord& record) {
    ShellNotifyIconBuffer buffer{};
    PutInt32(buffer, shell_layout::kCbSize, record.cbSize);
    PutInt32(buffer, shell_layout::kHWnd, record.hWnd);
    PutInt32(buffer, shell_layout::kUID, record.uID);
    PutInt32(buffer, shell_layout::kUFlags, record.uFlags);
    PutInt32(buffer, shell_layout::kUCallbackMessage, record.uCallbackMessage);
    PutInt32(buffer, shell_layout::kHIcon, record.hIcon);
    for (size_t i = 0; i < record.szTip.size(); ++i) {
        buffer[shell_layout::kSzTip + 2 * i] = static_cast<uint8_t>(record.szTip[i]);
        buffer[shell_layout::kSzTip + 2 * i + 1] = static_cast<uint8_t>(record.szTip[i] >> 8);
    }
    return buffer;
}

NotifyIconRecord FromShellLayout(const ShellNotifyIconBuffer& buffer) {
    NotifyIconRecord record;
    record.cbSize = GetInt32(buffer, shell_layout::kCbSize);
    record.hWnd = GetInt32(buffer, shell_layout::kHWnd);
    record.uID = GetInt32(buffer, shell_layout::kUID);
    record.uFlags = GetInt32(buffer, shell_layout::kUFlags);
    record.uCallbackMessage = GetInt32(buffer, shell_layout::kUCallbackMessage);
    record.hIcon = GetInt32(buffer, shell_layout::kHIcon);
    for (size_t i = 0; i < record.szTip.size(); ++i)
        record.szTip[i] =
            static_cast<char16_t>(buffer[shell_layout::kSzTip + 2 * i] | buffer[shell_layout::kSzTip + 2 * i + 1] << 8);
    return record;
}

int32_t Shell_NotifyIconW(PlatformServices& platform, int32_t dwMessage, NotifyIconRecord& record) {
    ShellNotifyIconBuffer buffer = ToShellLayout(record);
    const int32_t result = platform.Shell_NotifyIconW(dwMessage, buffer);
    record = FromShellLayout(buffer);
    return result;
}
