#include "loader/row_walk.h"

#include <array>
#include <utility>

namespace velmora {
namespace {

constexpr std::string_view kUpcomingHeading = "即将发行的新股";
constexpr std::string_view kIssuedHeading = "已发行待上市的新股";
constexpr std::string_view kSectionEnd = "以上新股中签率公布日";

constexpr std::string_view kQuoteLink = "quote.aspx?stockid=";
constexpr std::string_view kSeeArticle = "双击查看";
constexpr int kCellCount = 12;

// The markers of one section's walk, each remembering where it next occurs.
struct RowMarkers {
    MarkerFinder rowTest{kQuoteLink, LetterCase::Exact};
    MarkerFinder quoteLink{kQuoteLink};
    MarkerFinder tagEnd{">"};
    MarkerFinder tagStart{"<"};
    MarkerFinder cellEnd{"</td>"};
};

// The cells of one table row as views into the section (or into kSeeArticle);
// a cell read up to "</td>" still holds its tags.
struct RawRow {
    std::array<std::string_view, kCellCount> cells{};
    std::array<bool, kCellCount> stripTags{};
    std::string_view articleId;
};

bool ReadsWholeCell(ShareTable table, int cell) {
    return table == ShareTable::Upcoming && (cell == 4 || cell == 6);
}

// Reads cells 1..11 of the row whose name has just been read.
void ReadCells(std::string_view& working, ShareTable table, RowMarkers& m, RawRow& row) {
    for (int cell = 1; cell < kCellCount; ++cell) {
        working = TextAfterView(working, m.cellEnd);
        working = TextAfterView(working, m.tagEnd);
        // Upcoming cell 1 holds its date inside an element of its own.
        if (table == ShareTable::Upcoming && cell == 1) working = TextAfterView(working, m.tagEnd);
        if (ReadsWholeCell(table, cell)) {
            row.cells[cell] = TextBeforeView(working, m.cellEnd);
            row.stripTags[cell] = true;
            continue;
        }
        row.cells[cell] = TextBeforeView(working, m.tagStart);
        if (table == ShareTable::Issued && cell == 2 && row.cells[cell].empty()) {
            // The winning numbers are out: the cell links to their article.
            row.cells[cell] = kSeeArticle;
            working = TextAfterView(working, m.tagStart);
            std::string_view link = TextBeforeView(working, m.tagStart);
            link = TextAfterView(link, "id=");
            row.articleId = TextBeforeView(link, " ");
        }
    }
}

Text CellText(const RawRow& row, int cell) {
    return row.stripTags[cell] ? StripTags(row.cells[cell]) : Text(row.cells[cell]);
}

ShareRow MakeRow(const RawRow& row, Text name, ShareTable table,
                 const std::function<Text()>& today) {
    ShareRow out;
    out.columns.reserve(table == ShareTable::Upcoming ? 11 : 12);
    out.columns.push_back(std::move(name));
    for (int cell = 1; cell <= 9; ++cell) out.columns.push_back(CellText(row, cell));
    out.columns.push_back(CellText(row, 11));  // cell 10 is shown nowhere
    if (table == ShareTable::Upcoming) {
        if (out.columns[1] == today()) out.highlight = CellHighlight{1, kHighlightRed};
    } else {
        out.columns.emplace_back(row.articleId);
        if (out.columns[2] == kSeeArticle) out.highlight = CellHighlight{2, kHighlightRed};
    }
    return out;
}

}  // namespace

PageSections CutSections(std::string_view page) {
    std::string_view rest = TextAfterView(page, kUpcomingHeading);
    PageSections sections;
    sections.upcoming = TextBeforeView(rest, kIssuedHeading);
    sections.issued = TextBeforeView(TextAfterView(rest, kIssuedHeading), kSectionEnd);
    return sections;
}

void WalkShareRows(std::string_view section, ShareTable table, const std::function<Text()>& today,
                   const std::function<void(ShareRow&&)>& onRow) {
    RowMarkers m;
    std::string_view working = section;
    while (m.rowTest.Find(working) != std::string_view::npos) {
        working = TextAfterView(working, m.quoteLink);
        working = TextAfterView(working, m.tagEnd);
        RawRow row;
        row.cells[0] = TextBeforeView(working, m.tagStart);
        ReadCells(working, table, m, row);
        Text name = RemoveSpaces(row.cells[0]);
        if (name.empty()) continue;
        onRow(MakeRow(row, std::move(name), table, today));
    }
}

std::vector<ShareRow> ReadShareRows(std::string_view section, ShareTable table, const Text& today) {
    std::vector<ShareRow> rows;
    WalkShareRows(
        section, table, [&today] { return today; },
        [&rows](ShareRow&& row) { rows.push_back(std::move(row)); });
    return rows;
}

}  // namespace velmora
