#include "texts/Texts.h"

#include <algorithm>
#include <cctype>

namespace {

constexpr size_t kLimits[] = {
#define CALENDAR_TEXT_LIMIT(id, key, limit) limit,
    CALENDAR_TEXTS(CALENDAR_TEXT_LIMIT)
#undef CALENDAR_TEXT_LIMIT
};

const LanguageTable& English() { return kLanguageTables[0]; }

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The subtags of a language name ("zh-Hant-TW", "de_AT"), in lower case.
std::vector<std::string> Subtags(const std::string& name) {
    std::vector<std::string> parts(1);
    for (char c : Lower(name)) {
        if (c == '-' || c == '_')
            parts.emplace_back();
        else
            parts.back() += c;
    }
    return parts;
}

// The tag of the table for one display language, as Windows falls back for
// its own resources.
std::string TableTagFor(const std::string& name) {
    const std::vector<std::string> subtags = Subtags(name);
    const std::string& language = subtags[0];
    auto has = [&](std::initializer_list<const char*> wanted) {
        return std::any_of(subtags.begin() + 1, subtags.end(), [&](const std::string& subtag) {
            return std::find(wanted.begin(), wanted.end(), subtag) != wanted.end();
        });
    };
    if (language == "zh") {
        if (has({"hant"})) return "zh-Hant";
        if (has({"hans"})) return "zh-Hans";
        return has({"tw", "hk", "mo"}) ? "zh-Hant" : "zh-Hans";
    }
    // Windows' neutral Portuguese is Brazil's.
    if (language == "pt") return subtags.size() == 1 || has({"br"}) ? "pt-BR" : "pt-PT";
    return language;
}

// The UTF-16 form of a UTF-8 text; false for a text that is not UTF-8.
bool Decode(const std::string& text, std::u16string& out) {
    out.clear();
    for (size_t i = 0; i < text.size();) {
        const auto lead = static_cast<unsigned char>(text[i]);
        const size_t length = lead < 0x80           ? 1
                              : (lead >> 5) == 0x6  ? 2
                              : (lead >> 4) == 0xE  ? 3
                              : (lead >> 3) == 0x1E ? 4
                                                    : 0;
        if (length == 0 || i + length > text.size()) return false;
        char32_t c = length == 1 ? lead : lead & (0x3F >> (length - 1));
        for (size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            c = c << 6 | (next & 0x3F);
        }
        static const char32_t kLeast[] = {0, 0, 0x80, 0x800, 0x10000};
        if (c < kLeast[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
        if (c >= 0x10000) {
            out += static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            out += static_cast<char16_t>(c);
        }
        i += length;
    }
    return true;
}

// A table's text is used when it is there, UTF-8 and within its place.
bool Usable(const char* text, TextId id) {
    std::u16string wide;
    return text && *text && Decode(text, wide) && wide.size() <= kLimits[static_cast<size_t>(id)];
}

}  // namespace

Texts Texts::ForLanguages(const std::vector<std::string>& preferred) {
    for (const std::string& name : preferred) {
        const std::string tag = Lower(TableTagFor(name));
        for (size_t i = 0; i < kLanguageTableCount; ++i)
            if (Lower(kLanguageTables[i].tag) == tag) return Texts(kLanguageTables[i]);
    }
    return Texts(English());
}

std::u16string Utf16(const std::string& utf8) {
    std::u16string wide;
    return Decode(utf8, wide) ? wide : u"\uFFFD";
}

const char* Texts::TextIn(const LanguageTable& table, TextId id) {
    UnpackLanguageTables();
    const uint16_t at = table.at[static_cast<size_t>(id)];
    return at == kNoText ? nullptr : table.blob + at;
}

std::string Texts::Text(TextId id) const {
    const char* text = TextIn(*table_, id);
    return Usable(text, id) ? text : TextIn(English(), id);
}

std::string Texts::Text(TextId id, const std::string& argument) const {
    std::string text = Text(id);
    const size_t at = text.find("%1");
    if (at != std::string::npos) text.replace(at, 2, argument);
    return text;
}

std::string Texts::Text(TextId id, const std::string& first, const std::string& second) const {
    std::string text = Text(id);
    // The later placeholder first, so that the earlier one's place stays put.
    const size_t one = text.find("%1"), two = text.find("%2");
    const auto put = [&](size_t at, const std::string& argument) {
        if (at != std::string::npos) text.replace(at, 2, argument);
    };
    if (two != std::string::npos && (one == std::string::npos || two > one)) {
        put(two, second), put(one, first);
    } else {
        put(one, first), put(two, second);
    }
    return text;
}

std::string Texts::ErrorDescription(int32_t number, const std::string& english) const {
    static const std::pair<int32_t, TextId> kErrors[] = {{5, TextId::Error5},   {6, TextId::Error6},
                                                         {7, TextId::Error7},   {11, TextId::Error11},
                                                         {13, TextId::Error13}, {51, TextId::Error51}};
    for (const auto& [known, id] : kErrors) {
        const std::string standard = TextIn(English(), id);
        if (known == number && english.compare(0, standard.size(), standard) == 0)
            return Text(id) + english.substr(standard.size());
    }
    return english;
}
