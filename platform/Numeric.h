#pragma once
#include <cstdint>
#include <optional>
#include <string>

// The arithmetic every handler shares. Geometry is held in 32-bit floats and
// each operation is rounded to float before the next one, in the order the
// expression is written; a result too large for a float is an overflow error
// rather than an infinity that would end up as a window coordinate.
namespace numeric {

using Single = float;

constexpr int16_t True = -1;
constexpr int16_t False = 0;

Single Add(Single a, Single b);
Single Sub(Single a, Single b);

// To a signed 32-bit integer: nearest, exact halves to the even neighbour,
// overflow outside the range.
int32_t ToLong(Single value);

// Integer division truncated toward zero; by zero is an error, not a crash.
int32_t DivideTruncating(int32_t dividend, int32_t divisor);

// Decimal text of an integer, the same in every locale (one conversion for
// all the program's integers: std::to_string's take a table each).
std::string IntegerText(int64_t value);
std::string UnsignedText(uint64_t value);

// The forms of a stored number that read and write alike in every locale:
// a whole number of up to seven digits, no sign, nothing around it. Every
// other form takes the locale's own conversion (none here).
std::optional<Single> PlainWholeNumber(const std::string& text);
std::optional<std::string> PlainWholeText(Single value);

}  // namespace numeric
