// The user's commands on the lists: copying a cell of the selected row and
// exporting a whole list to Notepad. They run on the window thread.
#pragma once

#include <windows.h>

#include "text/text.h"

namespace velmora {

// The lowest selected row index, -1 when none.
int SelectedRow(HWND list);

// Copies the cell (selected row, column) to the clipboard as CF_TEXT (GBK bytes
// and a terminating zero) and as CF_UNICODETEXT; behind the first ":" when
// afterColon. A clipboard held elsewhere changes nothing.
void CopyCell(HWND list, int column, bool afterColon = false);
void PutTextOnClipboard(std::string_view text);

// Writes the list as aligned text to dataFolder + "文本导出.txt" and starts
// "notepad.exe " + that path. issued: the list's last column is left out.
void ExportList(HWND list, bool issued, std::string_view dataFolder);

}  // namespace velmora
