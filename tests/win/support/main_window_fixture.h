// A real main window for a test, with the jobs and sites the test chooses.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "app/main_window_win.h"
#include "text/text.h"

namespace velmora::testing {

class MainWindowFixture {
public:
    explicit MainWindowFixture(MainWindowOptions options, int show = SW_SHOWNORMAL);
    ~MainWindowFixture();
    MainWindowFixture(const MainWindowFixture&) = delete;
    MainWindowFixture& operator=(const MainWindowFixture&) = delete;

    HWND window() const { return controls_.window; }
    const MainWindowControls& controls() const { return controls_; }

    // Every text put into status bar part 1, in order (recorded from the
    // control's own messages).
    const std::vector<Text>& statusTexts() const;
    // Whether the list was disabled at some moment (from its WM_ENABLE messages).
    bool WasDisabled(HWND list) const;

    std::vector<std::vector<Text>> Rows(HWND list) const;

private:
    MainWindowControls controls_;
};

// A list drawn into a bitmap through its own painting (WM_PRINTCLIENT), with
// the colours the hook gives it; pixels read back as COLORREF.
class ListPicture {
public:
    explicit ListPicture(HWND list);
    ~ListPicture();
    COLORREF Pixel(int x, int y) const;
    // Whether any pixel inside the rectangle is clearly red.
    bool HasRed(const RECT& r) const;
    // The colour found most often in the rectangle (the background).
    COLORREF MostCommon(const RECT& r) const;
    RECT CellRect(int row, int column) const;

private:
    HWND list_;
    int width_ = 0, height_ = 0;
    std::vector<DWORD> pixels_;
};

}  // namespace velmora::testing
