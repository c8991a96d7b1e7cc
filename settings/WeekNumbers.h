#pragma once
#include <string>

// Whether the calendar shows the weeks' numbers, as the stored text value
// "weekNumbers" beside "left" and "top" says: "1" shown, "0" not; absent or
// anything else, shown, as the calendar always has.
namespace week_numbers {

inline bool FromStored(const std::string& stored) { return stored != "0"; }
inline std::string StoredText(bool shown) { return shown ? "1" : "0"; }

}  // namespace week_numbers
