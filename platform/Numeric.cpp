#include "platform/Numeric.h"

#include <cfenv>
#include <charconv>
#include <cmath>
#include <limits>

#include "platform/RuntimeError.h"

namespace numeric {

namespace {
Single Checked(Single result) {
    if (!std::isfinite(result)) throw RuntimeError::Overflow();
    return result;
}
}  // namespace

Single Add(Single a, Single b) { return Checked(a + b); }
Single Sub(Single a, Single b) { return Checked(a - b); }

int32_t ToLong(Single value) {
    // std::nearbyint follows the rounding mode, which is round-to-nearest-even
    // unless someone changed it; say so explicitly rather than rely on it.
    const int saved = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double rounded = std::nearbyint(static_cast<double>(value));
    std::fesetround(saved);
    if (!(rounded >= static_cast<double>(std::numeric_limits<int32_t>::min()) &&
          rounded <= static_cast<double>(std::numeric_limits<int32_t>::max())))
        throw RuntimeError::Overflow();
    return static_cast<int32_t>(rounded);
}

int32_t DivideTruncating(int32_t dividend, int32_t divisor) {
    if (divisor == 0) throw RuntimeError::DivisionByZero();
    if (dividend == std::numeric_limits<int32_t>::min() && divisor == -1) throw RuntimeError::Overflow();
    return dividend / divisor;
}

std::string IntegerText(int64_t value) {
    char text[24];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    return std::string(text, end);
}

std::string UnsignedText(uint64_t value) {
    char text[24];
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    return std::string(text, end);
}

std::optional<Single> PlainWholeNumber(const std::string& text) {
    if (text.empty() || text.size() > 7) return std::nullopt;
    int32_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return static_cast<Single>(value);
}

std::optional<std::string> PlainWholeText(Single value) {
    if (!(value >= 0 && value < 1e7f) || std::signbit(value) || value != std::floor(value)) return std::nullopt;
    return IntegerText(static_cast<int32_t>(value));
}

}  // namespace numeric
