#include "support/main_window_fixture.h"

#include <commctrl.h>

#include <map>

#include "app/gbk_win.h"
#include "support/pump.h"

namespace velmora::testing {
namespace {

std::vector<Text> statusLog;
std::map<HWND, bool> disabledSeen;

LRESULT CALLBACK RecordStatus(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                              UINT_PTR, DWORD_PTR) {
    if (message == SB_SETTEXTW && LOBYTE(LOWORD(wParam)) == 1) {
        statusLog.push_back(GbkFromWide(reinterpret_cast<const wchar_t*>(lParam)));
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

LRESULT CALLBACK RecordEnable(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                              DWORD_PTR) {
    if (message == WM_ENABLE && !wParam) disabledSeen[window] = true;
    return DefSubclassProc(window, message, wParam, lParam);
}

}  // namespace

MainWindowFixture::MainWindowFixture(MainWindowOptions options, int show) {
    statusLog.clear();
    disabledSeen.clear();
    // The jobs start at the end of the window's creation: hold them back until
    // the recorders are in place.
    std::vector<MainWindowJob> jobs = std::move(options.jobs);
    HANDLE go = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    for (MainWindowJob& job : jobs) {
        MainWindowJob inner = std::move(job);
        job = [inner, go](HWND w, const ProgramValues& p) {
            WaitForSingleObject(go, 10000);
            inner(w, p);
        };
    }
    options.jobs = std::move(jobs);
    HWND window = CreateMainWindow(GetModuleHandleW(nullptr), options, show);
    controls_ = ControlsOf(window);
    if (window) {
        SetWindowSubclass(controls_.statusBar, RecordStatus, 1, 0);
        SetWindowSubclass(controls_.upcomingList, RecordEnable, 1, 0);
        SetWindowSubclass(controls_.issuedList, RecordEnable, 1, 0);
    }
    SetEvent(go);
    // The event is left open: a job may still be on its way to it.
}

MainWindowFixture::~MainWindowFixture() {
    if (controls_.window && IsWindow(controls_.window)) DestroyWindow(controls_.window);
    PumpFor(20);
    QuitSeen();
}

const std::vector<Text>& MainWindowFixture::statusTexts() const { return statusLog; }

bool MainWindowFixture::WasDisabled(HWND list) const {
    auto it = disabledSeen.find(list);
    return it != disabledSeen.end() && it->second;
}

std::vector<std::vector<Text>> MainWindowFixture::Rows(HWND list) const {
    std::vector<std::vector<Text>> rows;
    int n = ListView_GetItemCount(list);
    int m = Header_GetItemCount(ListView_GetHeader(list));
    for (int r = 0; r < n; ++r) {
        std::vector<Text> row;
        for (int c = 0; c < m; ++c) row.push_back(ListCellGbk(list, r, c));
        rows.push_back(row);
    }
    return rows;
}

ListPicture::ListPicture(HWND list) : list_(list) {
    RECT client;
    GetClientRect(list, &client);
    width_ = client.right;
    height_ = client.bottom;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width_;
    info.bmiHeader.biHeight = -height_;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    SendMessageW(list, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(memory),
                 PRF_CLIENT | PRF_ERASEBKGND | PRF_CHILDREN);
    GdiFlush();
    pixels_.assign(static_cast<const DWORD*>(bits),
                   static_cast<const DWORD*>(bits) + static_cast<std::size_t>(width_) * height_);
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
}

ListPicture::~ListPicture() = default;

COLORREF ListPicture::Pixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return CLR_INVALID;
    DWORD p = pixels_[static_cast<std::size_t>(y) * width_ + x];  // 0x00RRGGBB in the DIB
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

bool ListPicture::HasRed(const RECT& r) const {
    for (int y = r.top; y < r.bottom; ++y) {
        for (int x = r.left; x < r.right; ++x) {
            COLORREF c = Pixel(x, y);
            if (c != CLR_INVALID && GetRValue(c) > 150 && GetGValue(c) < 90 && GetBValue(c) < 90)
                return true;
        }
    }
    return false;
}

COLORREF ListPicture::MostCommon(const RECT& r) const {
    std::map<COLORREF, int> counts;
    for (int y = r.top; y < r.bottom; ++y) {
        for (int x = r.left; x < r.right; ++x) ++counts[Pixel(x, y)];
    }
    COLORREF best = CLR_INVALID;
    int most = 0;
    for (auto [colour, n] : counts) {
        if (n > most) {
            best = colour;
            most = n;
        }
    }
    return best;
}

RECT ListPicture::CellRect(int row, int column) const {
    RECT r{};
    ListView_GetSubItemRect(list_, row, column, LVIR_BOUNDS, &r);
    if (column == 0) {
        // The first sub-item's bounds are the whole row; keep the first column.
        r.right = r.left + ListView_GetColumnWidth(list_, 0);
    }
    // Keep off the grid lines.
    InflateRect(&r, -2, -2);
    return r;
}

}  // namespace velmora::testing
