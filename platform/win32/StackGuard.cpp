// The stack protector's guard and its failure, which the compiler's checks
// call, defined here in place of GCC's libssp. libssp seeds the guard through
// the CryptoAPI: at every start that loads a cryptographic provider (and
// under Wine the TLS library behind it), a tenth of the time to the window.
// RtlGenRandom gives the same kind of random bytes straight from the system.
#include <windows.h>
#include <ntsecapi.h>

#include <cstdint>

extern "C" {

// Seeded before any protected function runs; until then it holds what MSVC's
// guard holds before its seeding, so that it is never zero.
uintptr_t __stack_chk_guard = sizeof(void*) == 8 ? static_cast<uintptr_t>(0x2B992DDFA232ULL) : 0xBB40E64EU;

// A return address was overwritten: the process ends at once, without
// running any more of its own code, as Windows ends a program whose /GS
// check fails.
[[noreturn]] void __stack_chk_fail() {
    constexpr unsigned kStackCookieCheckFailure = 2;  // FAST_FAIL_STACK_COOKIE_CHECK_FAILURE
    constexpr DWORD kFastFailAvailable = 23;          // PF_FASTFAIL_AVAILABLE, Windows 8 on
    if (IsProcessorFeaturePresent(kFastFailAvailable)) asm volatile("int $0x29" : : "c"(kStackCookieCheckFailure));
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(STATUS_STACK_BUFFER_OVERRUN));
    for (;;) {}
}

}  // extern "C"

namespace {

// Before every other constructor; it has no guarded frame of its own, since
// the bytes go straight into the guard.
__attribute__((constructor(101), no_stack_protector)) void SeedStackGuard() {
    uintptr_t seed = 0;
    if (!RtlGenRandom(&seed, sizeof seed) || seed == 0) return;  // keeps the fixed value
    __stack_chk_guard = seed;
}

}  // namespace
