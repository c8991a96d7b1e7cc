#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

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

// The stored text of a shortcut, or "none", in the form FromStored reads
// back as the same shortcut: "Win+Alt+C", "Ctrl+Shift+PageDown".
std::string StoredText(const std::optional<Shortcut>& shortcut);

// The keys a shortcut can be made with, in the order a list offers them
// (letters, digits, F1 to F24, then the named keys), and each key's name.
// F12 is kept for the debugger at all times and should not be registered
// (RegisterHotKey's documentation): it is offered only as the key of the
// shortcut in force, which a stored text written by hand can still name.
std::vector<int32_t> Keys(int32_t keyInForce = 0);
std::string KeyName(int32_t keyCode);

// Whether a combination the user is putting together can be the shortcut.
enum class Availability {
    Free,          // nobody holds it, or the calendar itself does
    Held,          // another program holds it
    NotAShortcut,  // a key without a modifier, or modifiers without a key
    None,          // no key and no modifier: no shortcut at all
};
// modifiers 0 and keyCode 0 stand for none chosen; ours is the shortcut the
// calendar holds now; isFree asks the window system whether one is free.
template <typename IsFree>
Availability Check(int32_t modifiers, int32_t keyCode, const std::optional<Shortcut>& ours, IsFree&& isFree) {
    if (modifiers == 0 && keyCode == 0) return Availability::None;
    if (modifiers == 0 || keyCode == 0) return Availability::NotAShortcut;
    if (ours && ours->modifiers == modifiers && ours->keyCode == keyCode) return Availability::Free;
    return isFree(modifiers, keyCode) ? Availability::Free : Availability::Held;
}

}  // namespace shortcut
