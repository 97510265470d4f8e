// The cell colour registry: sequences of calls as the program makes them, the
// entries they leave and the answers the lists' custom drawing gets.
#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <variant>
#include <vector>

#include "listcolors/registry.h"

namespace velmora {
namespace {

constexpr ListKey kList = 0x1234;
constexpr ListKey kOtherList = 0x5678;
constexpr ListOwnColors kOwn{0x000000, 0xFFFFFF};  // black on white
constexpr uint32_t kRed = 0x0000FF;
constexpr uint32_t kBlue = 0xFF0000;
constexpr uint32_t kYellow = 0x00FFFF;
constexpr uint32_t kGrey = 0xEEEEEE;
constexpr uint32_t kCream = 0xDDF5FF;

struct CellCall {
    ListKey list;
    int32_t row;
    int32_t column;
    uint32_t text;
    std::optional<uint32_t> back;
    ListOwnColors own = kOwn;
    bool redraw = true;
};

struct StripeCall {
    ListKey list;
    std::optional<uint32_t> even;
    std::optional<uint32_t> odd;
    std::optional<int32_t> on;
    ListOwnColors own = kOwn;
    bool redraw = true;
};

struct ClearCall {};

using Call = std::variant<CellCall, StripeCall, ClearCall>;

// A sub-item notification and the colours the skin must write (both or none).
struct DrawCheck {
    ListKey from;
    int32_t row;
    int32_t column;
    bool answered;
    std::optional<uint32_t> text;
    std::optional<uint32_t> back;
    ListOwnColors currentOwn = kOwn;
};

struct SequenceCase {
    const char* name;
    std::vector<Call> calls;
    std::vector<ListColorEntry> entries;
    std::vector<DrawCheck> draws;
};

void PrintTo(const SequenceCase& c, std::ostream* os) { *os << c.name; }

void Apply(CellColorRegistry& registry, const Call& call) {
    if (const auto* cell = std::get_if<CellCall>(&call)) {
        EXPECT_EQ(registry.SetCellColor(cell->list, cell->row, cell->column, cell->text, cell->back,
                                        cell->own),
                  cell->redraw);
    } else if (const auto* stripes = std::get_if<StripeCall>(&call)) {
        EXPECT_EQ(registry.SetListColors(stripes->list, stripes->even, stripes->odd, stripes->on,
                                         stripes->own),
                  stripes->redraw);
    } else {
        registry.Clear();
    }
}

void ExpectEntries(const std::vector<ListColorEntry>& actual,
                   const std::vector<ListColorEntry>& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < actual.size(); ++i) {
        SCOPED_TRACE("entry " + std::to_string(i));
        EXPECT_EQ(actual[i].list, expected[i].list);
        EXPECT_EQ(actual[i].stripesOn, expected[i].stripesOn);
        EXPECT_EQ(actual[i].stripes.evenBack, expected[i].stripes.evenBack);
        EXPECT_EQ(actual[i].stripes.oddBack, expected[i].stripes.oddBack);
        EXPECT_EQ(actual[i].stripes.textColor, expected[i].stripes.textColor);
        ASSERT_EQ(actual[i].cells.size(), expected[i].cells.size());
        for (std::size_t j = 0; j < actual[i].cells.size(); ++j) {
            const CellColorRecord& a = actual[i].cells[j];
            const CellColorRecord& e = expected[i].cells[j];
            EXPECT_EQ(a.row, e.row) << "record " << j;
            EXPECT_EQ(a.column, e.column) << "record " << j;
            EXPECT_EQ(a.textColor, e.textColor) << "record " << j;
            EXPECT_EQ(a.backColor, e.backColor) << "record " << j;
        }
    }
}

class RegistryTest : public ::testing::TestWithParam<SequenceCase> {};

TEST_P(RegistryTest, LeavesEntriesAndAnswersDrawing) {
    const SequenceCase& c = GetParam();
    CellColorRegistry registry;
    for (const Call& call : c.calls) Apply(registry, call);
    ExpectEntries(registry.entries(), c.entries);
    for (const DrawCheck& d : c.draws) {
        SCOPED_TRACE("row " + std::to_string(d.row) + " column " + std::to_string(d.column));
        DrawAnswer answer = AnswerCustomDraw(
            registry, {d.from, DrawStage::SubItemPrepaint, d.row, d.column}, d.currentOwn);
        EXPECT_EQ(answer.answered, d.answered);
        EXPECT_FALSE(answer.returnNotifyItemDraw);
        EXPECT_EQ(answer.textColor, d.text);
        EXPECT_EQ(answer.textBackColor, d.back);
    }
}

const SequenceCase kSequences[] = {
    {"ColouringTwiceKeepsOneRecordWithTheSecondColours",
     {CellCall{kList, 2, 1, kRed, kYellow}, CellCall{kList, 2, 1, kBlue, std::nullopt}},
     {{kList, {{2, 1, kBlue, kOwn.textBack}}, {}, 0}},
     {{kList, 2, 1, true, kBlue, kOwn.textBack}}},
    {"RecordsKeepTheirPlaceWhenReplaced",
     {CellCall{kList, 0, 1, kRed, std::nullopt}, CellCall{kList, 3, 2, kRed, std::nullopt},
      CellCall{kList, 0, 1, kBlue, kGrey}},
     {{kList, {{0, 1, kBlue, kGrey}, {3, 2, kRed, kOwn.textBack}}, {}, 0}},
     {}},
    // The next cell of the row gets the list's colours written, not the red.
    {"OwnColoursRemoveTheRecord",
     {CellCall{kList, 1, 2, kRed, kYellow}, CellCall{kList, 1, 3, kBlue, std::nullopt},
      CellCall{kList, 1, 2, kOwn.text, std::nullopt}},
     {{kList, {{1, 3, kBlue, kOwn.textBack}}, {}, 0}},
     {{kList, 1, 2, false, kOwn.text, kOwn.textBack},
      {kList, 1, 3, true, kBlue, kOwn.textBack},
      {kList, 1, 4, false, 0x123456, 0x654321, {0x123456, 0x654321}}}},
    {"OwnColoursGivenExplicitlyAddNoRecord",
     {CellCall{kList, 0, 0, kOwn.text, kOwn.textBack}},
     {{kList, {}, {}, 0}},
     {}},
    // The list's colours at the moment of the call decide: red on grey is
    // the list's own now, so the red record goes.
    {"OwnColoursAreReadAtEachCall",
     {CellCall{kList, 0, 0, kRed, std::nullopt},
      CellCall{kList, 0, 0, kRed, std::nullopt, {kRed, kGrey}}},
     {{kList, {}, {}, 0}},
     {{kList, 0, 0, false, kRed, kGrey, {kRed, kGrey}}}},
    {"OwnColoursUnderStripesShowTheStripes",
     {StripeCall{kList, kGrey, kCream, 1}, CellCall{kList, 1, 0, kRed, std::nullopt},
      CellCall{kList, 1, 0, kOwn.text, std::nullopt}},
     {{kList, {}, {kGrey, kCream, kOwn.text}, 1}},
     {{kList, 1, 0, true, kOwn.text, kCream}}},
    {"CellColourOnUnknownListRegistersIt",
     {CellCall{kList, 0, 0, kOwn.text, std::nullopt}},
     {{kList, {}, {}, 0}},
     {{kList, 0, 0, false, kOwn.text, kOwn.textBack}}},
    {"StripesOffOnUnknownListDoNothing",
     {StripeCall{kList, kGrey, kCream, 0, kOwn, false},
      StripeCall{kList, kGrey, kCream, std::nullopt, kOwn, false}},
     {},
     {{kList, 0, 0, false, std::nullopt, std::nullopt}}},
    // The stripe text colour is the list's text colour when stripes were
    // turned on, even after the list's own colour changed.
    {"StripesAlternateBackgroundsWithTheirTextColour",
     {StripeCall{kList, kGrey, kCream, 1, {kBlue, kOwn.textBack}},
      CellCall{kList, 3, 1, kRed, kYellow}},
     {{kList, {{3, 1, kRed, kYellow}}, {kGrey, kCream, kBlue}, 1}},
     {{kList, 0, 1, true, kBlue, kGrey},
      {kList, 1, 1, true, kBlue, kCream},
      {kList, 2, 0, true, kBlue, kGrey},
      {kList, 3, 1, true, kRed, kYellow},
      {kList, 3, 2, true, kBlue, kCream}}},
    {"OmittedStripeBackgroundsAreTheListsBackground",
     {StripeCall{kList, std::nullopt, std::nullopt, 1},
      StripeCall{kOtherList, kGrey, std::nullopt, 1}},
     {{kList, {}, {kOwn.textBack, kOwn.textBack, kOwn.text}, 1},
      {kOtherList, {}, {kGrey, kOwn.textBack, kOwn.text}, 1}},
     {{kOtherList, 0, 0, true, kOwn.text, kGrey},
      {kOtherList, 1, 0, true, kOwn.text, kOwn.textBack}}},
    {"StripesOnStoreTheValueGiven",
     {StripeCall{kList, kGrey, kCream, 7}},
     {{kList, {}, {kGrey, kCream, kOwn.text}, 7}},
     {}},
    {"StripesOffAndOnAgainKeepCellRecords",
     {CellCall{kList, 1, 1, kRed, std::nullopt}, StripeCall{kList, kGrey, kCream, 1},
      StripeCall{kList, std::nullopt, std::nullopt, 0},
      StripeCall{kList, kYellow, kGrey, 1, {kRed, kOwn.textBack}}},
     {{kList, {{1, 1, kRed, kOwn.textBack}}, {kYellow, kGrey, kRed}, 1}},
     {{kList, 1, 1, true, kRed, kOwn.textBack}, {kList, 2, 1, true, kRed, kYellow}}},
    // Stripes off keep the stripe colours stored but draw in the list's colours.
    {"StripesOffDrawInTheListsColours",
     {StripeCall{kList, kGrey, kCream, 1}, CellCall{kList, 0, 0, kRed, std::nullopt},
      StripeCall{kList, std::nullopt, std::nullopt, std::nullopt}},
     {{kList, {{0, 0, kRed, kOwn.textBack}}, {kGrey, kCream, kOwn.text}, 0}},
     {{kList, 1, 1, false, kOwn.text, kOwn.textBack}, {kList, 0, 0, true, kRed, kOwn.textBack}}},
    {"AnyMixOfCallsKeepsOneEntryPerListInFirstOrder",
     {StripeCall{kOtherList, std::nullopt, std::nullopt, 0, kOwn, false},
      CellCall{kList, 0, 0, kRed, std::nullopt}, StripeCall{kOtherList, kGrey, kCream, 1},
      StripeCall{kList, kGrey, kCream, 1}, CellCall{kOtherList, 5, 5, kBlue, std::nullopt},
      StripeCall{kList, std::nullopt, std::nullopt, 0}, CellCall{kList, 0, 0, kRed, kOwn.textBack},
      CellCall{kOtherList, 5, 5, kOwn.text, std::nullopt}},
     {{kList, {{0, 0, kRed, kOwn.textBack}}, {kGrey, kCream, kOwn.text}, 0},
      {kOtherList, {}, {kGrey, kCream, kOwn.text}, 1}},
     {{kOtherList, 5, 5, true, kOwn.text, kCream}}},
    {"UnregisteredListIsNotAnswered",
     {CellCall{kList, 0, 0, kRed, std::nullopt}},
     {{kList, {{0, 0, kRed, kOwn.textBack}}, {}, 0}},
     {{kOtherList, 0, 0, false, std::nullopt, std::nullopt}}},
    {"ClearEmptiesTheRegistry",
     {CellCall{kList, 0, 0, kRed, std::nullopt}, StripeCall{kOtherList, kGrey, kCream, 1},
      ClearCall{}},
     {},
     {{kList, 0, 0, false, std::nullopt, std::nullopt},
      {kOtherList, 1, 0, false, std::nullopt, std::nullopt}}},
    {"ClearThenRegisterAgain",
     {CellCall{kList, 0, 0, kRed, std::nullopt}, ClearCall{},
      StripeCall{kOtherList, kGrey, kCream, 1}, CellCall{kList, 0, 0, kBlue, std::nullopt}},
     {{kOtherList, {}, {kGrey, kCream, kOwn.text}, 1},
      {kList, {{0, 0, kBlue, kOwn.textBack}}, {}, 0}},
     {}},
};

INSTANTIATE_TEST_SUITE_P(Sequences, RegistryTest, ::testing::ValuesIn(kSequences),
                         [](const ::testing::TestParamInfo<SequenceCase>& info) {
                             return std::string(info.param.name);
                         });

struct StageCase {
    const char* name;
    DrawStage stage;
    ListKey from;
    bool answered;
    bool notifyItemDraw;
};

void PrintTo(const StageCase& c, std::ostream* os) { *os << c.name; }

class DrawStageTest : public ::testing::TestWithParam<StageCase> {};

TEST_P(DrawStageTest, AnswersTheStage) {
    const StageCase& c = GetParam();
    CellColorRegistry registry;
    registry.SetCellColor(kList, 0, 0, kRed, kYellow, kOwn);
    registry.SetListColors(kList, kGrey, kCream, 1, kOwn);
    DrawAnswer answer = AnswerCustomDraw(registry, {c.from, c.stage, 0, 0}, kOwn);
    EXPECT_EQ(answer.answered, c.answered);
    EXPECT_EQ(answer.returnNotifyItemDraw, c.notifyItemDraw);
    EXPECT_FALSE(answer.textColor.has_value());
    EXPECT_FALSE(answer.textBackColor.has_value());
}

INSTANTIATE_TEST_SUITE_P(
    Stages, DrawStageTest,
    ::testing::Values(
        StageCase{"Prepaint", DrawStage::Prepaint, kList, true, true},
        StageCase{"ItemPrepaint", DrawStage::ItemPrepaint, kList, true, true},
        StageCase{"OtherStage", DrawStage::Other, kList, false, false},
        StageCase{"PrepaintOfOtherList", DrawStage::Prepaint, kOtherList, false, false},
        StageCase{"ItemPrepaintOfOtherList", DrawStage::ItemPrepaint, kOtherList, false, false}),
    [](const ::testing::TestParamInfo<StageCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace velmora
