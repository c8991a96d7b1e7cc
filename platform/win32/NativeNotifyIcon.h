#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "platform/PlatformServices.h"

// The shell's own notify-icon record, field by field from the program's
// buffer and back, in whatever layout the compiler gives it: on x86 the
// buffer's own as far as the tip, on x64 with 8-byte handles at aligned
// offsets. Native is that record's type and firstFormSize the size of the
// form the buffer stands for (NOTIFYICONDATAW_V2_SIZE), which the buffer's
// own size stands for. toHandle and toIcon widen the buffer's 32-bit
// handles; handleBits narrows one back.
namespace native_notify_icon {

template <typename Native, typename ToHandle, typename ToIcon>
Native FromBuffer(const ShellNotifyIconBuffer& data, uint32_t firstFormSize, ToHandle toHandle, ToIcon toIcon) {
    using namespace shell_layout;
    Native record{};
    const int32_t size = GetInt32(data, kCbSize);
    record.cbSize = size == static_cast<int32_t>(data.size()) ? firstFormSize : static_cast<uint32_t>(size);
    record.hWnd = toHandle(GetInt32(data, kHWnd));
    record.uID = static_cast<uint32_t>(GetInt32(data, kUID));
    record.uFlags = static_cast<uint32_t>(GetInt32(data, kUFlags));
    record.uCallbackMessage = static_cast<uint32_t>(GetInt32(data, kUCallbackMessage));
    record.hIcon = toIcon(GetInt32(data, kHIcon));
    static_assert(sizeof record.szTip >= kTipBytes);
    std::memcpy(record.szTip, data.data() + kSzTip, kTipBytes);
    return record;
}

template <typename Native, typename HandleBits>
void ToBuffer(const Native& record, uint32_t firstFormSize, HandleBits handleBits, ShellNotifyIconBuffer& data) {
    using namespace shell_layout;
    PutInt32(data, kCbSize,
             record.cbSize == firstFormSize ? static_cast<int32_t>(data.size()) : static_cast<int32_t>(record.cbSize));
    PutInt32(data, kHWnd, handleBits(record.hWnd));
    PutInt32(data, kUID, static_cast<int32_t>(record.uID));
    PutInt32(data, kUFlags, static_cast<int32_t>(record.uFlags));
    PutInt32(data, kUCallbackMessage, static_cast<int32_t>(record.uCallbackMessage));
    PutInt32(data, kHIcon, handleBits(record.hIcon));
    std::memcpy(data.data() + kSzTip, record.szTip, kTipBytes);
}

}  // namespace native_notify_icon
