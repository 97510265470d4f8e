#include "listcolors/registry.h"

#include <algorithm>
#include <utility>

namespace velmora {
namespace {

const CellColorRecord* FindRecord(const std::vector<CellColorRecord>& cells, int32_t row,
                                  int32_t column) {
    auto it = std::find_if(cells.begin(), cells.end(), [&](const CellColorRecord& r) {
        return r.row == row && r.column == column;
    });
    return it == cells.end() ? nullptr : &*it;
}

}  // namespace

ListColorEntry* CellColorRegistry::Find(ListKey list) {
    auto it = std::find_if(entries_.begin(), entries_.end(),
                           [list](const ListColorEntry& e) { return e.list == list; });
    return it == entries_.end() ? nullptr : &*it;
}

bool CellColorRegistry::SetCellColor(ListKey list, int32_t row, int32_t column, uint32_t textColor,
                                     std::optional<uint32_t> backColor, ListOwnColors own) {
    const CellColorRecord record{row, column, textColor, backColor.value_or(own.textBack)};
    const bool ownColors = record.textColor == own.text && record.backColor == own.textBack;
    ListColorEntry* entry = Find(list);
    std::vector<CellColorRecord> cells =
        entry != nullptr ? entry->cells : std::vector<CellColorRecord>{};
    auto it = std::find_if(cells.begin(), cells.end(), [&](const CellColorRecord& r) {
        return r.row == row && r.column == column;
    });
    bool replaced = false;
    if (it != cells.end() && ownColors) {
        cells.erase(it);
    } else if (it != cells.end()) {
        *it = record;
        replaced = true;
    }
    if (!replaced && !ownColors) cells.push_back(record);

    if (entry != nullptr) {
        entry->cells = std::move(cells);
    } else {
        entries_.push_back(ListColorEntry{list, std::move(cells), StripeColors{}, 0});
    }
    return true;
}

bool CellColorRegistry::SetListColors(ListKey list, std::optional<uint32_t> evenBack,
                                      std::optional<uint32_t> oddBack,
                                      std::optional<int32_t> stripesOn, ListOwnColors own) {
    ListColorEntry* entry = Find(list);
    if (stripesOn.value_or(0) == 0) {
        if (entry == nullptr) return false;
        entry->stripesOn = 0;
        return true;
    }
    // An omitted odd background is the list's own background too (not the even
    // one), so stripes given one colour alternate it with the list's background.
    const StripeColors stripes{evenBack.value_or(own.textBack), oddBack.value_or(own.textBack),
                               own.text};
    if (entry != nullptr) {
        entry->stripesOn = *stripesOn;
        entry->stripes = stripes;
    } else {
        entries_.push_back(ListColorEntry{list, {}, stripes, *stripesOn});
    }
    return true;
}

void CellColorRegistry::Clear() { entries_.clear(); }

DrawAnswer AnswerCustomDraw(const CellColorRegistry& registry, const DrawRequest& request,
                            ListOwnColors currentOwn) {
    DrawAnswer answer;
    for (const ListColorEntry& entry : registry.entries()) {
        if (entry.list != request.from) continue;
        if (request.stage == DrawStage::Prepaint || request.stage == DrawStage::ItemPrepaint) {
            answer.answered = true;
            answer.returnNotifyItemDraw = true;
            return answer;
        }
        if (request.stage != DrawStage::SubItemPrepaint) continue;
        const CellColorRecord* record = FindRecord(entry.cells, request.row, request.column);
        if (entry.stripesOn != 0) {
            const bool odd = request.row % 2 != 0;
            answer.textBackColor = odd ? entry.stripes.oddBack : entry.stripes.evenBack;
            answer.textColor = entry.stripes.textColor;
        } else {
            answer.textColor = currentOwn.text;
            answer.textBackColor = currentOwn.textBack;
        }
        if (record != nullptr) {
            answer.textColor = record->textColor;
            answer.textBackColor = record->backColor;
        }
        if (entry.stripesOn != 0 || record != nullptr) {
            answer.answered = true;
            return answer;
        }
    }
    return answer;
}

}  // namespace velmora
