// The two table readers: cutting the announcement page into its sections and
// walking each section's rows, on small section fixtures and the demo page.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "loader/row_walk.h"

namespace velmora {
namespace {

constexpr uint32_t kRed = 255;
const std::optional<CellHighlight> kNone = std::nullopt;
const std::optional<CellHighlight> kDateRed = CellHighlight{1, kRed};
const std::optional<CellHighlight> kLinkRed = CellHighlight{2, kRed};

// An upcoming row as the demo site writes it: the name in a quote link, the
// subscription date inside a span, the other cells as given.
std::string UpcomingRow(const std::vector<std::string>& cells) {
    std::string html =
        "<tr class=\"odd\"><td><a href=\"quote.aspx?stockid=688701\" "
        "target=\"_blank\">" +
        cells[0] + "</a></td><td><span>" + cells[1] + "</span></td>";
    for (std::size_t i = 2; i < cells.size(); ++i) html += "<td>" + cells[i] + "</td>";
    return html + "</tr>\n";
}

// An issued row as the demo site writes it: cells 1..11 plain.
std::string IssuedRow(const std::vector<std::string>& cells) {
    std::string html =
        "<tr class=\"even\"><td><a href=\"quote.aspx?stockid=603777\" "
        "target=\"_blank\">" +
        cells[0] + "</a></td>";
    for (std::size_t i = 1; i < cells.size(); ++i) html += "<td>" + cells[i] + "</td>";
    return html + "</tr>\n";
}

const std::vector<std::string> kUpcomingCells = {"蓝海光电", "20260105", "787701", "21.30",
                                                 "2,000万",  "0.80万",   "28.15",  "20260106",
                                                 "20260107", "20260108", "仅网下", "中信证券"};
const std::vector<std::string> kIssuedCells = {"青山材料", "待定",     "603777", "0.0412%",
                                               "20260106", "8,765亿",  "待定",   "1.50万",
                                               "11.72",    "20260107", "网上",   "22.64"};

std::string WithCapitalLink(std::string html) {
    const std::string link = "quote.aspx?stockid=";
    return html.replace(html.find(link), link.size(), "QUOTE.ASPX?STOCKID=");
}

std::vector<std::string> With(std::vector<std::string> cells, std::size_t i, std::string cell) {
    cells[i] = std::move(cell);
    return cells;
}

void ExpectSameRows(const std::vector<ShareRow>& actual, const std::vector<ShareRow>& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < actual.size(); ++i) {
        SCOPED_TRACE("row " + std::to_string(i));
        EXPECT_EQ(actual[i].columns, expected[i].columns);
        EXPECT_EQ(actual[i].highlight.has_value(), expected[i].highlight.has_value());
        if (actual[i].highlight && expected[i].highlight) {
            EXPECT_EQ(actual[i].highlight->column, expected[i].highlight->column);
            EXPECT_EQ(actual[i].highlight->textColor, expected[i].highlight->textColor);
        }
    }
}

struct WalkCase {
    const char* name;
    ShareTable table;
    std::string section;
    std::vector<ShareRow> rows;
    std::string today = "20260101";
};

void PrintTo(const WalkCase& c, std::ostream* os) { *os << c.name; }

class WalkTest : public ::testing::TestWithParam<WalkCase> {};

TEST_P(WalkTest, ReadsTheAcceptedRows) {
    const WalkCase& c = GetParam();
    ExpectSameRows(ReadShareRows(c.section, c.table, c.today), c.rows);
}

const WalkCase kWalkCases[] = {
    {"UpcomingCell10DroppedCell11InColumn10",
     ShareTable::Upcoming,
     UpcomingRow(kUpcomingCells),
     {{{"蓝海光电", "20260105", "787701", "21.30", "2,000万", "0.80万", "28.15", "20260106",
        "20260107", "20260108", "中信证券"},
       kNone}}},
    {"MarkupInsideUpcomingCells4And6",
     ShareTable::Upcoming,
     UpcomingRow(With(With(kUpcomingCells, 4, "2,000万<br/>(网上<b>800</b>万)"), 6,
                      "<font color=\"#666\">28.15</font>倍")),
     {{{"蓝海光电", "20260105", "787701", "21.30", "2,000万(网上800万)", "0.80万", "28.15倍",
        "20260106", "20260107", "20260108", "中信证券"},
       kNone}}},
    {"TagsCutOtherCellsShort",
     ShareTable::Issued,
     IssuedRow(With(With(kIssuedCells, 5, "8,765<br>亿"), 8, "<b>11.72</b>")),
     {{{"青山材料", "待定", "603777", "0.0412%", "20260106", "8,765", "待定", "1.50万", "",
        "20260107", "22.64", ""},
       kNone}}},
    // Without the span, the second cut of cell 1 leaves the cell: every later
    // cell reads the page cell after its own.
    {"UpcomingCell1WithoutInnerElement",
     ShareTable::Upcoming,
     "<tr><td><a href=\"quote.aspx?stockid=688701\">蓝海光电</a></td><td>20260105</td>"
     "<td>787701</td><td>21.30</td><td>2,000万<br/>(网上800万)</td><td>0.80万</td>"
     "<td><font>28.15</font></td><td>20260106</td><td>20260107</td><td>20260108</td>"
     "<td>仅网下</td><td>中信证券</td></tr>\n",
     {{{"蓝海光电", "", "21.30", "2,000万", "0.80万", "", "20260106", "20260107", "20260108",
        "仅网下", ""},
       kNone}}},
    {"RowTestIsCaseExact", ShareTable::Issued, WithCapitalLink(IssuedRow(kIssuedCells)), {}},
    // The row test only decides whether the walk goes on; the cut finds the
    // link in any letter case, so the first row starts at the capital link.
    {"CapitalLinkBeforeSmallLink",
     ShareTable::Issued,
     WithCapitalLink(IssuedRow(With(kIssuedCells, 0, "甲"))) +
         IssuedRow(With(kIssuedCells, 0, "乙")),
     {{{"甲", "待定", "603777", "0.0412%", "20260106", "8,765亿", "待定", "1.50万", "11.72",
        "20260107", "22.64", ""},
       kNone},
      {{"乙", "待定", "603777", "0.0412%", "20260106", "8,765亿", "待定", "1.50万", "11.72",
        "20260107", "22.64", ""},
       kNone}}},
    // 皅 is B0 71 in GBK: its second byte is the q of the row marker.
    {"RowMarkerOnSecondByteIsNoRow",
     ShareTable::Issued,
     "<td><a href=皅uote.aspx?stockid=1>名称</a></td><td>待定</td>",
     {}},
    {"SpaceNamesSkippedNextRowTakesTheirPlace",
     ShareTable::Upcoming,
     UpcomingRow(With(kUpcomingCells, 0, " 　 ")) +
         UpcomingRow(With(kUpcomingCells, 0, "松 岩　股份")),
     {{{"松岩股份", "20260105", "787701", "21.30", "2,000万", "0.80万", "28.15", "20260106",
        "20260107", "20260108", "中信证券"},
       kNone}}},
    // The link rule's cut takes the "<" of "</td>": the row goes on one cell late.
    {"EmptyIssuedCell2CountsAsLink",
     ShareTable::Issued,
     IssuedRow(With(kIssuedCells, 2, "")) + IssuedRow(With(kIssuedCells, 0, "白鹭电气")),
     {{{"青山材料", "待定", "双击查看", "20260106", "8,765亿", "待定", "1.50万", "11.72",
        "20260107", "网上", "\n", ""},
       kLinkRed},
      {{"白鹭电气", "待定", "603777", "0.0412%", "20260106", "8,765亿", "待定", "1.50万", "11.72",
        "20260107", "22.64", ""},
       kNone}}},
    {"RowWithoutLinkAfterRowWithLink",
     ShareTable::Issued,
     IssuedRow(With(kIssuedCells, 2, "<a href=newspage.aspx?id=5 target=_blank>公布</a>")) +
         IssuedRow(With(kIssuedCells, 0, "白鹭电气")),
     {{{"青山材料", "待定", "双击查看", "0.0412%", "20260106", "8,765亿", "待定", "1.50万", "11.72",
        "20260107", "22.64", "5"},
       kLinkRed},
      {{"白鹭电气", "待定", "603777", "0.0412%", "20260106", "8,765亿", "待定", "1.50万", "11.72",
        "20260107", "22.64", ""},
       kNone}}},
    // Without "</td>" the cuts run into the next row, whose link is lost.
    {"RowWithoutCellEnds",
     ShareTable::Issued,
     "<tr><td><a href=\"quote.aspx?stockid=1\">甲</a><td>ab<td>cd</tr>\n" +
         IssuedRow(With(kIssuedCells, 1, "ef")),
     {{{"甲", "ef", "603777", "0.0412%", "20260106", "8,765亿", "待定", "1.50万", "11.72",
        "20260107", "22.64", ""},
       kNone}}},
    {"NoTagEndAfterLink", ShareTable::Upcoming, "<td><a href=\"quote.aspx?stockid=1\" 名称", {}},
    {"NoTagStartAfterName", ShareTable::Upcoming, "<td><a href=\"quote.aspx?stockid=1\">名称", {}},
    {"PageEndsAfterName",
     ShareTable::Upcoming,
     "<td><a href=\"quote.aspx?stockid=1\">名称</a>",
     {{{"名称", "", "", "", "", "", "", "", "", "", ""}, kNone}}},
    // Cell 4 without its "</td>" is empty, not the rest of the section.
    {"PageEndsInsideUpcomingCell4",
     ShareTable::Upcoming,
     "<td><a href=\"quote.aspx?stockid=1\">名称</a></td><td><span>20260105</span></td>"
     "<td>787701</td><td>21.30</td><td>2,000万<br/>(网上",
     {{{"名称", "20260105", "787701", "21.30", "", "", "", "", "", "", ""}, kNone}}},
    {"TodayMatchesOnlyByteForByte",
     ShareTable::Upcoming,
     UpcomingRow(With(kUpcomingCells, 1, "20261211")) +
         UpcomingRow(With(kUpcomingCells, 1, "2026-12-11")) +
         UpcomingRow(With(kUpcomingCells, 1, " 20261211")) +
         UpcomingRow(With(kUpcomingCells, 1, "1211")),
     {{{"蓝海光电", "20261211", "787701", "21.30", "2,000万", "0.80万", "28.15", "20260106",
        "20260107", "20260108", "中信证券"},
       kDateRed},
      {{"蓝海光电", "2026-12-11", "787701", "21.30", "2,000万", "0.80万", "28.15", "20260106",
        "20260107", "20260108", "中信证券"},
       kNone},
      {{"蓝海光电", " 20261211", "787701", "21.30", "2,000万", "0.80万", "28.15", "20260106",
        "20260107", "20260108", "中信证券"},
       kNone},
      {{"蓝海光电", "1211", "787701", "21.30", "2,000万", "0.80万", "28.15", "20260106", "20260107",
        "20260108", "中信证券"},
       kNone}},
     "20261211"},
    {"TwoByteCharactersAgainstEveryMarker",
     ShareTable::Issued,
     "头quote.aspx?stockid=码>名称<尾</td>头>上市<尾</td>头>代码<尾</td>头>中签<尾</td>头>公布<尾"
     "</td>头>冻结<尾</td>头>预计<尾</td>头>上限<尾</td>头>价格<尾</td>头>解冻<尾</td>头>方式<尾"
     "</td>头>市盈<尾",
     {{{"名称", "上市", "代码", "中签", "公布", "冻结", "预计", "上限", "价格", "解冻", "市盈", ""},
       kNone}}},
};

INSTANTIATE_TEST_SUITE_P(Sections, WalkTest, ::testing::ValuesIn(kWalkCases),
                         [](const ::testing::TestParamInfo<WalkCase>& info) {
                             return std::string(info.param.name);
                         });

// Cell 2 of an issued row: the link to the winning-numbers article.
struct LinkCase {
    const char* name;
    std::string cell2;
    std::string column2;
    std::string articleId;
    bool red;
};

void PrintTo(const LinkCase& c, std::ostream* os) { *os << c.name; }

class LinkTest : public ::testing::TestWithParam<LinkCase> {};

TEST_P(LinkTest, ReadsTheArticleId) {
    const LinkCase& c = GetParam();
    std::vector<ShareRow> rows =
        ReadShareRows(IssuedRow(With(kIssuedCells, 2, c.cell2)), ShareTable::Issued, "20260106");
    ASSERT_EQ(rows.size(), 1u);
    ASSERT_EQ(rows[0].columns.size(), 12u);
    EXPECT_EQ(rows[0].columns[2], c.column2);
    EXPECT_EQ(rows[0].columns[11], c.articleId);
    EXPECT_EQ(rows[0].highlight, c.red ? kLinkRed : kNone);
    // The cells after the link stay in their places.
    EXPECT_EQ(rows[0].columns[3], "0.0412%");
    EXPECT_EQ(rows[0].columns[10], "22.64");
}

INSTANTIATE_TEST_SUITE_P(
    Links, LinkTest,
    ::testing::Values(LinkCase{"NumericId", "<a href=newspage.aspx?id=123 target=_blank>公布</a>",
                               "双击查看", "123", true},
                      LinkCase{"QuotedIdKeepsItsQuote",
                               "<a href=\"newspage.aspx?id=77\" target=_blank>公布</a>", "双击查看",
                               "77\"", true},
                      LinkCase{"NoSpaceBeforeTagEnd", "<a href=newspage.aspx?id=88>公布</a>",
                               "双击查看", "", true},
                      LinkCase{"IdInsideStockid", "<a href=quote.aspx?stockid=600001 x>行情</a>",
                               "双击查看", "600001", true},
                      LinkCase{"NoIdDropsThreeBytes",
                               "<a href=news/5123.htm target=_blank>公布</a>", "双击查看",
                               "ref=news/5123.htm", true},
                      LinkCase{"CapitalId", "<A HREF=newspage.aspx?ID=9 TARGET=_blank>公布</A>",
                               "双击查看", "9", true},
                      LinkCase{"TwoByteCharactersAroundId", "<a title=公告id=中签 号>公布</a>",
                               "双击查看", "中签", true},
                      LinkCase{"LiteralSeeArticleText", "双击查看", "双击查看", "", true},
                      LinkCase{"TradingCode", "603777", "603777", "", false}),
    [](const ::testing::TestParamInfo<LinkCase>& info) { return std::string(info.param.name); });

TEST(WalkShareRowsTest, AsksForTodayOncePerAddedRow) {
    // Midnight falls between the first and the second row.
    const std::string section = UpcomingRow(With(kUpcomingCells, 1, "20261211")) +
                                UpcomingRow(With(kUpcomingCells, 0, "　")) +
                                UpcomingRow(With(kUpcomingCells, 1, "20261211")) +
                                UpcomingRow(With(kUpcomingCells, 1, "20261212"));
    const std::vector<Text> days = {"20261211", "20261212", "20261212"};
    std::size_t asked = 0;
    std::vector<ShareRow> rows;
    WalkShareRows(
        section, ShareTable::Upcoming,
        [&] { return asked < days.size() ? days[asked++] : Text("never"); },
        [&](ShareRow&& row) { rows.push_back(std::move(row)); });
    EXPECT_EQ(asked, 3u);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].highlight, kDateRed);
    EXPECT_EQ(rows[1].highlight, kNone);
    EXPECT_EQ(rows[2].highlight, kDateRed);
}

struct SectionCase {
    const char* name;
    std::string page;
    std::string upcoming;
    std::string issued;
};

void PrintTo(const SectionCase& c, std::ostream* os) { *os << c.name; }

class CutSectionsTest : public ::testing::TestWithParam<SectionCase> {};

TEST_P(CutSectionsTest, CutsBothSections) {
    const SectionCase& c = GetParam();
    PageSections sections = CutSections(c.page);
    EXPECT_EQ(sections.upcoming, c.upcoming);
    EXPECT_EQ(sections.issued, c.issued);
    for (std::string_view view : {sections.upcoming, sections.issued}) {
        EXPECT_TRUE(view.data() >= c.page.data() &&
                    view.data() + view.size() <= c.page.data() + c.page.size());
    }
}

// The first marker is 14 bytes in GBK (7 characters), the second 18 (9).
INSTANTIATE_TEST_SUITE_P(
    Pages, CutSectionsTest,
    ::testing::Values(
        SectionCase{"AllMarkers",
                    "要闻quote.aspx?stockid=1即将发行的新股甲quote.aspx?stockid=2已发行待上市的新股"
                    "乙quote.aspx?stockid=3以上新股中签率公布日期丙quote.aspx?stockid=4",
                    "甲quote.aspx?stockid=2", "乙quote.aspx?stockid=3"},
        SectionCase{"FirstMarkerMissing",
                    "新股申购一览表甲已发行待上市的新股乙以上新股中签率公布日", "甲", "乙"},
        SectionCase{"SecondMarkerMissing",
                    "即将发行的新股甲甲甲已完成申购的新股乙以上新股中签率公布日丙", "", "新股乙"},
        SectionCase{"ThirdMarkerMissing", "即将发行的新股甲已发行待上市的新股乙以上新股申购日丙",
                    "甲", ""},
        SectionCase{"FirstTwoMarkersSwapped",
                    "已发行待上市的新股乙即将发行的新股甲以上新股中签率公布日丙", "", ""},
        SectionCase{"LastTwoMarkersSwapped",
                    "即将发行的新股甲以上新股中签率公布日丙已发行待上市的新股乙",
                    "甲以上新股中签率公布日丙", ""},
        SectionCase{"EmptyPage", "", "", ""}),
    [](const ::testing::TestParamInfo<SectionCase>& info) { return std::string(info.param.name); });

std::string ReadFixture(const std::string& relative) {
    std::string here = __FILE__;
    std::string dir = here.substr(0, here.find_last_of("/\\") + 1);
    std::ifstream in(dir + "../../demo/" + relative, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

TEST(DemoPageTest, BasicFixtureGivesTheRowsTheDemoReadmeLists) {
    const std::string bytes = ReadFixture("fixtures/basic.html");
    ASSERT_FALSE(bytes.empty()) << "demo/fixtures/basic.html not found from " << __FILE__;
    const Text page = PageBytesToText(bytes);
    const PageSections sections = CutSections(page);

    ExpectSameRows(ReadShareRows(sections.upcoming, ShareTable::Upcoming, "20260105"),
                   {{{"蓝海光电", "20260105", "787701", "21.30", "2,000万(网上800万)", "0.80万",
                      "28.15", "20260106", "20260107", "20260108", "中信证券"},
                     kDateRed},
                    {{"松岩股份", "20260105", "732715", "8.88", "5,000万(网上2,000万)", "2.00万",
                      "16.42", "20260106", "20260107", "20260108", "国泰君安"},
                     kDateRed},
                    {{"远帆科技", "20260106", "301720", "35.00", "1,500万(网上600万)", "0.60万",
                      "45.07", "20260107", "20260108", "20260109", "华泰联合"},
                     kNone}});
    // 白鹭电气's empty cell 2 counts as a link: its row goes on one cell late
    // and its last cell holds the line break behind "</tr>".
    ExpectSameRows(ReadShareRows(sections.issued, ShareTable::Issued, "20260105"),
                   {{{"星河医药", "20260115", "双击查看", "0.0345%", "20251231", "1.23万亿",
                      "20260115", "1.20万", "18.50", "20260105", "23.45", "1"},
                     kLinkRed},
                    {{"青山材料", "待定", "603777", "0.0412%", "20260106", "8,765亿", "待定",
                      "1.50万", "11.72", "20260107", "22.64", ""},
                     kNone},
                    {{"白鹭电气", "待定", "双击查看", "20260107", "6,543亿", "待定", "2.00万",
                      "7.95", "20260108", "网上", "\n", ""},
                     kLinkRed}});
}

}  // namespace
}  // namespace velmora
