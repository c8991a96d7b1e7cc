// The shell's wide layout converts to the record and back unchanged, and a
// record built from any tip is 280 bytes with its NUL where it belongs, never
// after half a character. The buffer also goes through the shell's native
// record and back unchanged, in the x86 layout and in the x64 one (handles
// widened by sign extension).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/win32/NativeNotifyIcon.h"
#include "tray/NotifyIconRecord.h"

namespace {

// NOTIFYICONDATAW as far as the tip, as the x86 and x64 compilers lay it out
// (the Win32 layer asserts the same offsets of the real one).
struct NativeX86 {
    uint32_t cbSize;
    uint32_t hWnd;
    uint32_t uID, uFlags, uCallbackMessage;
    uint32_t hIcon;
    char16_t szTip[128];
};
struct NativeX64 {
    uint32_t cbSize;
    uint64_t hWnd;
    uint32_t uID, uFlags, uCallbackMessage;
    uint64_t hIcon;
    char16_t szTip[128];
};
static_assert(offsetof(NativeX86, szTip) == 24 && offsetof(NativeX64, hWnd) == 8 && offsetof(NativeX64, szTip) == 40);

template <typename Native, typename Handle>
void ThroughNative(const ShellNotifyIconBuffer& buffer, uint32_t firstFormSize) {
    auto widen = [](int32_t bits) { return static_cast<Handle>(static_cast<int64_t>(bits)); };
    auto narrow = [](Handle handle) { return static_cast<int32_t>(static_cast<int64_t>(handle)); };
    const Native native = native_notify_icon::FromBuffer<Native>(buffer, firstFormSize, widen, widen);
    if (native.hWnd != widen(shell_layout::GetInt32(buffer, shell_layout::kHWnd))) __builtin_trap();
    if (native.uCallbackMessage !=
        static_cast<uint32_t>(shell_layout::GetInt32(buffer, shell_layout::kUCallbackMessage)))
        __builtin_trap();
    if ((shell_layout::GetInt32(buffer, shell_layout::kCbSize) == 280) != (native.cbSize == firstFormSize))
        __builtin_trap();
    ShellNotifyIconBuffer back{};
    native_notify_icon::ToBuffer(native, firstFormSize, narrow, back);
    if (back != buffer) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size >= 280) {
        ShellNotifyIconBuffer buffer;
        std::copy_n(data, buffer.size(), buffer.begin());
        if (ToShellLayout(FromShellLayout(buffer)) != buffer) __builtin_trap();
        // A record that claims the native size is not one the program sends;
        // it would not come back as itself.
        const int32_t size = shell_layout::GetInt32(buffer, shell_layout::kCbSize);
        if (size != 952) ThroughNative<NativeX64, uint64_t>(buffer, 952);
        if (size != 936) ThroughNative<NativeX86, uint32_t>(buffer, 936);
    }

    std::u16string tip;
    for (size_t i = 0; i + 1 < size; i += 2) tip.push_back(static_cast<char16_t>(data[i] | data[i + 1] << 8));
    const NotifyIconRecord record = BuildNotifyIconData(1, 2, 3, 4, 5, tip);
    if (record.cbSize != 280) __builtin_trap();
    // The tip, then its NUL, then blanks: all of it, or cut at 127 units or,
    // where that would split a character, at 126.
    const bool splits = tip.size() > 127 && tip[126] >= 0xD800 && tip[126] <= 0xDBFF;
    const size_t kept = std::min<size_t>(tip.size(), splits ? 126 : 127);
    if (record.szTip[kept] != u'\0') __builtin_trap();
    if (!std::equal(tip.begin(), tip.begin() + static_cast<std::ptrdiff_t>(kept), record.szTip.begin()))
        __builtin_trap();
    for (size_t i = kept + 1; i < record.szTip.size(); ++i)
        if (record.szTip[i] != u' ') __builtin_trap();
    const ShellNotifyIconBuffer layout = ToShellLayout(record);
    if (layout[0] != 24 || layout[1] != 1 || layout[2] || layout[3]) __builtin_trap();
    return 0;
}
