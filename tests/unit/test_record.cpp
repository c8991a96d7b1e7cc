#include <gtest/gtest.h>

#include <vector>

#include "tests/unit/LoadedCalendar.h"
#include "tray/NotifyIconRecord.h"

namespace {

const std::string kTip = " Click icon system tray to HIDE or SHOW ";

// The record's six words, then the tip's UTF-16 units, little-endian.
std::vector<uint8_t> Bytes(std::initializer_list<uint32_t> words, const std::string& tip) {
    std::vector<uint8_t> bytes;
    for (uint32_t w : words)
        for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(w >> (8 * i)));
    for (char c : tip) bytes.insert(bytes.end(), {static_cast<uint8_t>(c), 0});
    return bytes;
}

std::vector<uint8_t> Sent(const PlatformDouble& p, size_t index) {
    const auto& data = p.shellCalls.at(index).data;
    return {data.begin(), data.end()};
}

TEST(Record, AddRecordIsByteForByteTheShellsLayout) {
    ASSERT_EQ(kTip.size(), 40u);
    LoadedCalendar calendar(false);
    calendar.platform.form.hWnd = 0x00010086;
    calendar.platform.form.icon = 0x001A0F33;
    calendar.form.AddTrayIcon();
    ASSERT_EQ(calendar.platform.shellCalls.size(), 1u);
    EXPECT_EQ(calendar.platform.shellCalls[0].message, 0);
    const std::string tip = "2026-12-7\n" + kTip;  // today, then what a click does
    EXPECT_EQ(Sent(calendar.platform, 0), Bytes({280, 0x00010086, 1, 7, 512, 0x001A0F33},
                                                tip + std::string(1, '\0') + std::string(127 - tip.size(), ' ')));
}

TEST(Record, DeleteRecordCarriesCallbackOneAndAnEmptyTip) {
    LoadedCalendar calendar(false);
    calendar.platform.form.hWnd = 0x00010086;
    calendar.platform.form.icon = 0x001A0F33;
    calendar.form.RemoveTrayIcon();
    ASSERT_EQ(calendar.platform.shellCalls.size(), 1u);
    EXPECT_EQ(calendar.platform.shellCalls[0].message, 2);
    EXPECT_EQ(Sent(calendar.platform, 0),
              Bytes({280, 0x00010086, 1, 7, 1, 0x001A0F33}, std::string(1, '\0') + std::string(127, ' ')));
}

struct TipCase {
    std::u16string tip;
    size_t nulAt;  // what is kept of the tip
};

void PrintTo(const TipCase& c, std::ostream* os) { *os << c.tip.size() << " units"; }

class RecordTip : public ::testing::TestWithParam<TipCase> {};

TEST_P(RecordTip, IsTheTipThenOneNulThenBlanksCutBeforeTheLastUnitAndNeverInsideACharacter) {
    const NotifyIconRecord record = BuildNotifyIconData(0, 0, 0, 0, 0, GetParam().tip);
    EXPECT_EQ(record.cbSize, 280);
    for (size_t i = 0; i < record.szTip.size(); ++i) {
        const char16_t expected = i < GetParam().nulAt ? GetParam().tip[i] : i == GetParam().nulAt ? u'\0' : u' ';
        ASSERT_EQ(record.szTip[i], expected) << "at " << i;
    }
}

// U+1F4C5, a calendar: two units.
INSTANTIATE_TEST_SUITE_P(Record, RecordTip,
                         ::testing::Values(TipCase{u"", 0}, TipCase{std::u16string(40, u'a'), 40},
                                           TipCase{std::u16string(127, u'a'), 127},
                                           TipCase{std::u16string(200, u'a'), 127},
                                           TipCase{std::u16string(125, u'a') + u"\U0001F4C5", 127},
                                           TipCase{std::u16string(126, u'a') + u"\U0001F4C5", 126}));

TEST(Record, NegativeFieldsPassThroughAsTwosComplementAndComeBack) {
    NotifyIconRecord record = BuildNotifyIconData(-2, -1, 7, 512, INT32_MIN, u"x");
    const ShellNotifyIconBuffer buffer = ToShellLayout(record);
    EXPECT_EQ((std::vector<uint8_t>(buffer.begin() + 4, buffer.begin() + 8)),
              (std::vector<uint8_t>{0xFE, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ((std::vector<uint8_t>(buffer.begin() + 20, buffer.begin() + 24)), (std::vector<uint8_t>{0, 0, 0, 0x80}));
    const NotifyIconRecord back = FromShellLayout(buffer);
    EXPECT_EQ(back.hWnd, -2);
    EXPECT_EQ(back.uID, -1);
    EXPECT_EQ(back.hIcon, INT32_MIN);
    EXPECT_EQ(back.szTip, record.szTip);
}

// A shell that writes into the record it was given; the binding must hand
// that back to the caller along with the result.
struct ScribblingShell : PlatformDouble {
    int32_t Shell_NotifyIconW(int32_t, ShellNotifyIconBuffer& data) override {
        data[8] = 9;
        data[24] = 'Z';
        return 42;
    }
};

TEST(Record, BindingCopiesBackWhatTheShellLeftAndReturnsItsResult) {
    ScribblingShell shell;
    NotifyIconRecord record = BuildNotifyIconData(1, 1, 7, 512, 3, u"tip");
    EXPECT_EQ(Shell_NotifyIconW(shell, 0, record), 42);
    EXPECT_EQ(record.uID, 9);
    EXPECT_EQ(record.szTip[0], u'Z');
    EXPECT_EQ(record.szTip[1], u'i');
}

}  // namespace
