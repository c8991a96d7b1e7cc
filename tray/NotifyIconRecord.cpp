#include "tray/NotifyIconRecord.h"

#include <algorithm>

namespace {

constexpr size_t kTipOffset = 24;

void PutInt32(ShellNotifyIconBuffer& buffer, size_t offset, int32_t value) {
    const auto bits = static_cast<uint32_t>(value);
    for (size_t i = 0; i < 4; ++i) buffer[offset + i] = static_cast<uint8_t>(bits >> (8 * i));
}

int32_t GetInt32(const ShellNotifyIconBuffer& buffer, size_t offset) {
    uint32_t bits = 0;
    for (size_t i = 0; i < 4; ++i) bits |= static_cast<uint32_t>(buffer[offset + i]) << (8 * i);
    return static_cast<int32_t>(bits);
}

}  // namespace

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
    PutInt32(buffer, 0, record.cbSize);
    PutInt32(buffer, 4, record.hWnd);
    PutInt32(buffer, 8, record.uID);
    PutInt32(buffer, 12, record.uFlags);
    PutInt32(buffer, 16, record.uCallbackMessage);
    PutInt32(buffer, 20, record.hIcon);
    for (size_t i = 0; i < record.szTip.size(); ++i) {
        const char16_t c = record.szTip[i];
        buffer[kTipOffset + i] = c < 0x100 ? static_cast<uint8_t>(c) : static_cast<uint8_t>('?');
    }
    return buffer;
}

NotifyIconRecord FromShellLayout(const ShellNotifyIconBuffer& buffer) {
    NotifyIconRecord record;
    record.cbSize = GetInt32(buffer, 0);
    record.hWnd = GetInt32(buffer, 4);
    record.uID = GetInt32(buffer, 8);
    record.uFlags = GetInt32(buffer, 12);
    record.uCallbackMessage = GetInt32(buffer, 16);
    record.hIcon = GetInt32(buffer, 20);
    for (size_t i = 0; i < record.szTip.size(); ++i) record.szTip[i] = buffer[kTipOffset + i];
    return record;
}

int32_t Shell_NotifyIconA(PlatformServices& platform, int32_t dwMessage, NotifyIconRecord& record) {
    ShellNotifyIconBuffer buffer = ToShellLayout(record);
    const int32_t result = platform.Shell_NotifyIconA(dwMessage, buffer);
    record = FromShellLayout(buffer);
    return result;
}
