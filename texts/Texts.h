#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "texts/TextIds.h"

// A UTF-8 text as UTF-16, as the shell's records hold text; a text that is
// not UTF-8 is one replacement character.
std::u16string Utf16(const std::string& utf8);

// The offset of a text that a table lacks.
constexpr uint16_t kNoText = 0xFFFF;

// One language's texts as the build compiled them from its file in
// texts/languages: each ends with its NUL in a blob that every language
// shares (a text two languages write alike is there once), found by its
// offset there, or kNoText for a text the file lacks (and, but in English's,
// for one only the installer shows). Offsets rather than a pointer a text: on
// x64 each pointer takes 8 bytes and a relocation, more than the program's
// size budget can spare.
struct LanguageTable {
    const char* tag;  // "de", "pt-BR", "zh-Hant", as Windows names languages
    const char* blob;
    uint16_t at[kTextCount];
};

// The tables compiled into the program, English first (Languages.cpp, made by
// make_texts.py).
extern const LanguageTable kLanguageTables[];
extern const size_t kLanguageTableCount;
// Their blob is kept packed in the program (platform/Packed.h): this unpacks
// it, the first time only. Done at start and by every read of a text.
void UnpackLanguageTables();

// The texts in the user's language, handed out by name, in UTF-8. A text
// that its language lacks, that is not UTF-8 or that is too long for its
// place is English's: never an empty menu item, tip or box.
class Texts {
public:
    // The table of the first of the user's display languages, in the order
    // Windows prefers them, that the program has: a regional variant takes
    // its language's table (de-AT German), Portuguese of Brazil and of
    // Portugal are apart, Chinese goes by script or, failing that, by region.
    // English when none has one.
    static Texts ForLanguages(const std::vector<std::string>& preferred);

    explicit Texts(const LanguageTable& table) : table_(&table) {}

    const char* Tag() const { return table_->tag; }
    std::string Text(TextId id) const;
    // The text with %1 replaced by argument.
    std::string Text(TextId id, const std::string& argument) const;
    // %1 and %2, each where the language puts it.
    std::string Text(TextId id, const std::string& first, const std::string& second) const;
    // A run-time error's description in this language: the one of its
    // number when the English one is the error's own, followed by any
    // detail the error adds; otherwise the error's own text.
    std::string ErrorDescription(int32_t number, const std::string& english) const;

private:
    // The text of id in table, null when the table lacks it.
    static const char* TextIn(const LanguageTable& table, TextId id);

    const LanguageTable* table_;
};
