#include "tray/NotifyIconRecord.h"

#include <algorithm>

using shell_layout::GetInt32;
using shell_layout::PutInt32;

NotifyIconRecord BuildNotifyIconData(int32_t hWnd, int32_t uID, int32_t uFlags, int32_t uCallbackMessage,
                                     int32_t hIcon, const std::u16string& tip) {
    NotifyIconRecord record;
    record.cbSize = shell::kRecordSize;
    record.hWnd = hWnd;
    record.uID = uID;
    record.uFlags = uFlags;
    record.uCallbackMessage = uCallbackMessage;
    record.hIcon = hIcon;

    // Fixed-length assignment of tip + NUL: blank-padded, or cut at 64.
    std::u16string text = tip;
    text.push_back(u'\0');
    record.szTip.fill(u' ');
    std::copy_n(text.begin(), std::min(text.size(), record.szTip.size()), record.szTip.begin());
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
        const char16_t c = record.szTip[i];
        buffer[shell_layout::kSzTip + i] = c < 0x100 ? static_cast<uint8_t>(c) : static_cast<uint8_t>('?');
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
    for (size_t i = 0; i < record.szTip.size(); ++i) record.szTip[i] = buffer[shell_layout::kSzTip + i];
    return record;
}

int32_t Shell_NotifyIconA(PlatformServices& platform, int32_t dwMessage, NotifyIconRecord& record) {
    ShellNotifyIconBuffer buffer = ToShellLayout(record);
    const int32_t result = platform.Shell_NotifyIconA(dwMessage, buffer);
    record = FromShellLayout(buffer);
    return result;
}
