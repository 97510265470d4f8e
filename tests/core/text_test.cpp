// The text operations, run natively and under Wine from the same tables.
#include <gtest/gtest.h>

#include <string>

#include "text/text.h"

namespace velmora {
namespace {

// UTF-8 bytes as a page would bring them (u8 literals are not touched by the
// GBK execution character set).
std::string Utf8(const char8_t* s) { return std::string(reinterpret_cast<const char*>(s)); }

struct CutCase {
    const char* name;
    std::string text;
    std::string marker;
    std::string after;
    std::string before;
};

void PrintTo(const CutCase& c, std::ostream* os) { *os << c.name; }

class CutTest : public ::testing::TestWithParam<CutCase> {};

TEST_P(CutTest, TextAfterAndTextBefore) {
    const CutCase& c = GetParam();
    EXPECT_EQ(TextAfter(c.text, c.marker), c.after);
    EXPECT_EQ(TextBefore(c.text, c.marker), c.before);
    // The walking form gives the same texts as views into the argument.
    MarkerFinder finder(c.marker);
    std::string_view after = TextAfterView(c.text, finder);
    EXPECT_EQ(after, c.after);
    EXPECT_EQ(after.data() + after.size(), c.text.data() + c.text.size());
    EXPECT_EQ(TextBeforeView(c.text, finder), c.before);
}

// "中" is D6 D0, "国" B9 FA, "新" D0 C2, "股" B9 C9 in GBK.
INSTANTIATE_TEST_SUITE_P(
    Cuts, CutTest,
    ::testing::Values(
        CutCase{"FoldsAsciiCase", "abc<td>x", "<TD>", "x", "abc"},
        CutCase{"FoldsBothWays", "A<Td>B", "<tD>", "B", "A"},
        CutCase{"MissingMarkerShortensByItsLength", "abcdef", "xy", "cdef", ""},
        CutCase{"MissingMarkerLongerThanText", "abcdef", "abcdefgh", "", ""},
        CutCase{"MissingMarkerSameLength", "abcd", "wxyz", "", ""},
        CutCase{"MarkerEndsText", "abc<", "<", "", "abc"},
        CutCase{"MarkerStartsText", "<a>", "<", "a>", ""},
        CutCase{"FirstOccurrenceWins", "a>b>c", ">", "b>c", "a"},
        CutCase{"EmptyMarker", "abc", "", "abc", ""},
        CutCase{"EmptyText", "", "x", "", ""},
        CutCase{"EmptyTextEmptyMarker", "", "", "", ""},
        CutCase{"ChineseAroundMarker", "新股<td>中国</td>", "<td>", "中国</td>", "新股"},
        CutCase{"ChineseMarker", "前言即将发行的新股表格", "即将发行的新股", "表格", "前言"},
        // "中" is D6 D0 and "新" D0 C2: D0 C2 occurs starting on the second
        // byte of 中 in "中" "\xC2..." only byte-wise, never as a character.
        CutCase{"NotOnSecondByte", "\xD6\xD0\xC2x", "\xD0\xC2", "\xC2x", ""},
        CutCase{"FoundAfterMisalignedBytes", "\xD6\xD0\xC2" "a\xD0\xC2z", "\xD0\xC2", "z",
                "\xD6\xD0\xC2" "a"},
        // An ASCII marker after a two-byte character whose second byte looks like '<'.
        CutCase{"AsciiTrailByteNotAMarker", "\x81<b<c", "<", "c", "\x81<b"},
        CutCase{"TrailingLeadByteEndsSearch", "ab\xD6", "\xD6", "b\xD6", ""},
        CutCase{"TrailingLeadByteAfterText", "<ab\xD6", "<", "ab\xD6", ""},
        CutCase{"FoldingOnlyAscii", "\xC1\xC2x", "\xE1\xC2", "x", ""}),
    [](const ::testing::TestParamInfo<CutCase>& info) { return std::string(info.param.name); });

TEST(FindMarkerTest, ExactCaseForTheRowTest) {
    EXPECT_EQ(FindMarker("x QUOTE.aspx?stockid=1", "quote.aspx?stockid=", LetterCase::Exact),
              std::string_view::npos);
    EXPECT_EQ(FindMarker("x quote.aspx?stockid=1", "quote.aspx?stockid=", LetterCase::Exact), 2u);
    EXPECT_EQ(FindMarker("x QUOTE.aspx?stockid=1", "quote.aspx?stockid="), 2u);
}

TEST(FindMarkerTest, EmptyMarker) {
    EXPECT_EQ(FindMarker("a", ""), 0u);
    EXPECT_EQ(FindMarker("", ""), std::string_view::npos);
}

TEST(MarkerFinderTest, WalkingForwardGivesTheSameAnswersAsAFreshSearch) {
    const std::string page = "<td>a</td><td>\xD6<</td>\x81</td>x</td>end";
    MarkerFinder finder("</td>");
    std::string_view rest = page;
    while (!rest.empty()) {
        EXPECT_EQ(finder.Find(rest), FindMarker(rest, "</td>")) << rest;
        rest = rest.substr(1);
    }
}

TEST(MarkerFinderTest, AnotherTextIsSearchedAfresh) {
    MarkerFinder finder(">");
    EXPECT_EQ(finder.Find("ab>c"), 2u);
    EXPECT_EQ(finder.Find("x>"), 1u);
    EXPECT_EQ(finder.Find("none"), std::string_view::npos);
    EXPECT_EQ(finder.Find(">"), 0u);
}

struct OneTextCase {
    const char* name;
    std::string in;
    std::string out;
};

void PrintTo(const OneTextCase& c, std::ostream* os) { *os << c.name; }

class StripTagsTest : public ::testing::TestWithParam<OneTextCase> {};
TEST_P(StripTagsTest, RemovesEveryTag) { EXPECT_EQ(StripTags(GetParam().in), GetParam().out); }
INSTANTIATE_TEST_SUITE_P(
    Tags, StripTagsTest,
    ::testing::Values(OneTextCase{"Simple", "a<b>c</b>d", "acd"},
                      OneTextCase{"OpenWithoutClose", "x<y", "x<y"},
                      OneTextCase{"CloseWithoutOpen", "1 > 0", "1 > 0"},
                      OneTextCase{"SpansLineBreak", "a<font\r\ncolor=red>b", "ab"},
                      OneTextCase{"TagsOnly", "<p><br/></p>", ""},
                      OneTextCase{"Empty", "", ""},
                      OneTextCase{"ShortestMatch", "<<a>b>c", "b>c"},
                      OneTextCase{"LaterOpenWithoutClose", "<a>x<y", "x<y"},
                      OneTextCase{"Chinese", "<b>中国</b>新股", "中国新股"}),
    [](const ::testing::TestParamInfo<OneTextCase>& info) { return std::string(info.param.name); });

class RemoveSpacesTest : public ::testing::TestWithParam<OneTextCase> {};
TEST_P(RemoveSpacesTest, RemovesBothSpaces) {
    EXPECT_EQ(RemoveSpaces(GetParam().in), GetParam().out);
}
INSTANTIATE_TEST_SUITE_P(
    Spaces, RemoveSpacesTest,
    ::testing::Values(OneTextCase{"AroundAndBetween", " 　中 　国　 ", "中国"},
                      OneTextCase{"TabStays", "中\t国", "中\t国"},
                      OneTextCase{"LineBreaksStay", "a\r\nb c", "a\r\nbc"},
                      // A1 A1 across two characters is not a full-width space.
                      OneTextCase{"A1PairAcrossCharacters", "\xB0\xA1\xA1\xB0", "\xB0\xA1\xA1\xB0"},
                      OneTextCase{"TrailingLeadDropped", "ab\xD6", "ab"},
                      OneTextCase{"OnlySpaces", "   　", ""},
                      OneTextCase{"Empty", "", ""}),
    [](const ::testing::TestParamInfo<OneTextCase>& info) { return std::string(info.param.name); });

class PageBytesToTextTest : public ::testing::TestWithParam<OneTextCase> {};
TEST_P(PageBytesToTextTest, ConvertsUtf8ToGbk) {
    EXPECT_EQ(PageBytesToText(GetParam().in), GetParam().out);
}
INSTANTIATE_TEST_SUITE_P(
    Pages, PageBytesToTextTest,
    ::testing::Values(
        OneTextCase{"Chinese", Utf8(u8"即将发行的新股"), "即将发行的新股"},
        OneTextCase{"StopsAtZero", Utf8(u8"新股") + std::string("\0more", 5), "新股"},
        OneTextCase{"StartsWithZero", std::string("\0abc", 4), ""},
        OneTextCase{"Empty", "", ""},
        OneTextCase{"Ascii", "<td>10.25</td>", "<td>10.25</td>"},
        OneTextCase{"FullWidthSpaceAndPunctuation", Utf8(u8"中　国：，"), "中　国：，"},
        OneTextCase{"EuroSign", Utf8(u8"€"), "\x80"},
        OneTextCase{"LoneInvalidByte", "a\xFF" "b", "a?b"},
        OneTextCase{"LoneContinuationByte", "a\x80" "b", "a?b"},
        OneTextCase{"TruncatedSequence", "a\xE4\xB8" "b", "a?b"},
        OneTextCase{"TruncatedAtEnd", "a\xE4\xB8", "a?"},
        OneTextCase{"OutsideGbkHangul", Utf8(u8"a한b"), "a?b"}),
    [](const ::testing::TestParamInfo<OneTextCase>& info) { return std::string(info.param.name); });

TEST(PageBytesToTextTest, ResultHasNoZeroByteAndInvalidBytesDoNotStopIt) {
    std::string bytes = Utf8(u8"新") + "\xC0\xAF" + Utf8(u8"股");
    Text text = PageBytesToText(bytes);
    EXPECT_EQ(text.find('\0'), Text::npos);
    EXPECT_EQ(text.substr(0, 2), "新");
    EXPECT_EQ(text.substr(text.size() - 2), "股");
    EXPECT_NE(text.find('?'), Text::npos);
}

struct DateCase {
    Moment moment;
    bool withTime;
    bool dashed;
    std::string expected;
};
// Named by what it expects (the struct has padding that must not be printed).
void PrintTo(const DateCase& c, std::ostream* os) { *os << c.expected; }

class FormatDateTextTest : public ::testing::TestWithParam<DateCase> {};
TEST_P(FormatDateTextTest, WritesDigits) {
    const DateCase& c = GetParam();
    EXPECT_EQ(FormatDateText(c.moment, c.withTime, c.dashed), c.expected);
}
INSTANTIATE_TEST_SUITE_P(
    Dates, FormatDateTextTest,
    ::testing::Values(DateCase{{2026, 3, 5, 9, 7, 3}, false, false, "20260305"},
                      DateCase{{2026, 3, 5, 9, 7, 3}, false, true, "2026-03-05"},
                      DateCase{{2026, 3, 5, 9, 7, 3}, true, false, "20260305090703"},
                      DateCase{{2026, 3, 5, 9, 7, 3}, true, true, "2026-03-05"},
                      DateCase{{2026, 12, 31, 23, 59, 59}, true, false, "20261231235959"},
                      DateCase{{2027, 1, 1, 0, 0, 0}, false, false, "20270101"}));

TEST(LocalNowTest, IsAPlausibleLocalDate) {
    Moment now = LocalNow();
    EXPECT_GE(now.year, 2024);
    EXPECT_TRUE(now.month >= 1 && now.month <= 12);
    EXPECT_TRUE(now.day >= 1 && now.day <= 31);
    EXPECT_EQ(FormatDateText(now, false, false).size(), 8u);
}

class ReplaceAllFoldedTest : public ::testing::TestWithParam<OneTextCase> {};
TEST_P(ReplaceAllFoldedTest, ReplacesBreakTag) {
    EXPECT_EQ(ReplaceAllFolded(GetParam().in, "<br>", "\r\n"), GetParam().out);
}
INSTANTIATE_TEST_SUITE_P(
    Breaks, ReplaceAllFoldedTest,
    ::testing::Values(OneTextCase{"Lower", "a<br>b", "a\r\nb"},
                      OneTextCase{"Capitals", "a<BR>b<Br>c", "a\r\nb\r\nc"},
                      OneTextCase{"SlashNotMatched", "a<br/>b", "a<br/>b"},
                      OneTextCase{"Adjacent", "<br><br>", "\r\n\r\n"},
                      OneTextCase{"ShortRestCopied", "ab<br", "ab<br"},
                      OneTextCase{"NotOnSecondByte", "\xD6<br>", "\xD6<br>"},
                      OneTextCase{"ChineseAround", "中<br>国", "中\r\n国"}),
    [](const ::testing::TestParamInfo<OneTextCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace velmora
