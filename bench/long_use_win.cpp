// Long use under Wine: the winning-numbers window opened and closed 100 times,
// and the announcement page loaded 100 times into one main window, with the
// process's handles, window-system objects and memory printed along the way.
// Prints figures; not a test. Needs a demo site (wine-run VELMORA_DEMO_SITE=1).
//   long_use_bench.exe [rounds=100]
#include <windows.h>
#include <commctrl.h>
#include <psapi.h>

#include <atomic>
#include <cstdio>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "app/gbk_win.h"
#include "app/jobs_win.h"
#include "app/main_window_win.h"
#include "loader/share_lists_win.h"
#include "winning/winning_window_win.h"

using namespace velmora;

namespace {

struct Figures {
    DWORD handles = 0;
    int windows = 0;
    double committedMb = 0;
    double workingSetMb = 0;
};

BOOL CALLBACK CountWindow(HWND, LPARAM count) {
    ++*reinterpret_cast<int*>(count);
    return TRUE;
}

// Wine answers GetProcessHandleCount and GetGuiResources with 0, so the
// handles are counted by asking after each value a kernel handle can take.
DWORD CountHandles() {
    DWORD count = 0, flags = 0;
    for (std::uintptr_t h = 4; h < (1u << 18); h += 4) {
        if (GetHandleInformation(reinterpret_cast<HANDLE>(h), &flags)) ++count;
    }
    return count;
}

Figures Measure() {
    Figures f;
    f.handles = CountHandles();
    EnumThreadWindows(GetCurrentThreadId(), CountWindow, reinterpret_cast<LPARAM>(&f.windows));
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
    f.committedMb = memory.PagefileUsage / 1048576.0;
    f.workingSetMb = memory.WorkingSetSize / 1048576.0;
    return f;
}

void Print(const char* what, int round, const Figures& f) {
    std::printf("%-15s round %3d: handles %5lu  top-level windows %3d  committed %7.1f MB  working set %7.1f MB\n",
                what, round, f.handles, f.windows, f.committedMb, f.workingSetMb);
    std::fflush(stdout);
}

template <typename Done>
bool Pump(Done done, DWORD timeoutMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    while (!done()) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        if (GetTickCount64() >= end) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 100;
    const char* port = std::getenv("VELMORA_DEMO_PORT");
    if (!port) {
        std::fprintf(stderr, "needs a demo site: run through scripts/wine-run with VELMORA_DEMO_SITE=1\n");
        return 2;
    }
    const Text root = std::string("http://127.0.0.1:") + port + "/";
    MainWindowOptions options;
    options.sites.dataSiteRoot = root;
    HWND window = CreateMainWindow(GetModuleHandleW(nullptr), options, SW_SHOWNORMAL);
    if (!window) return 1;
    Pump([] { return false; }, 500);

    // The winning-numbers window: opened, loaded to the end, closed.
    Print("winning window", 0, Measure());
    for (int i = 1; i <= rounds; ++i) {
        HWND w = LoadWinningNumbersWindow(window, root + "newspage.aspx?id=1", 20000);
        WinningNumbersControls c = WinningNumbersControlsOf(w);
        Pump([&] { return !IsWindowVisible(c.loadingLabel); }, 30000);
        DestroyWindow(w);
        if (i == 1 || i % 25 == 0) Print("winning window", i, Measure());
    }

    // The whole page loaded again and again into the same lists.
    const MainWindowControls controls = ControlsOf(window);
    ProgramValues values;
    values.sites = options.sites;
    Print("page load", 0, Measure());
    for (int i = 1; i <= rounds; ++i) {
        std::atomic<bool> done{false};
        StartJob([&] {
            LoadShareLists(window, values);
            done = true;
        });
        Pump([&] { return done.load(); }, 60000);
        if (i == 1 || i % 25 == 0) {
            Figures f = Measure();
            Print("page load", i, f);
        }
    }
    std::printf("lists hold %d and %d rows\n", ListView_GetItemCount(controls.upcomingList),
                ListView_GetItemCount(controls.issuedList));
    DestroyWindow(window);
    return 0;
}
