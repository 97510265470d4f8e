// The two table readers of the announcement page: the page is cut into the
// section of shares about to be issued and the section of shares issued and
// awaiting listing, and each section's table rows are walked from its front.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string_view>
#include <vector>

#include "text/text.h"

namespace velmora {

enum class ShareTable { Upcoming, Issued };

// A cell of the row drawn in its own text colour on the list's background.
struct CellHighlight {
    int column;
    uint32_t textColor;  // COLORREF 0x00BBGGRR

    friend bool operator==(const CellHighlight&, const CellHighlight&) = default;
};

struct ShareRow {
    // 11 texts for Upcoming (columns 0..10), 12 for Issued (0..11; column 11
    // holds the winning-numbers article id).
    std::vector<Text> columns;
    std::optional<CellHighlight> highlight;

    friend bool operator==(const ShareRow&, const ShareRow&) = default;
};

// Views into the page.
struct PageSections {
    std::string_view upcoming;
    std::string_view issued;
};

inline constexpr uint32_t kHighlightRed = 255;

PageSections CutSections(std::string_view page);

// Walks the section and calls onRow for each accepted row, in page order.
// today gives today's 8-digit date (YYYYMMDD); it is asked anew for every
// upcoming row that is added.
void WalkShareRows(std::string_view section, ShareTable table, const std::function<Text()>& today,
                   const std::function<void(ShareRow&&)>& onRow);

// The accepted rows of the section as a list.
std::vector<ShareRow> ReadShareRows(std::string_view section, ShareTable table, const Text& today);

}  // namespace velmora
