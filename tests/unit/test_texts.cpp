#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>

#include "platform/Packed.h"
#include "texts/Texts.h"
#include "tray/TrayIcon.h"

namespace {

// The user's display languages, in Windows' order, and the table they get.
TEST(Texts, TheDisplayLanguageFallsBackAsWindowsFallsBackForItsOwnResources) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
        {{"de-DE"}, "de"},      {{"de-AT"}, "de"},           {{"de-CH", "en-US"}, "de"},
        {{"es-MX"}, "es"},      {{"pt-BR"}, "pt-BR"},        {{"pt-PT"}, "pt-PT"},
        {{"pt"}, "pt-BR"},      {{"zh-TW"}, "zh-Hant"},      {{"zh-HK"}, "zh-Hant"},
        {{"zh-MO"}, "zh-Hant"}, {{"zh-Hant-HK"}, "zh-Hant"}, {{"zh-CN"}, "zh-Hans"},
        {{"zh-SG"}, "zh-Hans"}, {{"ja-JP"}, "ja"},           {{"nb-NO", "sv-SE"}, "sv"},
        {{"nb-NO"}, "en"},      {{"en-GB", "de-DE"}, "en"},  {{}, "en"}};
    for (const auto& [preferred, tag] : cases)
        EXPECT_STREQ(Texts::ForLanguages(preferred).Tag(), tag.c_str()) << (preferred.empty() ? "" : preferred[0]);
}

// Bad input in a table: each such text is English's, the others stay.
TEST(Texts, AMissingOverlongOrBrokenTextIsEnglishsAlone) {
    // The table has these texts alone: it lacks Close as it lacks the others.
    LanguageTable broken{"xx", nullptr, {}};
    std::fill(std::begin(broken.at), std::end(broken.at), kNoText);
    std::string blob;
    auto put = [&](TextId id, const std::string& text) {
        broken.at[static_cast<size_t>(id)] = static_cast<uint16_t>(blob.size());
        blob += text + '\0';
    };
    put(TextId::Help, "Hilfe");
    put(TextId::HideCalendar, "");
    put(TextId::ShowCalendar, std::string(64, 'x'));
    put(TextId::StartAtSignIn, "Start \xC3");  // cut inside a character
    broken.blob = blob.c_str();
    const Texts texts(broken);
    EXPECT_EQ(tray::MenuItems(texts, false, false, false)[0].text, "Hide calendar");
    EXPECT_EQ(tray::MenuItems(texts, true, false, false)[0].text, "Show calendar");
    EXPECT_EQ(texts.Text(TextId::Help), "Hilfe");
    EXPECT_EQ(texts.Text(TextId::Close), "Close");
    EXPECT_EQ(texts.Text(TextId::StartAtSignIn), "Start when I sign in");
}

TEST(Texts, ARunTimeErrorIsReportedInTheLanguageWithItsDetailAndWindowsOwnReasonKept) {
    const Texts german = Texts::ForLanguages({"de-DE"});
    EXPECT_EQ(german.Text(TextId::RunTimeError, "13"), "Laufzeitfehler '13':");
    EXPECT_EQ(german.ErrorDescription(6, "Overflow"), "Überlauf");
    EXPECT_EQ(german.ErrorDescription(51, "Internal error: vector"), "Interner Fehler: vector");
    EXPECT_EQ(german.ErrorDescription(5, "Zugriff verweigert"), "Zugriff verweigert");
}

// The texts are kept packed (platform/packing.py): literal runs, near copies
// and far ones, a copy overlapping what it writes.
TEST(Texts, PackedBytesUnpack) {
    const unsigned char near[] = {0x02, 'a', 'b', 'c', 0x80 | (5 << 3), 2, 0x00, '!'};
    char out[12];
    Unpack(near, sizeof near, out);
    EXPECT_EQ(std::string(out, sizeof out), "abcabcabcab!");
    const unsigned char far[] = {0x01, 'x', 'y', 0xC0 | 3, 1, 0};
    char farOut[8];
    Unpack(far, sizeof far, farOut);
    EXPECT_EQ(std::string(farOut, sizeof farOut), "xyxyxyxy");
}

}  // namespace
