// update.exe: installs the new version of Velmora that Velmora's version check
// found, from the settings it left in the system folder, and shows each step.
#include <windows.h>

#include "app/gbk_win.h"
#include "resources/resource.h"
#include "updater/install_win.h"

namespace velmora::updater {
namespace {

constexpr wchar_t kWindowClass[] = L"VelmoraUpdater";
// Custom messages of the window: a worker's line (sent, lParam = const Text*)
// and the end of the work (posted, wParam = Outcome).
constexpr UINT kShowLine = WM_APP + 1;
constexpr UINT kWorkDone = WM_APP + 2;

enum ControlId { kStatusId = 100, kStepsId };

constexpr int kClientWidth = 560;
constexpr int kClientHeight = 300;
constexpr int kMargin = 10;
constexpr int kStatusHeight = 22;
constexpr int kButtonWidth = 90;
constexpr int kButtonHeight = 28;

struct Window {
    HWND status = nullptr;
    HWND steps = nullptr;
    HFONT font = nullptr;
    // Lives until the process ends: the worker may still be fetching when the
    // user closes the window, and the process ends without waiting for it.
    Run* run = nullptr;
    bool working = false;
    Outcome outcome = Outcome::Cancelled;
};

Window* WindowOf(HWND window) {
    return reinterpret_cast<Window*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

HFONT MessageFont() {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
        return CreateFontIndirectW(&metrics.lfMessageFont);
    }
    return nullptr;
}

void AppendLine(HWND steps, std::string_view line) {
    const int end = GetWindowTextLengthW(steps);
    std::wstring text = (end > 0 ? L"\r\n" : L"") + WideFromGbk(line);
    SendMessageW(steps, EM_SETSEL, static_cast<WPARAM>(end), static_cast<LPARAM>(end));
    SendMessageW(steps, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
}

const char* StatusText(Outcome outcome) {
    switch (outcome) {
        case Outcome::Done:
            return "升级完成";
        case Outcome::Cancelled:
            return "升级已取消";
        default:
            return "升级失败";
    }
}

DWORD WINAPI Work(LPVOID parameter) {
    auto* window = static_cast<HWND>(parameter);
    Run& run = *WindowOf(window)->run;
    const Outcome outcome = RunUpdate(run);
    PostMessageW(window, kWorkDone, static_cast<WPARAM>(outcome), 0);
    return 0;
}

HWND CreateChild(HWND parent, const wchar_t* className, const wchar_t* text, DWORD style, int id,
                 RECT place, HFONT font) {
    HWND child = CreateWindowExW(0, className, text, WS_CHILD | WS_VISIBLE | style, place.left,
                                 place.top, place.right - place.left, place.bottom - place.top,
                                 parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                 GetModuleHandleW(nullptr), nullptr);
    SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return child;
}

void CreateControls(HWND window, Window& state) {
    state.font = MessageFont();
    const int stepsTop = kMargin + kStatusHeight + kMargin / 2;
    const int buttonTop = kClientHeight - kMargin - kButtonHeight;
    state.status = CreateChild(
        window, L"STATIC", WideFromGbk("正在升级,请稍候...").c_str(), SS_LEFT | SS_NOPREFIX,
        kStatusId, {kMargin, kMargin, kClientWidth - kMargin, kMargin + kStatusHeight}, state.font);
    state.steps = CreateChild(
        window, L"EDIT", L"",
        WS_BORDER | WS_VSCROLL | ES_MULTILINE | ES_READONLY | ES_AUTOVSCROLL | WS_TABSTOP, kStepsId,
        {kMargin, stepsTop, kClientWidth - kMargin, buttonTop - kMargin}, state.font);
    CreateChild(window, L"BUTTON", WideFromGbk("关闭").c_str(), BS_DEFPUSHBUTTON | WS_TABSTOP,
                IDCANCEL,
                {kClientWidth - kMargin - kButtonWidth, buttonTop, kClientWidth - kMargin,
                 buttonTop + kButtonHeight},
                state.font);
}

void StartWork(HWND window, Window& state) {
    state.working = true;
    HANDLE thread = CreateThread(nullptr, 0, Work, window, 0, nullptr);
    if (thread == nullptr) {
        state.working = false;
        state.outcome = Outcome::Refused;
        AppendLine(state.steps, "无法开始升级(无法创建工作线程)。");
        SetTextGbk(state.status, StatusText(state.outcome));
        return;
    }
    CloseHandle(thread);
}

// Closing while the work runs cancels it. Before anything is written the window
// goes at once (the download is simply dropped); afterwards the worker is left
// to stop where the old file is still whole, and the window goes when it has.
void Close(HWND window, Window& state) {
    if (!state.working) {
        DestroyWindow(window);
        return;
    }
    state.run->cancelRequested = true;
    if (!state.run->writing) {
        state.outcome = Outcome::Cancelled;
        DestroyWindow(window);
        return;
    }
    AppendLine(state.steps, "正在取消,请稍候...");
}

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        return DefWindowProcW(window, message, wParam, lParam);
    }
    Window* state = WindowOf(window);
    if (state == nullptr) return DefWindowProcW(window, message, wParam, lParam);
    switch (message) {
        case WM_CREATE:
            CreateControls(window, *state);
            return 0;
        case kShowLine:
            AppendLine(state->steps, *reinterpret_cast<const Text*>(lParam));
            return 1;
        case kWorkDone:
            state->working = false;
            state->outcome = static_cast<Outcome>(wParam);
            if (state->run->cancelRequested) state->outcome = Outcome::Cancelled;
            SetTextGbk(state->status, StatusText(state->outcome));
            if (state->run->cancelRequested) DestroyWindow(window);
            return 0;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDCANCEL) SendMessageW(window, WM_CLOSE, 0, 0);
            return 0;
        case WM_CTLCOLORSTATIC:
            // The read-only steps box keeps the look of a text box, not of the dialog.
            if (reinterpret_cast<HWND>(lParam) == state->steps) {
                SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_WINDOW));
                SetTextColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_WINDOWTEXT));
                return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
            }
            break;
        case WM_CLOSE:
            Close(window, *state);
            return 0;
        case WM_DESTROY:
            if (state->font) DeleteObject(state->font);
            state->font = nullptr;
            PostQuitMessage(static_cast<int>(state->outcome));
            return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

HWND CreateUpdaterWindow(HINSTANCE instance, Window& state, std::string_view title, int show) {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_APP));
    windowClass.hIconSm = windowClass.hIcon;
    windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kWindowClass;
    if (!RegisterClassExW(&windowClass)) return nullptr;

    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    RECT frame{0, 0, kClientWidth, kClientHeight};
    AdjustWindowRectEx(&frame, style, FALSE, 0);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    const int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
    HWND window = CreateWindowExW(0, kWindowClass, WideFromGbk(title).c_str(), style, x, y, width,
                                  height, nullptr, nullptr, instance, &state);
    if (window != nullptr) {
        ShowWindow(window, show);
        UpdateWindow(window);
    }
    return window;
}

}  // namespace
}  // namespace velmora::updater

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    using namespace velmora::updater;
    // Never freed: see Window::run.
    auto* run = new Run;
    run->settingsPath = SettingsPath();
    const DWORD attributes = GetFileAttributesW(velmora::WideFromGbk(run->settingsPath).c_str());
    run->settingsFileFound =
        attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
    if (run->settingsFileFound) run->settings = ReadSettings(run->settingsPath);

    Window state;
    state.run = run;
    HWND window = CreateUpdaterWindow(instance, state, WindowTitleFor(run->settings.windowTitle),
                                      showCommand);
    if (window == nullptr) return static_cast<int>(Outcome::Refused);
    // Each line is shown by the window's thread before the worker goes on.
    run->report = [window](std::string_view line) {
        const velmora::Text text(line);
        SendMessageW(window, kShowLine, 0, reinterpret_cast<LPARAM>(&text));
    };
    StartWork(window, state);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (IsDialogMessageW(window, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}
