// The announcement page's sections and the row walk of both tables, on any
// text: the walk with its carried finders must read exactly the rows that the
// table rules give when followed cut by cut with plain searches, must end, and
// must give each row its columns.
//
// Input: the page text (GBK). Its sections are walked by their own tables, and
// the whole text is walked by both, so that rows are read without headings.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "loader/row_walk.h"
#include "support/check.h"
#include "support/reference.h"
#include "text/text.h"

namespace velmora {
namespace {

using fuzz::NamedValue;
namespace ref = fuzz::ref;

constexpr std::string_view kUpcomingHeading = "即将发行的新股";
constexpr std::string_view kIssuedHeading = "已发行待上市的新股";
constexpr std::string_view kSectionEnd = "以上新股中签率公布日";
constexpr std::string_view kQuoteLink = "quote.aspx?stockid=";
constexpr std::string_view kSeeArticle = "双击查看";
constexpr char kToday[] = "20260105";

// The table rules followed literally, cut by cut, on views of the section.
std::vector<ShareRow> RowsByTheRules(std::string_view section, ShareTable table) {
    const bool upcoming = table == ShareTable::Upcoming;
    std::vector<ShareRow> rows;
    std::string_view working = section;
    while (ref::Find(working, kQuoteLink, true) != ref::kNone) {
        working = ref::After(working, kQuoteLink);
        working = ref::After(working, ">");
        Text cells[12];
        Text articleId;
        cells[0] = Text(ref::Before(working, "<"));
        for (int cell = 1; cell <= 11; ++cell) {
            working = ref::After(working, "</td>");
            working = ref::After(working, ">");
            if (upcoming && cell == 1) working = ref::After(working, ">");
            if (upcoming && (cell == 4 || cell == 6)) {
                cells[cell] = ref::StripTags(ref::Before(working, "</td>"));
                continue;
            }
            cells[cell] = Text(ref::Before(working, "<"));
            if (!upcoming && cell == 2 && cells[cell].empty()) {
                cells[cell] = Text(kSeeArticle);
                working = ref::After(working, "<");
                std::string_view link = ref::Before(working, "<");
                link = ref::After(link, "id=");
                articleId = Text(ref::Before(link, " "));
            }
        }
        const Text name = ref::RemoveSpaces(cells[0]);
        if (name.empty()) continue;
        ShareRow row;
        row.columns.push_back(name);
        for (int cell = 1; cell <= 9; ++cell) row.columns.push_back(cells[cell]);
        row.columns.push_back(cells[11]);
        if (upcoming) {
            if (row.columns[1] == kToday) row.highlight = CellHighlight{1, kHighlightRed};
        } else {
            row.columns.push_back(articleId);
            if (row.columns[2] == kSeeArticle) row.highlight = CellHighlight{2, kHighlightRed};
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

// Joins a row's columns for a failure report.
std::string Joined(const std::vector<ShareRow>& rows) {
    std::string out;
    for (const ShareRow& row : rows) {
        for (const Text& column : row.columns) out += column + "|";
        out += row.highlight ? "!" + std::to_string(row.highlight->column) : "-";
        out += "\n";
    }
    return out;
}

void CheckWalk(std::string_view section, ShareTable table) {
    const bool upcoming = table == ShareTable::Upcoming;
    const char* tableName = upcoming ? "upcoming" : "issued";
    std::vector<ShareRow> walked;
    std::size_t todayCalls = 0;
    WalkShareRows(
        section, table,
        [&todayCalls] {
            ++todayCalls;
            return Text(kToday);
        },
        [&walked](ShareRow&& row) { walked.push_back(std::move(row)); });
    const NamedValue s{"section", section}, t{"table", tableName};

    // Each row costs the walk the length of the quote link at least.
    FUZZ_REQUIRE(walked.size() <= section.size() / kQuoteLink.size(),
                 "the walk reads no more rows than the section has room for", s, t);
    FUZZ_REQUIRE(todayCalls == (upcoming ? walked.size() : 0),
                 "today's date is asked once per upcoming row added, never for issued rows", s, t);
    for (const ShareRow& row : walked) {
        FUZZ_REQUIRE(row.columns.size() == (upcoming ? 11u : 12u),
                     "each row has the table's column count", s, t);
        FUZZ_REQUIRE(!row.columns[0].empty() && RemoveSpaces(row.columns[0]) == row.columns[0],
                     "the name is not empty and has no spaces", s, t,
                     NamedValue{"name", row.columns[0]});
        const int marked = upcoming ? 1 : 2;
        const bool red = upcoming ? row.columns[1] == kToday : row.columns[2] == kSeeArticle;
        FUZZ_REQUIRE(red == row.highlight.has_value() &&
                         (!red || (row.highlight->column == marked &&
                                   row.highlight->textColor == kHighlightRed)),
                     "the highlight is set for exactly the rows its rule names", s, t);
        if (!upcoming && row.columns[2] != kSeeArticle) {
            FUZZ_REQUIRE(row.columns[11].empty(), "only a link cell gives an article id", s, t);
        }
    }

    const std::vector<ShareRow> expected = RowsByTheRules(section, table);
    FUZZ_REQUIRE(walked == expected, "the walk reads the rows the table rules give", s, t,
                 NamedValue{"walked", Joined(walked)}, NamedValue{"expected", Joined(expected)});
    FUZZ_REQUIRE(ReadShareRows(section, table, kToday) == walked,
                 "ReadShareRows lists the rows WalkShareRows hands out", s, t);
}

bool Inside(std::string_view part, std::string_view whole) {
    return part.empty() || (part.data() >= whole.data() &&
                            part.data() + part.size() <= whole.data() + whole.size());
}

}  // namespace
}  // namespace velmora

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    using namespace velmora;
    const std::string_view page(reinterpret_cast<const char*>(data), size);

    const PageSections sections = CutSections(page);
    const std::string_view rest = ref::After(page, kUpcomingHeading);
    const std::string_view upcoming = ref::Before(rest, kIssuedHeading);
    const std::string_view issued = ref::Before(ref::After(rest, kIssuedHeading), kSectionEnd);
    const NamedValue p{"page", page};
    FUZZ_REQUIRE(sections.upcoming == upcoming, "the upcoming section lies between its headings", p,
                 NamedValue{"upcoming", sections.upcoming});
    FUZZ_REQUIRE(sections.issued == issued, "the issued section lies between its markers", p,
                 NamedValue{"issued", sections.issued});
    FUZZ_REQUIRE(Inside(sections.upcoming, page) && Inside(sections.issued, page),
                 "the sections are views into the page", p);

    CheckWalk(sections.upcoming, ShareTable::Upcoming);
    CheckWalk(sections.issued, ShareTable::Issued);
    CheckWalk(page, ShareTable::Upcoming);
    CheckWalk(page, ShareTable::Issued);
    return 0;
}
