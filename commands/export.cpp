#include "commands/export.h"

namespace velmora {
namespace {

constexpr int32_t kWideColumn = 14;
constexpr int32_t kNarrowColumn = 10;

int32_t ColumnWidth(ExportedList which, int column) {
    const int wideColumns = which == ExportedList::Issued ? 2 : 1;
    return column < wideColumns ? kWideColumn : kNarrowColumn;
}

}  // namespace

Text PadToWidth(std::string_view text, int32_t width) {
    Text out(text);
    if (width > 0 && out.size() < static_cast<std::size_t>(width)) {
        out.append(static_cast<std::size_t>(width) - out.size(), ' ');
    }
    return out;
}

Text ExportText(ExportedList which, const ListReader& list) {
    Text out;
    const int rows = list.rowCount();
    for (int row = 0; row < rows; ++row) {
        const int columns = list.columnCount();
        // The issued list's last column holds the article id, which is not shown.
        const int written = which == ExportedList::Issued ? columns - 1 : columns;
        for (int column = 0; column < written; ++column) {
            out += PadToWidth(list.cell(row, column), ColumnWidth(which, column));
        }
        out += "\r\n";
    }
    return out;
}

Text ExportCommandLine(std::string_view exportPath) {
    return Text("notepad.exe ") + Text(exportPath);
}

}  // namespace velmora
