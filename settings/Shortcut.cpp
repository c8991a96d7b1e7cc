#include "settings/Shortcut.h"

#include <cctype>

#include "platform/Numeric.h"

namespace shortcut {

namespace {

constexpr size_t kLongestText = 64;

struct Name {
    const char* text;
    int32_t code;
};

// Modifiers in the order menus name them.
constexpr Name kModifiers[] = {{"Win", kWin}, {"Ctrl", kCtrl}, {"Alt", kAlt}, {"Shift", kShift}};
constexpr Name kOtherModifierNames[] = {{"windows", kWin}, {"control", kCtrl}};
// Keys by name, with their virtual-key codes; letters, digits and F1 to F24
// are found by their form.
constexpr Name kKeys[] = {{"Space", 0x20}, {"PageUp", 0x21}, {"PageDown", 0x22}, {"End", 0x23},
                          {"Home", 0x24},  {"Left", 0x25},   {"Up", 0x26},       {"Right", 0x27},
                          {"Down", 0x28},  {"Insert", 0x2D}, {"Delete", 0x2E},   {"Pause", 0x13}};

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string Trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::optional<int32_t> Modifier(const std::string& lower) {
    for (const Name& name : kModifiers)
        if (lower == Lower(name.text)) return name.code;
    for (const Name& name : kOtherModifierNames)
        if (lower == name.text) return name.code;
    return std::nullopt;
}

std::optional<int32_t> Key(const std::string& lower) {
    if (lower.size() == 1 && std::isalnum(static_cast<unsigned char>(lower[0])))
        return std::toupper(static_cast<unsigned char>(lower[0]));
    if (lower.size() >= 2 && lower.size() <= 3 && lower[0] == 'f' &&
        lower.find_first_not_of("0123456789", 1) == std::string::npos && lower[1] != '0') {
        const int number = std::stoi(lower.substr(1));
        if (number >= 1 && number <= 24) return 0x70 + number - 1;
    }
    for (const Name& name : kKeys)
        if (lower == Lower(name.text)) return name.code;
    return std::nullopt;
}

std::optional<Shortcut> Parsed(const std::string& text) {
    if (text.size() > kLongestText) return std::nullopt;
    std::vector<std::string> parts;
    for (size_t start = 0;;) {
        const size_t plus = text.find('+', start);
        parts.push_back(Lower(Trimmed(text.substr(start, plus == std::string::npos ? plus : plus - start))));
        if (plus == std::string::npos) break;
        start = plus + 1;
    }
    Shortcut shortcut{0, 0};
    for (size_t i = 0; i + 1 < parts.size(); ++i) {
        const std::optional<int32_t> modifier = Modifier(parts[i]);
        if (!modifier || (shortcut.modifiers & *modifier)) return std::nullopt;
        shortcut.modifiers |= *modifier;
    }
    const std::optional<int32_t> key = Key(parts.back());
    if (!key || shortcut.modifiers == 0) return std::nullopt;
    shortcut.keyCode = *key;
    return shortcut;
}

}  // namespace

std::optional<Shortcut> FromStored(const std::string& stored) {
    if (Lower(Trimmed(stored)) == "none") return std::nullopt;
    return Parsed(stored).value_or(kDefault);
}

std::string Text(const Shortcut& shortcut, const Texts& texts) {
    const TextId names[] = {TextId::KeyWin, TextId::KeyCtrl, TextId::KeyAlt, TextId::KeyShift};
    std::string text;
    for (size_t i = 0; i < std::size(kModifiers); ++i)
        if (shortcut.modifiers & kModifiers[i].code) text += texts.Text(names[i]) + "+";
    return text + KeyName(shortcut.keyCode);
}

std::string StoredText(const std::optional<Shortcut>& shortcut) {
    if (!shortcut) return "none";
    std::string text;
    for (const Name& modifier : kModifiers)
        if (shortcut->modifiers & modifier.code) text += std::string(modifier.text) + "+";
    return text + KeyName(shortcut->keyCode);
}

std::vector<int32_t> Keys(int32_t keyInForce) {
    constexpr int32_t kF12 = 0x7B;
    std::vector<int32_t> keys;
    for (int32_t code = 'A'; code <= 'Z'; ++code) keys.push_back(code);
    for (int32_t code = '0'; code <= '9'; ++code) keys.push_back(code);
    for (int32_t code = 0x70; code <= 0x87; ++code)
        if (code != kF12 || keyInForce == kF12) keys.push_back(code);
    for (const Name& name : kKeys) keys.push_back(name.code);
    return keys;
}

std::string KeyName(int32_t code) {
    if ((code >= '0' && code <= '9') || (code >= 'A' && code <= 'Z')) return std::string(1, static_cast<char>(code));
    if (code >= 0x70 && code <= 0x87) return "F" + numeric::IntegerText(code - 0x70 + 1);
    for (const Name& name : kKeys)
        if (name.code == code) return name.text;
    return "?";
}

}  // namespace shortcut
