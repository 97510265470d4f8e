// The program-wide store of cell colours and row stripes of the report lists,
// and the answer the lists' custom drawing gets from it. The list hook of the
// skin keeps one registry and asks AnswerCustomDraw at every notification.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace velmora {

// Identifies a list: the skin passes the value of the list's window handle.
using ListKey = std::uintptr_t;

// Colours are COLORREF values 0x00BBGGRR.
struct CellColorRecord {
    int32_t row;
    int32_t column;
    uint32_t textColor;
    uint32_t backColor;
};

struct StripeColors {
    uint32_t evenBack = 0;
    uint32_t oddBack = 0;
    uint32_t textColor = 0;  // the list's text colour when the stripes were turned on
};

struct ListColorEntry {
    ListKey list;
    std::vector<CellColorRecord> cells;
    StripeColors stripes;
    int32_t stripesOn = 0;
};

// The list's own text colour and text background at the moment of a call.
struct ListOwnColors {
    uint32_t text;
    uint32_t textBack;
};

class CellColorRegistry {
  public:
    // Gives the cell its colours (backColor omitted: the list's own background);
    // a cell given exactly the list's own colours loses its record. The list is
    // registered in any case. Returns true when the list must be redrawn.
    bool SetCellColor(ListKey list, int32_t row, int32_t column, uint32_t textColor,
                      std::optional<uint32_t> backColor, ListOwnColors own);
    // Turns the row stripes on (stripesOn given and not 0) or off. An omitted
    // background, even or odd, is the list's own background. Turning stripes off
    // on a list without colours does nothing and returns false; otherwise
    // returns true (the list must be redrawn).
    bool SetListColors(ListKey list, std::optional<uint32_t> evenBack,
                       std::optional<uint32_t> oddBack, std::optional<int32_t> stripesOn,
                       ListOwnColors own);
    void Clear();

    // In the order the lists were first registered, one entry per list.
    const std::vector<ListColorEntry>& entries() const { return entries_; }

  private:
    ListColorEntry* Find(ListKey list);

    std::vector<ListColorEntry> entries_;
};

enum class DrawStage { Prepaint, ItemPrepaint, SubItemPrepaint, Other };

struct DrawRequest {
    ListKey from;
    DrawStage stage;
    int32_t row;
    int32_t column;
};

struct DrawAnswer {
    bool answered = false;              // an entry answered
    bool returnNotifyItemDraw = false;  // return 0x20 at once, the previous procedure not called
    // The values to write into clrText and clrTextBk.
    std::optional<uint32_t> textColor;
    std::optional<uint32_t> textBackColor;
};

// What the list hook does with a custom-draw notification from request.from.
// At the sub-item stage both colours are set whenever the list has an entry, so
// that no colour of one cell leaks into the next.
DrawAnswer AnswerCustomDraw(const CellColorRegistry& registry, const DrawRequest& request,
                            ListOwnColors currentOwn);

}  // namespace velmora
