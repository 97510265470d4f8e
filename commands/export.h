// The list export: one of the two report lists written as a plain text of
// fixed-width columns, opened in Notepad.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

#include "text/text.h"

namespace velmora {

// The text padded with spaces to width bytes; a text as long or longer is left whole.
Text PadToWidth(std::string_view text, int32_t width);

enum class ExportedList { Upcoming, Issued };

// The list as the export reads it: the row count once, then for each row its
// column count (read anew for each row) and the texts of its cells.
struct ListReader {
    std::function<int()> rowCount;
    std::function<int()> columnCount;
    std::function<Text(int row, int column)> cell;
};

// Every row as one line ending with CR LF: each cell padded to 14 bytes for the
// first column (the first two of the issued list) and 10 for the others; the
// issued list's last column, the article id, is left out. No header.
Text ExportText(ExportedList which, const ListReader& list);

inline constexpr char kExportFileName[] = "文本导出.txt";

// The command that opens the exported file: "notepad.exe " and the path, unquoted.
Text ExportCommandLine(std::string_view exportPath);

}  // namespace velmora
