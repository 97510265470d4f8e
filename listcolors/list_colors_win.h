// Colours of single cells and row stripes of the report lists, painted while
// a list draws itself: ListHookProc replaces the window procedure of the
// window that receives the lists' notifications and answers NM_CUSTOMDRAW from
// the program-wide CellColorRegistry. The registry is only ever touched on the
// window thread (a setter called from a job is carried over to it), so the
// drawing hook never sees it half changed.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <optional>

#include "listcolors/registry.h"

namespace velmora {

void SetCellColor(HWND hookWindow, HWND list, int row, int column, COLORREF textColor,
                  std::optional<COLORREF> backColor = std::nullopt);
void SetListColors(HWND hookWindow, HWND list, std::optional<COLORREF> evenBack = std::nullopt,
                   std::optional<COLORREF> oddBack = std::nullopt,
                   std::optional<int> stripesOn = std::nullopt);

LRESULT CALLBACK ListHookProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The program-wide store (window thread only), and the end-of-program release.
const CellColorRegistry& ColorStore();
bool ColorHookInstalled();
void FreeColorStore();

// The custom-draw record as the registry's answer fills it in; the result the
// hook returns for it, or nothing when the message goes on to the previous procedure.
std::optional<LRESULT> ApplyDrawAnswer(const DrawAnswer& answer, NMLVCUSTOMDRAW& record);

}  // namespace velmora
