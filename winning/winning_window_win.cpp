#include "winning/winning_window_win.h"

#include <commctrl.h>

#include <memory>

#include "app/gbk_win.h"
#include "app/jobs_win.h"
#include "app/program.h"
#include "app/window_thread_win.h"
#include "resources/resource.h"
#include "web/fetch.h"
#include "winning/article.h"

namespace velmora {
namespace {

constexpr wchar_t kWindowClass[] = L"VelmoraWinningNumbers";
constexpr char kCaption[] = "中签号";
constexpr char kLoadingText[] = "载入中,稍等...";
constexpr char kCloseText[] = "关闭";
constexpr int kArticleIdColumn = 11;

struct Place {
    int x, y, width, height;
};
constexpr Place kWindowPlace{50, 50, 536, 344};
constexpr Place kArticleBoxPlace{11, 15, 504, 248};
constexpr Place kLoadingLabelPlace{10, 272, 240, 24};
constexpr Place kCloseButtonPlace{385, 272, 112, 29};

enum ControlId { kArticleBoxId = 100, kLoadingLabelId, kCloseButtonId };

// What the window and its download job share. Both only touch it on the window
// thread (the job through RunOnWindowThread), so it needs no lock; the job's
// reference keeps it alive after the window has gone, and `open` tells the job
// that there is nothing left to write to.
struct WindowState {
    Text url;
    std::uint32_t timeLimitMs = kDownloadTimeLimitMs;
    WinningNumbersControls controls;
    HFONT font = nullptr;
    bool open = true;
};

// The one window that may be open (window thread only).
HWND g_openWindow = nullptr;

std::shared_ptr<WindowState>* StateOf(HWND window) {
    return reinterpret_cast<std::shared_ptr<WindowState>*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

HWND CreateChild(HWND parent, const wchar_t* cls, DWORD style, DWORD exStyle, const Place& p, int id,
                 HFONT font) {
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(parent, GWLP_HINSTANCE));
    HWND child = CreateWindowExW(exStyle, cls, L"", WS_CHILD | WS_VISIBLE | style, p.x, p.y, p.width,
                                 p.height, parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 instance, nullptr);
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return child;
}

void CreateControls(HWND window, WindowState& state) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    state.font = CreateFontIndirectW(&metrics.lfMessageFont);

    WinningNumbersControls& c = state.controls;
    c.window = window;
    c.articleBox = CreateChild(window, WC_EDITW,
                               WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_LEFT |
                                   ES_AUTOVSCROLL,
                               WS_EX_CLIENTEDGE, kArticleBoxPlace, kArticleBoxId, state.font);
    SendMessageW(c.articleBox, EM_SETLIMITTEXT, 0, 0);  // no length limit
    c.loadingLabel = CreateChild(window, WC_STATICW, SS_LEFT, WS_EX_TRANSPARENT, kLoadingLabelPlace,
                                 kLoadingLabelId, state.font);
    SetTextGbk(c.loadingLabel, kLoadingText);
    c.closeButton = CreateChild(window, WC_BUTTONW, WS_TABSTOP | BS_PUSHBUTTON, 0, kCloseButtonPlace,
                                kCloseButtonId, state.font);
    SetTextGbk(c.closeButton, kCloseText);
}

// Carries a change of the window to the window thread, unless the window has
// been closed meanwhile.
void ChangeWindow(const std::shared_ptr<WindowState>& state,
                  const std::function<void(const WinningNumbersControls&)>& change) {
    RunOnWindowThread([&] {
        if (state->open) change(state->controls);
    });
}

// The download job. It reads the address from the state it was given when the
// window was created; a later double-click changes only the program's copy.
void LoadWinningNumbers(std::shared_ptr<WindowState> state) {
    ChangeWindow(state, [](const WinningNumbersControls& c) { EnableWindow(c.closeButton, FALSE); });
    // url and timeLimitMs were set before the job started and never change.
    Text shown = ArticleBoxText(PageBytesToText(FetchUrlBytes(state->url, state->timeLimitMs)));
    ChangeWindow(state, [&](const WinningNumbersControls& c) {
        SetTextGbk(c.articleBox, shown);
        EnableWindow(c.closeButton, TRUE);
        ShowWindow(c.loadingLabel, SW_HIDE);
    });
}

LRESULT CALLBACK WinningWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    std::shared_ptr<WindowState>* state = StateOf(window);
    switch (message) {
        case WM_NCCREATE: {
            // The window keeps its own reference from here to WM_NCDESTROY.
            auto* created = static_cast<std::shared_ptr<WindowState>*>(
                reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
            SetWindowLongPtrW(window, GWLP_USERDATA,
                              reinterpret_cast<LONG_PTR>(new std::shared_ptr<WindowState>(*created)));
            break;
        }
        case WM_CREATE: {
            CreateControls(window, **state);
            std::shared_ptr<WindowState> forJob = *state;
            StartJob([forJob] { LoadWinningNumbers(forJob); });
            return 0;
        }
        case WM_CTLCOLORSTATIC:
            // The label is transparent: its text is drawn on the window's own background.
            if (state && reinterpret_cast<HWND>(lParam) == (*state)->controls.loadingLabel) {
                HDC dc = reinterpret_cast<HDC>(wParam);
                SetBkMode(dc, TRANSPARENT);
                SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
                return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
            }
            break;
        case WM_COMMAND:
            if (LOWORD(wParam) == kCloseButtonId && HIWORD(wParam) == BN_CLICKED) {
                DestroyWindow(window);
                return 0;
            }
            if (LOWORD(wParam) == IDCANCEL) {  // Esc, as in any dialog
                if (state && IsWindowEnabled((*state)->controls.closeButton)) DestroyWindow(window);
                return 0;
            }
            break;
        case WM_DESTROY:
            if (state) (*state)->open = false;
            if (g_openWindow == window) g_openWindow = nullptr;
            return 0;
        case WM_NCDESTROY:
            if (state) {
                SetWindowLongPtrW(window, GWLP_USERDATA, 0);
                if ((*state)->font) DeleteObject((*state)->font);
                delete state;
            }
            break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

void RegisterWindowClass(HINSTANCE instance) {
    static bool registered = false;
    if (registered) return;
    WNDCLASSEXW cls{};
    cls.cbSize = sizeof cls;
    cls.lpfnWndProc = WinningWindowProc;
    cls.hInstance = instance;
    cls.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_APP));
    cls.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON, 16, 16, 0));
    cls.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    cls.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    cls.lpszClassName = kWindowClass;
    registered = RegisterClassExW(&cls) != 0;
}

}  // namespace

HWND WinningNumbersWindowHandle() { return g_openWindow; }

WinningNumbersControls WinningNumbersControlsOf(HWND window) {
    if (!window || !IsWindow(window)) return {};
    wchar_t cls[64] = {};
    GetClassNameW(window, cls, 64);
    if (wcscmp(cls, kWindowClass) != 0) return {};
    std::shared_ptr<WindowState>* state = StateOf(window);
    return state ? (*state)->controls : WinningNumbersControls{};
}

HWND LoadWinningNumbersWindow(HWND owner, const Text& url, std::uint32_t timeLimitMs) {
    if (g_openWindow && IsWindow(g_openWindow)) {
        if (IsIconic(g_openWindow)) {
            // Window managers that minimise a window together with its owner
            // hide it as an owned window of a minimised one: bring both back.
            if (IsIconic(owner)) ShowWindow(owner, SW_RESTORE);
            ShowWindow(g_openWindow, SW_RESTORE);
        } else {
            SetForegroundWindow(g_openWindow);
            SetActiveWindow(g_openWindow);
        }
        return g_openWindow;
    }
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(owner, GWLP_HINSTANCE));
    if (!instance) instance = GetModuleHandleW(nullptr);
    RegisterWindowClass(instance);
    auto state = std::make_shared<WindowState>();
    state->url = url;
    state->timeLimitMs = timeLimitMs;
    HWND window = CreateWindowExW(0, kWindowClass, WideFromGbk(kCaption).c_str(),
                                  WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX,
                                  kWindowPlace.x, kWindowPlace.y, kWindowPlace.width,
                                  kWindowPlace.height, owner, nullptr, instance, &state);
    if (!window) return nullptr;
    g_openWindow = window;
    ShowWindow(window, SW_SHOWNORMAL);
    return window;
}

void OpenWinningNumbers(HWND mainWindow, HWND issuedList) {
    int row = ListView_GetNextItem(issuedList, -1, LVNI_SELECTED);
    Text id = row < 0 ? Text() : ListCellGbk(issuedList, row, kArticleIdColumn);
    if (id.empty()) return;
    ProgramValues& program = Program();
    program.articleUrl = ArticleUrlFor(program.sites.dataSiteRoot, id);
    LoadWinningNumbersWindow(mainWindow, program.articleUrl, program.sites.downloadTimeLimitMs);
}

}  // namespace velmora
