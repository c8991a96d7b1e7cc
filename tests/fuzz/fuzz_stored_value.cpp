// Whatever text sits in the store as "left" and "top", start-up completes and
// places the window at a finite position.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

#include "app/frmCalendar.h"
#include "tests/unit/PlatformDouble.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const size_t split = input.find('\n');
    PlatformDouble platform;
    frmCalendar form(platform);
    platform.events = &form;
    platform.Store("left", input.substr(0, split));
    if (split != std::string::npos) platform.Store("top", input.substr(split + 1));

    form.Form_Load();  // any RuntimeError escaping here is a crash report

    if (!std::isfinite(platform.form.left) || !std::isfinite(platform.form.top)) __builtin_trap();
    if (platform.trayIcons.size() != 1) __builtin_trap();
    return 0;
}
