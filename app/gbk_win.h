// The one place where GBK texts meet the controls: code page 936 by value,
// whatever the system's ANSI code page is, and the W functions.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "text/text.h"

namespace velmora {

std::wstring WideFromGbk(std::string_view text);
Text GbkFromWide(std::wstring_view text);

void SetTextGbk(HWND window, std::string_view text);
Text WindowTextGbk(HWND window);

void StatusSetTextGbk(HWND statusBar, int part, std::string_view text);
Text StatusTextGbk(HWND statusBar, int part);

void ListSetCellGbk(HWND list, int row, int column, std::string_view text);
// The whole text of a cell; the empty text for a row or column that does not exist.
Text ListCellGbk(HWND list, int row, int column);
// A column's header text.
Text ListHeaderGbk(HWND list, int column);

}  // namespace velmora
