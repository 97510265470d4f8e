// The list commands: the export (fixed-width columns, the issued list's article
// id left out) and the copying of cells.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commands/copy_text.h"
#include "commands/export.h"

namespace velmora {
namespace {

using Rows = std::vector<std::vector<Text>>;

std::string Spaces(std::size_t n) { return std::string(n, ' '); }

// A list whose column count is answered row by row, in the order the export asks.
struct FakeList {
    Rows rows;
    int rowCountReads = 0;
    int columnCountReads = 0;

    ListReader Reader() {
        return ListReader{[this] {
                              ++rowCountReads;
                              return static_cast<int>(rows.size());
                          },
                          [this] { return static_cast<int>(rows.at(columnCountReads++).size()); },
                          [this](int row, int column) { return rows.at(row).at(column); }};
    }
};

struct PadCase {
    const char* name;
    std::string text;
    int32_t width;
    std::string padded;
};

void PrintTo(const PadCase& c, std::ostream* os) { *os << c.name; }

class PadToWidthTest : public ::testing::TestWithParam<PadCase> {};
TEST_P(PadToWidthTest, PadsButNeverCuts) {
    EXPECT_EQ(PadToWidth(GetParam().text, GetParam().width), GetParam().padded);
}
INSTANTIATE_TEST_SUITE_P(
    Widths, PadToWidthTest,
    ::testing::Values(PadCase{"Shorter", "abc", 5, "abc  "}, PadCase{"AsLong", "abcde", 5, "abcde"},
                      PadCase{"Longer", "abcdefg", 5, "abcdefg"}, PadCase{"Empty", "", 3, "   "},
                      PadCase{"ChineseCountsBytes", "新股", 5, "新股 "},
                      PadCase{"ZeroWidth", "ab", 0, "ab"},
                      PadCase{"NegativeWidth", "ab", -4, "ab"}),
    [](const ::testing::TestParamInfo<PadCase>& info) { return std::string(info.param.name); });

struct ExportCase {
    const char* name;
    ExportedList which;
    Rows rows;
    std::string expected;
};

void PrintTo(const ExportCase& c, std::ostream* os) { *os << c.name; }

class ExportTextTest : public ::testing::TestWithParam<ExportCase> {};
TEST_P(ExportTextTest, WritesFixedWidthLines) {
    FakeList list{GetParam().rows};
    EXPECT_EQ(ExportText(GetParam().which, list.Reader()), GetParam().expected);
}

const ExportCase kExportCases[] = {
    {"NineBytesGetOneSpace",
     ExportedList::Upcoming,
     {{"a", "123456789"}},
     "a" + Spaces(13) + "123456789 \r\n"},
    {"TenBytesTouchTheNextCell",
     ExportedList::Upcoming,
     {{"a", "1234567890", "b"}},
     "a" + Spaces(13) + "1234567890b" + Spaces(9) + "\r\n"},
    {"TwelveBytesShiftTheRest",
     ExportedList::Upcoming,
     {{"a", "123456789012", "b"}},
     "a" + Spaces(13) + "123456789012b" + Spaces(9) + "\r\n"},
    {"LongFirstCellWrittenWhole",
     ExportedList::Upcoming,
     {{"123456789012345", "b"}},
     "123456789012345b" + Spaces(9) + "\r\n"},
    {"ChineseCellsCountBytes",
     ExportedList::Upcoming,
     {{"新股发行", "中国新股"}},
     "新股发行" + Spaces(6) + "中国新股" + Spaces(2) + "\r\n"},
    {"EmptyCellsUpcoming", ExportedList::Upcoming, {{"", "", ""}}, Spaces(14 + 10 + 10) + "\r\n"},
    {"EmptyCellsIssuedLeavesOutLast",
     ExportedList::Issued,
     {{"", "", "", ""}},
     Spaces(14 + 14 + 10) + "\r\n"},
    {"IssuedSecondColumnWide",
     ExportedList::Issued,
     {{"a", "b", "c", "id"}},
     "a" + Spaces(13) + "b" + Spaces(13) + "c" + Spaces(9) + "\r\n"},
    {"UpcomingSecondColumnNarrow",
     ExportedList::Upcoming,
     {{"a", "b"}},
     "a" + Spaces(13) + "b" + Spaces(9) + "\r\n"},
    {"IssuedOnlyTheIdColumn", ExportedList::Issued, {{"id"}}, "\r\n"},
    {"TwoRows",
     ExportedList::Upcoming,
     {{"a"}, {"b"}},
     "a" + Spaces(13) + "\r\nb" + Spaces(13) + "\r\n"},
    {"EmptyUpcomingList", ExportedList::Upcoming, {}, ""},
    {"EmptyIssuedList", ExportedList::Issued, {}, ""},
};
INSTANTIATE_TEST_SUITE_P(Lists, ExportTextTest, ::testing::ValuesIn(kExportCases),
                         [](const ::testing::TestParamInfo<ExportCase>& info) {
                             return std::string(info.param.name);
                         });

struct FullRowCase {
    const char* name;
    ExportedList which;
    int columns;
    std::size_t lineBytes;  // without CR LF, every cell shorter than its width
};

void PrintTo(const FullRowCase& c, std::ostream* os) { *os << c.name; }

class FullRowTest : public ::testing::TestWithParam<FullRowCase> {};
TEST_P(FullRowTest, LineLengthOfTheRealColumns) {
    const FullRowCase& c = GetParam();
    std::vector<Text> row;
    for (int column = 0; column < c.columns; ++column) row.push_back("c" + std::to_string(column));
    FakeList list{{row, row}};
    const Text text = ExportText(c.which, list.Reader());
    const std::string line = text.substr(0, text.find("\r\n"));
    EXPECT_EQ(line.size(), c.lineBytes);
    EXPECT_EQ(text.size(), 2 * (c.lineBytes + 2));
    EXPECT_EQ(text.substr(c.lineBytes, 2), "\r\n");
}
INSTANTIATE_TEST_SUITE_P(Lists, FullRowTest,
                         ::testing::Values(FullRowCase{"IssuedTwelveColumns", ExportedList::Issued,
                                                       12, 14 + 14 + 9 * 10},
                                           FullRowCase{"UpcomingElevenColumns",
                                                       ExportedList::Upcoming, 11, 14 + 10 * 10}),
                         [](const ::testing::TestParamInfo<FullRowCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(ExportTextTest, IssuedWritesHiddenColumnsAndLeavesOutTheArticleId) {
    std::vector<Text> row;
    for (int column = 0; column < 12; ++column) row.push_back("c" + std::to_string(column));
    FakeList list{{row}};
    const Text text = ExportText(ExportedList::Issued, list.Reader());
    // Columns 4, 6 and 10 are hidden in the window (width 0) but exported.
    EXPECT_EQ(text.substr(14 + 14 + 2 * 10, 10), "c4" + Spaces(8));
    EXPECT_EQ(text.substr(14 + 14 + 4 * 10, 10), "c6" + Spaces(8));
    EXPECT_EQ(text.substr(14 + 14 + 8 * 10, 10), "c10" + Spaces(7));
    EXPECT_EQ(text.find("c11"), Text::npos);
}

TEST(ExportTextTest, ReadsTheRowCountOnceAndTheColumnCountForEachRow) {
    FakeList list{{{"a", "b", "c"}, {"d"}, {"e", "f"}}};
    const Text text = ExportText(ExportedList::Upcoming, list.Reader());
    EXPECT_EQ(list.rowCountReads, 1);
    EXPECT_EQ(list.columnCountReads, 3);
    EXPECT_EQ(text, "a" + Spaces(13) + "b" + Spaces(9) + "c" + Spaces(9) + "\r\n" + "d" +
                        Spaces(13) + "\r\n" + "e" + Spaces(13) + "f" + Spaces(9) + "\r\n");
}

TEST(ExportCommandLineTest, NotepadAndThePathUnquoted) {
    EXPECT_EQ(ExportCommandLine("C:\\Program Files\\数据\\文本导出.txt"),
              "notepad.exe C:\\Program Files\\数据\\文本导出.txt");
    EXPECT_EQ(std::string(kExportFileName), "\xCE\xC4\xB1\xBE\xB5\xBC\xB3\xF6.txt");
}

struct CopyCase {
    const char* name;
    std::string cell;
    std::string afterColon;  // copied with afterColon; without it the cell is copied whole
};

void PrintTo(const CopyCase& c, std::ostream* os) { *os << c.name; }

class CopiedCellTextTest : public ::testing::TestWithParam<CopyCase> {};
TEST_P(CopiedCellTextTest, WholeCellOrBehindTheFirstColon) {
    EXPECT_EQ(CopiedCellText(GetParam().cell, true), GetParam().afterColon);
    EXPECT_EQ(CopiedCellText(GetParam().cell, false), GetParam().cell);
}
INSTANTIATE_TEST_SUITE_P(
    Cells, CopiedCellTextTest,
    ::testing::Values(CopyCase{"OneColon", "代码:600001", "600001"},
                      CopyCase{"SecondColonKept", "时间:09:30", "09:30"},
                      CopyCase{"NoColon", "中国新股", "中国新股"},
                      CopyCase{"ColonLast", "申购代码:", ""}, CopyCase{"ColonFirst", ":abc", "abc"},
                      CopyCase{"FullWidthColonIsNoColon", "代码：600001", "代码：600001"},
                      CopyCase{"FullWidthThenAscii", "甲：乙:丙", "丙"},
                      CopyCase{"SpacesKept", " a : b ", " b "}, CopyCase{"EmptyCell", "", ""}),
    [](const ::testing::TestParamInfo<CopyCase>& info) { return std::string(info.param.name); });

TEST(ClipboardBytesTest, TextAndOneClosingZero) {
    EXPECT_EQ(ClipboardBytes("新股a"), std::string("\xD0\xC2\xB9\xC9"
                                                   "a\0",
                                                   6));
    EXPECT_EQ(ClipboardBytes(""), std::string(1, '\0'));
}

}  // namespace
}  // namespace velmora
