// Filling 20,000 rows into the upcoming list under Wine: from a job, one hop to
// the window thread per row, against the same work done on the window thread.
// Prints figures; not a test.
//   fill_rows_bench.exe [rows=20000] [highlights=1|0] [hidden]
#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "app/jobs_win.h"
#include "app/main_window_win.h"
#include "loader/row_walk.h"
#include "loader/share_lists_win.h"

using namespace velmora;

namespace {

std::vector<ShareRow> MakeRows(int n, bool highlights) {
    std::vector<ShareRow> rows(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        ShareRow& row = rows[static_cast<std::size_t>(i)];
        row.columns = {"华芯科技" + std::to_string(i), "20261211", "787123", "18.50", "3,000万",
                       "1.20万", "23.45", "20261214", "20261215", "20261216", "中信证券"};
        if (highlights && i % 10 == 0) row.highlight = CellHighlight{1, 255};
    }
    return rows;
}

void Pump(const std::atomic<bool>& done) {
    MSG message;
    while (!done) {
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    }
}

}  // namespace

int main(int argc, char** argv) {
    const int n = argc > 1 ? std::atoi(argv[1]) : 20000;
    const bool highlights = !(argc > 2 && argv[2][0] == '0');
    std::vector<ShareRow> rows = MakeRows(n, highlights);
    HWND window = CreateMainWindow(GetModuleHandleW(nullptr), MainWindowOptions{}, argc > 3 ? SW_HIDE : SW_SHOWNORMAL);
    HWND list = ControlsOf(window).upcomingList;

    LARGE_INTEGER freq, t0, t1;
    QueryPerformanceFrequency(&freq);

    ListView_DeleteAllItems(list);
    QueryPerformanceCounter(&t0);
    for (int i = 0; i < n; ++i) AppendShareRow(window, list, i, rows[static_cast<std::size_t>(i)]);
    QueryPerformanceCounter(&t1);
    double direct = double(t1.QuadPart - t0.QuadPart) / double(freq.QuadPart);

    ListView_DeleteAllItems(list);
    std::atomic<bool> done{false};
    QueryPerformanceCounter(&t0);
    StartJob([&] {
        for (int i = 0; i < n; ++i) AppendShareRow(window, list, i, rows[static_cast<std::size_t>(i)]);
        done = true;
    });
    Pump(done);
    QueryPerformanceCounter(&t1);
    double fromJob = double(t1.QuadPart - t0.QuadPart) / double(freq.QuadPart);

    std::printf("rows: %d (list holds %d)\n", n, ListView_GetItemCount(list));
    std::printf("on the window thread: %.3f s, %.0f rows/s\n", direct, n / direct);
    std::printf("from a job, one hop per row: %.3f s, %.0f rows/s (%.2fx)\n", fromJob, n / fromJob,
                fromJob / direct);
    DestroyWindow(window);
    return 0;
}
