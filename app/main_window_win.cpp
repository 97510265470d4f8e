#include "app/main_window_win.h"

#include <commctrl.h>

#include "app/data_folder.h"
#include "app/gbk_win.h"
#include "app/jobs_win.h"
#include "app/window_design.h"
#include "app/window_thread_win.h"
#include "commands/list_menus_win.h"
#include "resources/resource.h"
#include "winning/winning_window_win.h"

namespace velmora {
namespace {

constexpr wchar_t kMainWindowClass[] = L"VelmoraMainWindow";
constexpr char kDesignedCaption[] = "Velmora (Ostrivane Version 8.0)";

enum ControlId { kPageTabsId = 100, kUpcomingListId, kIssuedListId, kStatusBarId };

struct MainWindowState {
    MainWindowOptions options;
    MainWindowControls controls;
    HIMAGELIST upcomingPictures = nullptr;
    HIMAGELIST issuedPictures = nullptr;
    HICON statusIcons[2] = {};
    HFONT font = nullptr;
};

MainWindowState* StateOf(HWND window) {
    return reinterpret_cast<MainWindowState*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

HICON LoadSmallIcon(HINSTANCE instance, int id) {
    return static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(id), IMAGE_ICON, 16, 16, 0));
}

// Both lists carry the same set of 16 x 16 pictures; only picture 32 is shown.
HIMAGELIST MakeListPictures(HINSTANCE instance) {
    HIMAGELIST pictures = ImageList_Create(16, 16, ILC_COLOR32 | ILC_MASK, kListPictureCount, 0);
    HICON blank = LoadSmallIcon(instance, IDI_BLANK);
    HICON page = LoadSmallIcon(instance, IDI_LIST_PAGE);
    for (int i = 0; i < kListPicture; ++i) ImageList_AddIcon(pictures, blank);
    ImageList_AddIcon(pictures, page);
    DestroyIcon(blank);
    DestroyIcon(page);
    return pictures;
}

template <std::size_t N>
HWND CreateReportList(HWND parent, HINSTANCE instance, int id, HIMAGELIST pictures, HFONT font,
                      const std::array<ColumnDesign, N>& columns, bool visible) {
    DWORD style = WS_CHILD | WS_TABSTOP | WS_BORDER | WS_CLIPSIBLINGS | LVS_REPORT |
                  LVS_SHOWSELALWAYS | (visible ? WS_VISIBLE : 0);
    HWND list = CreateWindowExW(0, WC_LISTVIEWW, L"", style, kListPlace.x, kListPlace.y,
                                kListPlace.width, kListPlace.height, parent,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
    SendMessageW(list, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    ListView_SetExtendedListViewStyle(
        list, LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_DOUBLEBUFFER | LVS_EX_SUBITEMIMAGES);
    ListView_SetImageList(list, pictures, LVSIL_SMALL);
    ListView_SetTextColor(list, RGB(0, 0, 0));
    ListView_SetTextBkColor(list, RGB(255, 255, 255));
    ListView_SetBkColor(list, RGB(255, 255, 255));
    for (std::size_t i = 0; i < N; ++i) {
        std::wstring header = WideFromGbk(columns[i].header);
        LVCOLUMNW column{};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM | LVCF_FMT;
        column.fmt = LVCFMT_LEFT;
        column.cx = columns[i].width;
        column.pszText = header.data();
        column.iSubItem = static_cast<int>(i);
        SendMessageW(list, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
    }
    return list;
}

void CreateControls(HWND window, MainWindowState& state) {
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(window, GWLP_HINSTANCE));
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    state.font = CreateFontIndirectW(&metrics.lfMessageFont);

    MainWindowControls& c = state.controls;
    c.window = window;
    c.pageTabs = CreateWindowExW(0, WC_TABCONTROLW, L"",
                                 WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP,
                                 kPageTabsPlace.x, kPageTabsPlace.y, kPageTabsPlace.width,
                                 kPageTabsPlace.height, window,
                                 reinterpret_cast<HMENU>(static_cast<INT_PTR>(kPageTabsId)),
                                 instance, nullptr);
    SendMessageW(c.pageTabs, WM_SETFONT, reinterpret_cast<WPARAM>(state.font), FALSE);
    const char* pages[] = {kUpcomingPageText, kIssuedPageText};
    for (int i = 0; i < 2; ++i) {
        std::wstring text = WideFromGbk(pages[i]);
        TCITEMW item{};
        item.mask = TCIF_TEXT;
        item.pszText = text.data();
        SendMessageW(c.pageTabs, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
    }

    state.upcomingPictures = MakeListPictures(instance);
    state.issuedPictures = MakeListPictures(instance);
    c.upcomingList = CreateReportList(window, instance, kUpcomingListId, state.upcomingPictures,
                                      state.font, kUpcomingColumns, true);
    c.issuedList = CreateReportList(window, instance, kIssuedListId, state.issuedPictures,
                                    state.font, kIssuedColumns, false);
    // The lists lie over the tab control's page area and are drawn above it.
    SetWindowPos(c.upcomingList, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetWindowPos(c.issuedList, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);

    c.statusBar = CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE, kStatusBarPlace.x,
                                  kStatusBarPlace.y, kStatusBarPlace.width, kStatusBarPlace.height,
                                  window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kStatusBarId)),
                                  instance, nullptr);
    SendMessageW(c.statusBar, WM_SETFONT, reinterpret_cast<WPARAM>(state.font), FALSE);
    int edges[3] = {kStatusPartEdges[0], kStatusPartEdges[1], kStatusPartEdges[2]};
    SendMessageW(c.statusBar, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(edges));
    state.statusIcons[0] = LoadSmallIcon(instance, IDI_STATUS_NOTE_BLUE);
    state.statusIcons[1] = LoadSmallIcon(instance, IDI_STATUS_NOTE_YELLOW);
    SendMessageW(c.statusBar, SB_SETICON, 1, reinterpret_cast<LPARAM>(state.statusIcons[0]));
    SendMessageW(c.statusBar, SB_SETICON, 2, reinterpret_cast<LPARAM>(state.statusIcons[1]));
    StatusSetTextGbk(c.statusBar, 2, kStatusHint);
}

// The creation step: program-wide values, data folder, caption, jobs.
void RunCreationStep(HWND window, MainWindowState& state) {
    ProgramValues& program = Program();
    program.programName = kProgramName;
    program.versionText = kVersionText;
    program.sites = state.options.sites;
    program.homePageUrl = state.options.sites.homePage;
    program.dataFolder = ChooseDataRoot() + program.programName + "\\";
    CreateDirectoryW(WideFromGbk(program.dataFolder).c_str(), nullptr);
    SetTextGbk(window, MainWindowCaption(program.versionText));
    for (const MainWindowJob& job : state.options.jobs) {
        StartJob([job, window, values = program] { job(window, values); });
    }
}

void FreeState(MainWindowState* state) {
    if (state->upcomingPictures) ImageList_Destroy(state->upcomingPictures);
    if (state->issuedPictures) ImageList_Destroy(state->issuedPictures);
    for (HICON icon : state->statusIcons) {
        if (icon) DestroyIcon(icon);
    }
    if (state->font) DeleteObject(state->font);
    delete state;
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    MainWindowState* state = StateOf(window);
    switch (message) {
        case WM_NCCREATE: {
            auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
            SetWindowLongPtrW(window, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(create->lpCreateParams));
            break;
        }
        case WM_CREATE:
            CreateControls(window, *state);
            AttachListMenus(window);
            RunCreationStep(window, *state);
            return 0;
        case WM_NOTIFY: {
            auto* header = reinterpret_cast<NMHDR*>(lParam);
            if (state && header->hwndFrom == state->controls.pageTabs &&
                header->code == TCN_SELCHANGE) {
                SelectPage(window, TabCtrl_GetCurSel(state->controls.pageTabs));
                return 0;
            }
            // A double-click (or Enter) on an issued share shows its winning numbers.
            if (state && header->hwndFrom == state->controls.issuedList &&
                (header->code == NM_DBLCLK || header->code == NM_RETURN)) {
                OpenWinningNumbers(window, state->controls.issuedList);
                return 0;
            }
            break;
        }
        case WM_COMMAND:
            if (HIWORD(wParam) == 0 && RunListCommand(window, LOWORD(wParam))) return 0;
            break;
        case WM_TIMER:
            if (wParam == kEndTimerId) {
                KillTimer(window, kEndTimerId);
                DestroyWindow(window);
                return 0;
            }
            break;
        case WM_DESTROY:
            KillTimer(window, kEndTimerId);
            PostQuitMessage(0);
            return 0;
        case WM_NCDESTROY:
            if (state) {
                SetWindowLongPtrW(window, GWLP_USERDATA, 0);
                FreeState(state);
            }
            break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void RegisterMainWindowClass(HINSTANCE instance) {
    static bool registered = false;
    if (registered) return;
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_TAB_CLASSES |
                                                       ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = MainWindowProc;
    wc.hInstance = instance;
    wc.hIcon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON, 32, 32, 0));
    wc.hIconSm = LoadSmallIcon(instance, IDI_APP);
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kMainWindowClass;
    RegisterClassExW(&wc);
    registered = true;
}

}  // namespace

HWND CreateMainWindow(HINSTANCE instance, const MainWindowOptions& options, int showCommand) {
    RegisterMainWindowClass(instance);
    InitWindowThread(instance);
    auto* state = new MainWindowState{options, {}};
    HWND window = CreateWindowExW(0, kMainWindowClass, WideFromGbk(kDesignedCaption).c_str(),
                                  WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX |
                                      WS_CLIPCHILDREN,
                                  kMainWindowPlace.x, kMainWindowPlace.y, kMainWindowPlace.width,
                                  kMainWindowPlace.height, nullptr, nullptr, instance, state);
    if (window == nullptr) {
        FreeState(state);
        return nullptr;
    }
    ShowWindow(window, showCommand);
    UpdateWindow(window);
    return window;
}

MainWindowControls ControlsOf(HWND mainWindow) {
    wchar_t name[64] = {};
    GetClassNameW(mainWindow, name, 64);
    if (wcscmp(name, kMainWindowClass) != 0) return {};
    MainWindowState* state = StateOf(mainWindow);
    return state ? state->controls : MainWindowControls{};
}

void SelectPage(HWND mainWindow, int page) {
    MainWindowControls c = ControlsOf(mainWindow);
    if (!c.window) return;
    TabCtrl_SetCurSel(c.pageTabs, page);
    ShowWindow(page == 0 ? c.issuedList : c.upcomingList, SW_HIDE);
    ShowWindow(page == 0 ? c.upcomingList : c.issuedList, SW_SHOW);
}

void SetEndTimerPeriod(HWND mainWindow, UINT milliseconds) {
    RunOnWindowThread([&] {
        if (!IsWindow(mainWindow)) return;
        if (milliseconds == 0) {
            KillTimer(mainWindow, kEndTimerId);
        } else {
            SetTimer(mainWindow, kEndTimerId, milliseconds, nullptr);
        }
    });
}

}  // namespace velmora
