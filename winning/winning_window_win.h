// WinningNumbersWindow ("中签号"): the winning lot numbers of an issued share,
// downloaded on a job of its own when the window opens.
#pragma once

#include <windows.h>

#include <cstdint>

#include "text/text.h"

namespace velmora {

// The double-click on IssuedList (also Enter on it): the article of the
// selected row's hidden column 11 in a window owned by mainWindow. An empty id
// does nothing; a window already open is brought to the front and kept as it is.
// On the window thread.
void OpenWinningNumbers(HWND mainWindow, HWND issuedList);

// The open winning-numbers window, null when none (window thread).
HWND WinningNumbersWindowHandle();

struct WinningNumbersControls {
    HWND window = nullptr;
    HWND articleBox = nullptr;
    HWND loadingLabel = nullptr;
    HWND closeButton = nullptr;
};
WinningNumbersControls WinningNumbersControlsOf(HWND window);

// Loads a window showing the article at url, owned by owner; its creation
// starts the download (at most timeLimitMs). For OpenWinningNumbers and tests.
HWND LoadWinningNumbersWindow(HWND owner, const Text& url, std::uint32_t timeLimitMs);

}  // namespace velmora
