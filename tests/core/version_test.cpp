// The version check: reading version numbers, the forced list and the decision.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "update/version.h"

namespace velmora {
namespace {

struct ReadCase {
    const char* name;
    std::string text;
    double number;
};

void PrintTo(const ReadCase& c, std::ostream* os) { *os << c.name; }

class ReadVersionNumberTest : public ::testing::TestWithParam<ReadCase> {};
TEST_P(ReadVersionNumberTest, ReadsTheLeadingNumber) {
    EXPECT_DOUBLE_EQ(ReadVersionNumber(GetParam().text), GetParam().number);
}
INSTANTIATE_TEST_SUITE_P(
    Texts, ReadVersionNumberTest,
    ::testing::Values(
        ReadCase{"Plain", "10.1", 10.1}, ReadCase{"TrailingZero", "10.10", 10.1},
        ReadCase{"Whole", "11", 11.0},
        ReadCase{"FullWidth", "１０．２", 10.2},  // A3 B1 A3 B0 A3 AE A3 B2
        ReadCase{"FullWidthSignAndSpace", "　＋１０．５", 10.5},
        ReadCase{"FullWidthMinus", "－３", -3.0}, ReadCase{"LeadingSpaces", "   10.2", 10.2},
        ReadCase{"LeadingTab", "\t10.2", 10.2}, ReadCase{"LeadingLineBreak", "\r\n10.2\r\n", 10.2},
        ReadCase{"Plus", "+10.2", 10.2}, ReadCase{"Minus", "-1", -1.0},
        ReadCase{"TrailingLetters", "10.2abc", 10.2}, ReadCase{"TrailingChinese", "10.2版", 10.2},
        ReadCase{"NoNumber", "abc", 0.0}, ReadCase{"Empty", "", 0.0},
        ReadCase{"Exponent", "1e1", 10.0}, ReadCase{"FullWidthExponent", "１Ｅ２", 100.0},
        ReadCase{"LetterFirst", "V10.2", 0.0}, ReadCase{"FullWidthLetterFirst", "Ｖ10.2", 0.0},
        ReadCase{"Infinity", "inf", 0.0}, ReadCase{"InfinityWord", "Infinity", 0.0},
        ReadCase{"NotANumber", "nan", 0.0}, ReadCase{"TooLarge", "1e999", 0.0},
        ReadCase{"Hex", "0x1A", 26.0}, ReadCase{"DotFirst", ".5", 0.5},
        ReadCase{"SignAlone", "-", 0.0}, ReadCase{"TwoSigns", "+-1", 0.0},
        ReadCase{"SecondDotEnds", "10.2.3", 10.2}, ReadCase{"LoneLeadByteAtEnd", "7\xA3", 7.0}),
    [](const ::testing::TestParamInfo<ReadCase>& info) { return std::string(info.param.name); });

TEST(ReadVersionNumberTest, MatchesAtofForDecimals) {
    for (const char* text : {"10.1", "10.10", "0.1", "9.99", "10.1000001", "123.456e-2"}) {
        EXPECT_EQ(ReadVersionNumber(text), std::atof(text)) << text;
    }
}

struct NewerCase {
    const char* name;
    std::string latest;
    std::string current;
    bool newer;
};

void PrintTo(const NewerCase& c, std::ostream* os) { *os << c.name; }

class IsNewerVersionTest : public ::testing::TestWithParam<NewerCase> {};
TEST_P(IsNewerVersionTest, ComparesAsNumbers) {
    EXPECT_EQ(IsNewerVersion(GetParam().latest, GetParam().current), GetParam().newer);
}
INSTANTIATE_TEST_SUITE_P(
    Versions, IsNewerVersionTest,
    ::testing::Values(
        NewerCase{"Same", "10.1", "10.1", false},
        NewerCase{"TrailingZeroIsTheSame", "10.10", "10.1", false},
        NewerCase{"HigherTenth", "10.2", "10.1", true},
        NewerCase{"HigherWhole", "11", "10.1", true}, NewerCase{"Older", "9.9", "10.1", false},
        NewerCase{"FullWidth", "１０．２", "10.1", true},
        NewerCase{"LeadingSpaces", "  10.2", "10.1", true},
        NewerCase{"LeadingTab", "\t10.2", "10.1", true}, NewerCase{"Plus", "+10.2", "10.1", true},
        NewerCase{"Negative", "-1", "10.1", false},
        NewerCase{"TrailingLetters", "10.2abc", "10.1", true},
        NewerCase{"NoNumber", "abc", "10.1", false}, NewerCase{"Empty", "", "10.1", false},
        NewerCase{"Exponent", "1e1", "9.5", true}, NewerCase{"LetterFirst", "V10.2", "10.1", false},
        NewerCase{"Infinity", "inf", "10.1", false}, NewerCase{"NotANumber", "nan", "10.1", false},
        NewerCase{"WithinTolerance", "10.10000005", "10.1", false},
        // 10.1 + 0.0000001 rounds to just below the double nearest
        // 10.1000001, so a step of exactly the tolerance counts.
        NewerCase{"ExactlyTheToleranceAbove", "10.1000001", "10.1", true},
        NewerCase{"BeyondTolerance", "10.1000002", "10.1", true},
        NewerCase{"AgainstEmptyCurrent", "0.0000001", "", false},
        NewerCase{"AgainstEmptyCurrentBeyond", "0.0000002", "", true}),
    [](const ::testing::TestParamInfo<NewerCase>& info) { return std::string(info.param.name); });

struct ForcedCase {
    const char* name;
    std::string forcedList;
    std::string version;
    bool forced;
};

void PrintTo(const ForcedCase& c, std::ostream* os) { *os << c.name; }

class IsForcedVersionTest : public ::testing::TestWithParam<ForcedCase> {};
TEST_P(IsForcedVersionTest, NamedBetweenSlashes) {
    EXPECT_EQ(IsForcedVersion(GetParam().forcedList, GetParam().version), GetParam().forced);
}
INSTANTIATE_TEST_SUITE_P(Lists, IsForcedVersionTest,
                         ::testing::Values(ForcedCase{"InList", "/9.0/10.1/", "10.1", true},
                                           ForcedCase{"FirstInList", "/10.1/11/", "10.1", true},
                                           ForcedCase{"NoSlashes", "10.1", "10.1", false},
                                           ForcedCase{"LongerVersion", "/10.10/", "10.1", false},
                                           ForcedCase{"NoClosingSlash", "/10.1", "10.1", false},
                                           ForcedCase{"TextAround", "x/10.1/y", "10.1", true},
                                           ForcedCase{"LetterCaseKept", "/v10.1/", "V10.1", false},
                                           ForcedCase{"NotInList", "/9.0/10.2/", "10.1", false},
                                           ForcedCase{"EmptyList", "", "10.1", false}),
                         [](const ::testing::TestParamInfo<ForcedCase>& info) {
                             return std::string(info.param.name);
                         });

struct DecisionCase {
    const char* name;
    std::string lastCheckDate;
    std::string today;
    std::string latest;
    std::string current;
    bool forced;
    CheckDecision decision;
};

void PrintTo(const DecisionCase& c, std::ostream* os) { *os << c.name; }

class DecideVersionCheckTest : public ::testing::TestWithParam<DecisionCase> {};
TEST_P(DecideVersionCheckTest, Decides) {
    const DecisionCase& c = GetParam();
    EXPECT_EQ(DecideVersionCheck(c.lastCheckDate, c.today, c.latest, c.current, c.forced),
              c.decision);
}
INSTANTIATE_TEST_SUITE_P(
    Checks, DecideVersionCheckTest,
    ::testing::Values(
        DecisionCase{"CheckedToday", "20260305", "20260305", "11", "10.1", false,
                     CheckDecision::SkipCheckedToday},
        DecisionCase{"CheckedTodayEvenWhenForced", "20260305", "20260305", "11", "10.1", true,
                     CheckDecision::SkipCheckedToday},
        DecisionCase{"CheckedYesterdayNotNewer", "20260304", "20260305", "10.1", "10.1", false,
                     CheckDecision::NotNewer},
        DecisionCase{"NeverChecked", "", "20260305", "10.2", "10.1", false, CheckDecision::Ask},
        DecisionCase{"BothDatesEmptyIsNoSkip", "", "", "10.2", "10.1", false, CheckDecision::Ask},
        DecisionCase{"NewerAsks", "20260304", "20260305", "10.2", "10.1", false,
                     CheckDecision::Ask},
        DecisionCase{"NewerForced", "20260304", "20260305", "10.2", "10.1", true,
                     CheckDecision::Forced},
        DecisionCase{"ForcedButNotNewer", "20260304", "20260305", "10.1", "10.1", true,
                     CheckDecision::NotNewer},
        DecisionCase{"ForcedButOlder", "20260304", "20260305", "9.0", "10.1", true,
                     CheckDecision::NotNewer}),
    [](const ::testing::TestParamInfo<DecisionCase>& info) {
        return std::string(info.param.name);
    });

TEST(VersionQuestionTextTest, Bytes) {
    EXPECT_EQ(
        VersionQuestionText("10.2", "10.1"),
        "\xCD\xF8\xC9\xCF\xD7\xEE\xD0\xC2\xB5\xC4\xB0\xE6\xB1\xBE\xBA\xC5\xCE\xAA:V10.2\r\n"
        "\xC4\xFA\xD5\xFD\xCA\xB9\xD3\xC3\xB5\xC4\xB0\xE6\xB1\xBE\xBA\xC5\xCE\xAA:V10.1\r\n\r\n"
        "\xCA\xC7\xB7\xF1\xB8\xFC\xD0\xC2?");
    EXPECT_EQ(std::string(kVersionQuestionTitle), "\xC9\xFD\xBC\xB6\xCC\xE1\xCA\xBE");
}

TEST(IsCheckedTodayTest, SameNonEmptyDateOnly) {
    struct Case {
        std::string last, today;
        bool checked;
    };
    for (const Case& c :
         {Case{"20260305", "20260305", true}, Case{"20260304", "20260305", false},
          Case{"", "20260305", false}, Case{"", "", false}, Case{"2026030", "20260305", false},
          Case{"20260305 ", "20260305", false}}) {
        EXPECT_EQ(IsCheckedToday(c.last, c.today), c.checked)
            << "'" << c.last << "' '" << c.today << "'";
    }
}

TEST(VersionFileTest, AddressOnTheServer) {
    EXPECT_EQ(VersionFileUrl("http://127.0.0.1:18460"), "http://127.0.0.1:18460/ver/myver.txt");
    EXPECT_EQ(VersionFileUrl(""), "/ver/myver.txt");
}

TEST(VersionFileTest, TextEndsAtTheFirstZeroByte) {
    using namespace std::string_literals;
    struct Case {
        std::string bytes, text;
    };
    for (const Case& c :
         {Case{"[Velmora]\r\n最新版本号=10.2\r\n", "[Velmora]\r\n最新版本号=10.2\r\n"},
          Case{"[Velmora]\r\n\0最新版本号=10.2"s, "[Velmora]\r\n"}, Case{"\0[Velmora]"s, ""},
          Case{"a\0\0b"s, "a"}, Case{"", ""}}) {
        EXPECT_EQ(VersionFileText(c.bytes), c.text);
    }
}

}  // namespace
}  // namespace velmora
