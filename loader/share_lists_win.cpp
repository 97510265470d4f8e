#include "loader/share_lists_win.h"

#include <commctrl.h>

#include "app/gbk_win.h"
#include "app/main_window_win.h"
#include "app/window_design.h"
#include "app/window_thread_win.h"
#include "listcolors/list_colors_win.h"
#include "loader/row_walk.h"
#include "web/fetch.h"

namespace velmora {
namespace {

void SetStatus(HWND statusBar, const char* text) {
    RunOnWindowThread([&] {
        if (IsWindow(statusBar)) StatusSetTextGbk(statusBar, 1, text);
    });
}

void EnableList(HWND list, bool enabled) {
    RunOnWindowThread([&] {
        if (IsWindow(list)) EnableWindow(list, enabled);
    });
}

}  // namespace

void AppendShareRow(HWND mainWindow, HWND list, int row, const ShareRow& cells) {
    RunOnWindowThread([&] {
        if (!IsWindow(list)) return;
        LVITEMW item{};
        item.iItem = row;
        SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
        ListSetCellGbk(list, row, 0, cells.columns[0]);
        item.mask = LVIF_IMAGE;
        item.iImage = kListPicture;
        SendMessageW(list, LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item));
        for (std::size_t c = 1; c < cells.columns.size(); ++c) {
            ListSetCellGbk(list, row, static_cast<int>(c), cells.columns[c]);
        }
        if (cells.highlight) {
            SetCellColor(mainWindow, list, row, cells.highlight->column, cells.highlight->textColor);
        }
    });
}

namespace {

void FillList(HWND mainWindow, HWND list, std::string_view section, ShareTable table) {
    RunOnWindowThread([&] {
        if (IsWindow(list)) ListView_DeleteAllItems(list);
    });
    int rowCounter = 0;
    WalkShareRows(
        section, table, [] { return FormatDateText(LocalNow(), false, false); },
        [&](ShareRow&& row) {
            ++rowCounter;
            AppendShareRow(mainWindow, list, rowCounter - 1, row);
        });
}

}  // namespace

void LoadShareLists(HWND mainWindow, const ProgramValues& program) {
    MainWindowControls controls;
    RunOnWindowThread([&] { controls = ControlsOf(mainWindow); });
    if (controls.window == nullptr) return;

    SetStatus(controls.statusBar, kStatusFetching);
    EnableList(controls.upcomingList, false);
    const Text page = PageBytesToText(FetchUrlBytes(program.sites.dataSiteRoot, program.sites.downloadTimeLimitMs));
    SetStatus(controls.statusBar, kStatusLoading);

    PageSections sections = CutSections(page);
    FillList(mainWindow, controls.upcomingList, sections.upcoming, ShareTable::Upcoming);
    EnableList(controls.upcomingList, true);
    FillList(mainWindow, controls.issuedList, sections.issued, ShareTable::Issued);

    // The odd rows take the background colour of the hidden label "标签1".
    SetListColors(mainWindow, controls.upcomingList, 0xFFFFFF, kStripeColorLabelBack, 1);
    SetListColors(mainWindow, controls.issuedList, 0xFFFFFF, kStripeColorLabelBack, 1);
    EnableList(controls.issuedList, true);
    SetStatus(controls.statusBar, kStatusDone);
}

}  // namespace velmora
