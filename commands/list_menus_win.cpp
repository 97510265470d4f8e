#include "commands/list_menus_win.h"

#include <commctrl.h>
#include <shellapi.h>
#include <shlwapi.h>

#include <string>

#include "app/gbk_win.h"
#include "app/main_window_win.h"
#include "app/program.h"
#include "commands/commands_win.h"
#include "resources/resource.h"

namespace velmora {
namespace {

constexpr UINT_PTR kMenuSubclassId = 0x4D45;

LRESULT CALLBACK ListMenuProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                              DWORD_PTR mainWindow) {
    switch (message) {
        case WM_RBUTTONDOWN: {
            // The menu first; the press reaches the list once it has closed,
            // so the list selects the row before the picked command runs.
            POINT at;
            GetCursorPos(&at);
            ShowListMenu(reinterpret_cast<HWND>(mainWindow), list, at);
            break;
        }
        case WM_CONTEXTMENU:
            if (lParam == -1) {  // from the keyboard: next to the selected row
                RECT r{};
                int row = ListView_GetNextItem(list, -1, LVNI_SELECTED);
                if (row < 0 || !ListView_GetItemRect(list, row, &r, LVIR_LABEL)) GetClientRect(list, &r);
                POINT at{r.left, r.bottom};
                ClientToScreen(list, &at);
                ShowListMenu(reinterpret_cast<HWND>(mainWindow), list, at);
                return 0;
            }
            return 0;  // the mouse already had its menu on the press
    }
    return DefSubclassProc(list, message, wParam, lParam);
}

}  // namespace

void AttachListMenus(HWND mainWindow) {
    MainWindowControls c = ControlsOf(mainWindow);
    for (HWND list : {c.upcomingList, c.issuedList}) {
        SetWindowSubclass(list, ListMenuProc, kMenuSubclassId, reinterpret_cast<DWORD_PTR>(mainWindow));
    }
}

void ShowListMenu(HWND mainWindow, HWND list, POINT at) {
    MainWindowControls c = ControlsOf(mainWindow);
    int id = list == c.upcomingList ? IDR_UPCOMING_MENU : IDR_ISSUED_MENU;
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(mainWindow, GWLP_HINSTANCE));
    HMENU menu = LoadMenuW(instance, MAKEINTRESOURCEW(id));
    if (menu == nullptr) return;
    TrackPopupMenu(GetSubMenu(menu, 0), TPM_RIGHTBUTTON | TPM_LEFTALIGN | TPM_TOPALIGN, at.x + 3,
                   at.y + 3, 0, mainWindow, nullptr);
    DestroyMenu(menu);
}

bool RunListCommand(HWND mainWindow, UINT id) {
    MainWindowControls c = ControlsOf(mainWindow);
    const ProgramValues& program = Program();
    switch (id) {
        case IDM_UPCOMING_COPY_NAME: CopyCell(c.upcomingList, 0); return true;
        case IDM_UPCOMING_COPY_SUBSCRIPTION_CODE: CopyCell(c.upcomingList, 2, true); return true;
        case IDM_UPCOMING_EXPORT: ExportList(c.upcomingList, false, program.dataFolder); return true;
        case IDM_UPCOMING_HOME_PAGE: OpenHomePage(program.homePageUrl); return true;
        case IDM_ISSUED_COPY_NAME: CopyCell(c.issuedList, 0); return true;
        case IDM_ISSUED_COPY_WINNING_RATE: CopyCell(c.issuedList, 1); return true;
        case IDM_ISSUED_COPY_TRADING_CODE: CopyCell(c.issuedList, 7, true); return true;
        case IDM_ISSUED_EXPORT: ExportList(c.issuedList, true, program.dataFolder); return true;
    }
    return false;
}

void OpenHomePage(std::string_view homePageUrl) {
    std::wstring url = WideFromGbk(homePageUrl);
    auto opened = reinterpret_cast<INT_PTR>(
        ShellExecuteW(nullptr, L"open", url.c_str(), nullptr, nullptr, SW_SHOW));
    if (opened > 32) return;
    wchar_t program[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    if (SUCCEEDED(AssocQueryStringW(0, ASSOCSTR_EXECUTABLE, L".htm", L"open", program, &size))) {
        ShellExecuteW(nullptr, L"open", program, url.c_str(), nullptr, SW_SHOW);
    }
}

}  // namespace velmora
