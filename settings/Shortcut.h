#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "texts/Texts.h"

// The keyboard shortcut that shows and hides the calendar from anywhere, as
// the user may name it in the stored text value "shortcut" beside "left" and
// "top": modifiers and one key joined by "+" ("Ctrl+Alt+K", "Win+Shift+F9"),
// or "none". Nothing but the user writes it.
namespace shortcut {

// The window system's modifier bits.
constexpr int32_t kAlt = 1, kCtrl = 2, kShift = 4, kWin = 8;

struct Shortcut {
    int32_t modifiers;  // at least one
    int32_t keyCode;    // a virtual-key code
    bool operator==(const Shortcut&) const = default;
};

constexpr Shortcut kDefault{kWin | kAlt, 'C'};

// The shortcut the stored text names: none for "none", the default for an
// empty value or one that names no shortcut (unknown names, a key without a
// modifier, modifiers alone, the same modifier twice, too long).
std::optional<Shortcut> FromStored(const std::string& stored);

// As menus show it, in the user's language: "Win+Alt+C".
std::string Text(const Shortcut& shortcut, const Texts& texts);

}  // namespace shortcut
