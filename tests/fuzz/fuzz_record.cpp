// The shell's 88-byte layout converts to the record and back unchanged, and a
// record built from any tip is 88 bytes with its NUL where it belongs.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>

#include "tray/NotifyIconRecord.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size >= 88) {
        ShellNotifyIconBuffer buffer;
        std::copy_n(data, buffer.size(), buffer.begin());
        if (ToShellLayout(FromShellLayout(buffer)) != buffer) __builtin_trap();
    }

    std::u16string tip;
    for (size_t i = 0; i + 1 < size; i += 2) tip.push_back(static_cast<char16_t>(data[i] | data[i + 1] << 8));
    const NotifyIconRecord record = BuildNotifyIconData(1, 2, 3, 4, 5, tip);
    if (record.cbSize != 88) __builtin_trap();
    const size_t kept = std::min<size_t>(tip.size(), 64);
    if (!std::equal(tip.begin(), tip.begin() + static_cast<std::ptrdiff_t>(kept), record.szTip.begin())) __builtin_trap();
    if (tip.size() < 64) {
        if (record.szTip[tip.size()] != u'\0') __builtin_trap();
        for (size_t i = tip.size() + 1; i < 64; ++i)
            if (record.szTip[i] != u' ') __builtin_trap();
    }
    const ShellNotifyIconBuffer layout = ToShellLayout(record);
    if (layout[0] != 88 || layout[1] || layout[2] || layout[3]) __builtin_trap();
    return 0;
}
