// The lists' pop-up menus: shown on a right-button press over a list (or the
// context-menu key / Shift+F10 on a focused list), their commands carried out
// by the main window.
#pragma once

#include <windows.h>

#include <string_view>

namespace velmora {

// Puts the menus on both lists of the main window.
void AttachListMenus(HWND mainWindow);

// Shows the list's menu with its top-left corner at (x + 3, y + 3), screen
// coordinates; the picked item reaches the main window as WM_COMMAND.
void ShowListMenu(HWND mainWindow, HWND list, POINT at);

// Runs the command of a menu item; false when id is not one of the menus'.
bool RunListCommand(HWND mainWindow, UINT id);

// Opens the home page with the shell's "open" action, or with the program
// registered for ".htm" files when that fails.
void OpenHomePage(std::string_view homePageUrl);

}  // namespace velmora
