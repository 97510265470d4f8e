// MainWindow: two report lists on two tab pages and a status bar. Its
// creation sets the program-wide values, prepares the data folder and starts
// the jobs it is given.
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

#include "app/program.h"

namespace velmora {

// A job started by the main window's creation step. It gets the window and its
// own copy of the program-wide values as they stood when it was started.
using MainWindowJob = std::function<void(HWND mainWindow, const ProgramValues& program)>;

struct MainWindowOptions {
    Sites sites;
    std::vector<MainWindowJob> jobs;  // started in order, none waited for
};

struct MainWindowControls {
    HWND window = nullptr;
    HWND pageTabs = nullptr;
    HWND upcomingList = nullptr;
    HWND issuedList = nullptr;
    HWND statusBar = nullptr;
};

inline constexpr UINT_PTR kEndTimerId = 1;

// Registers the classes, initialises the control library and the window
// thread; then creates and shows the main window. Null when it cannot.
HWND CreateMainWindow(HINSTANCE instance, const MainWindowOptions& options, int showCommand);

// The controls of a main window (empty for any other window).
MainWindowControls ControlsOf(HWND mainWindow);

// Shows the list of tab page page (0 upcoming, 1 issued) and hides the other.
void SelectPage(HWND mainWindow, int page);

// EndTimer: period 0 stops it; any other period starts it, and its first tick
// ends the program with exit code 0. From any thread.
void SetEndTimerPeriod(HWND mainWindow, UINT milliseconds);

}  // namespace velmora
