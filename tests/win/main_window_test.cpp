// The main window as the user first sees it, in a real window under Wine.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <thread>

#include "app/gbk_win.h"
#include "app/jobs_win.h"
#include "app/main_window_win.h"
#include "app/window_design.h"
#include "app/window_thread_win.h"
#include "support/pump.h"

namespace velmora {
namespace {

using velmora::testing::PumpFor;
using velmora::testing::PumpUntil;
using velmora::testing::QuitSeen;

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        window_ = CreateMainWindow(GetModuleHandleW(nullptr), MainWindowOptions{}, SW_SHOWNORMAL);
        ASSERT_NE(window_, nullptr);
        controls_ = ControlsOf(window_);
        PumpFor(50);
    }
    void TearDown() override {
        if (IsWindow(window_)) DestroyWindow(window_);
        PumpFor(20);
        QuitSeen();
    }
    HWND window_ = nullptr;
    MainWindowControls controls_;
};

TEST_F(MainWindowTest, CaptionNamesTheRunningVersion) {
    EXPECT_EQ(WindowTextGbk(window_), "Velmora (Ostrivane Version 10.1.0)");
}

TEST_F(MainWindowTest, OuterSizeAndPlaceAsDesigned) {
    RECT r;
    GetWindowRect(window_, &r);
    EXPECT_EQ(r.right - r.left, kMainWindowPlace.width);
    EXPECT_EQ(r.bottom - r.top, kMainWindowPlace.height);
    EXPECT_EQ(r.left, kMainWindowPlace.x);
    EXPECT_EQ(r.top, kMainWindowPlace.y);
    EXPECT_EQ(GetMenu(window_), nullptr);
}

Text TabText(HWND tabs, int index) {
    wchar_t buffer[64] = {};
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = buffer;
    item.cchTextMax = 63;
    SendMessageW(tabs, TCM_GETITEMW, index, reinterpret_cast<LPARAM>(&item));
    return GbkFromWide(buffer);
}

TEST_F(MainWindowTest, TwoTabPages) {
    ASSERT_EQ(TabCtrl_GetItemCount(controls_.pageTabs), 2);
    EXPECT_EQ(TabText(controls_.pageTabs, 0), "即将发行的新股");
    EXPECT_EQ(TabText(controls_.pageTabs, 1), "已发行待上市的新股");
    EXPECT_EQ(TabCtrl_GetCurSel(controls_.pageTabs), 0);
}

template <std::size_t N>
void ExpectColumns(HWND list, const std::array<ColumnDesign, N>& design) {
    HWND header = ListView_GetHeader(list);
    ASSERT_EQ(Header_GetItemCount(header), static_cast<int>(N));
    for (std::size_t i = 0; i < N; ++i) {
        EXPECT_EQ(ListHeaderGbk(list, static_cast<int>(i)), design[i].header) << "column " << i;
        EXPECT_EQ(ListView_GetColumnWidth(list, static_cast<int>(i)), design[i].width)
            << "column " << i;
    }
}

TEST_F(MainWindowTest, UpcomingListColumns) {
    ExpectColumns(controls_.upcomingList, kUpcomingColumns);
    EXPECT_EQ(ListHeaderGbk(controls_.upcomingList, 4), "发行量/股");
}

TEST_F(MainWindowTest, IssuedListColumnsWithHiddenOnes) {
    ExpectColumns(controls_.issuedList, kIssuedColumns);
    for (int hidden : {4, 6, 10, 11}) EXPECT_EQ(ListView_GetColumnWidth(controls_.issuedList, hidden), 0);
}

TEST_F(MainWindowTest, ListSettings) {
    for (HWND list : {controls_.upcomingList, controls_.issuedList}) {
        LONG style = GetWindowLongW(list, GWL_STYLE);
        EXPECT_EQ(style & LVS_TYPEMASK, LVS_REPORT);
        EXPECT_TRUE(style & LVS_SHOWSELALWAYS);
        EXPECT_FALSE(style & LVS_SINGLESEL);
        EXPECT_FALSE(style & (LVS_SORTASCENDING | LVS_SORTDESCENDING));
        EXPECT_FALSE(style & LVS_NOCOLUMNHEADER);
        DWORD ex = ListView_GetExtendedListViewStyle(list);
        EXPECT_TRUE(ex & LVS_EX_FULLROWSELECT);
        EXPECT_TRUE(ex & LVS_EX_GRIDLINES);
        EXPECT_FALSE(ex & LVS_EX_CHECKBOXES);
        EXPECT_EQ(ListView_GetTextColor(list), RGB(0, 0, 0));
        EXPECT_EQ(ListView_GetTextBkColor(list), RGB(255, 255, 255));
        HIMAGELIST pictures = ListView_GetImageList(list, LVSIL_SMALL);
        ASSERT_NE(pictures, nullptr);
        EXPECT_GT(ImageList_GetImageCount(pictures), kListPicture);
        int cx = 0, cy = 0;
        ImageList_GetIconSize(pictures, &cx, &cy);
        EXPECT_EQ(cx, 16);
        EXPECT_EQ(cy, 16);
        EXPECT_EQ(ListView_GetItemCount(list), 0);
        RECT r;
        GetWindowRect(list, &r);
        MapWindowPoints(nullptr, window_, reinterpret_cast<POINT*>(&r), 2);
        EXPECT_EQ(r.right - r.left, kListPlace.width);
        EXPECT_EQ(r.bottom - r.top, kListPlace.height);
    }
}

TEST_F(MainWindowTest, StatusBarParts) {
    int edges[4] = {};
    ASSERT_EQ(SendMessageW(controls_.statusBar, SB_GETPARTS, 4, reinterpret_cast<LPARAM>(edges)), 3);
    EXPECT_EQ(edges[0], 5);
    EXPECT_EQ(edges[1], 505);
    EXPECT_EQ(edges[2], 1505);
    EXPECT_EQ(StatusTextGbk(controls_.statusBar, 0), "");
    EXPECT_EQ(StatusTextGbk(controls_.statusBar, 1), "");
    EXPECT_EQ(StatusTextGbk(controls_.statusBar, 2), "提示:数据来源于网络,仅供参考 !");
    EXPECT_EQ(SendMessageW(controls_.statusBar, SB_GETICON, 0, 0), 0);
    EXPECT_NE(SendMessageW(controls_.statusBar, SB_GETICON, 1, 0), 0);
    EXPECT_NE(SendMessageW(controls_.statusBar, SB_GETICON, 2, 0), 0);
}

TEST_F(MainWindowTest, SwitchingPagesShowsTheRightList) {
    EXPECT_TRUE(IsWindowVisible(controls_.upcomingList));
    EXPECT_FALSE(IsWindowVisible(controls_.issuedList));
    // As a user does it: a click on the second tab.
    RECT tab;
    TabCtrl_GetItemRect(controls_.pageTabs, 1, &tab);
    LPARAM at = MAKELPARAM((tab.left + tab.right) / 2, (tab.top + tab.bottom) / 2);
    SendMessageW(controls_.pageTabs, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(controls_.pageTabs, WM_LBUTTONUP, 0, at);
    PumpFor(20);
    EXPECT_EQ(TabCtrl_GetCurSel(controls_.pageTabs), 1);
    EXPECT_FALSE(IsWindowVisible(controls_.upcomingList));
    EXPECT_TRUE(IsWindowVisible(controls_.issuedList));
    SelectPage(window_, 0);
    EXPECT_TRUE(IsWindowVisible(controls_.upcomingList));
    EXPECT_FALSE(IsWindowVisible(controls_.issuedList));
}

TEST_F(MainWindowTest, EndTimerIsStoppedUntilGivenAPeriod) {
    PumpFor(300);
    EXPECT_TRUE(IsWindow(window_));
    EXPECT_FALSE(QuitSeen());
}

TEST_F(MainWindowTest, EndTimerFirstTickEndsTheProgramWithExitCodeZero) {
    // The period is set from a job, as the version check does it.
    std::thread job([this] { SetEndTimerPeriod(window_, 200); });
    PumpUntil([&] { return job.joinable(); }, 10);
    ULONGLONG start = GetTickCount64();
    bool ended = PumpUntil([this] { return !IsWindow(window_); }, 5000);
    job.join();
    ASSERT_TRUE(ended);
    EXPECT_GE(GetTickCount64() - start, 150u);
    PumpFor(20);
    int exitCode = -1;
    EXPECT_TRUE(QuitSeen(&exitCode));
    EXPECT_EQ(exitCode, 0);
}

TEST_F(MainWindowTest, ClosingTheWindowEndsTheLoopWithExitCodeZero) {
    PostMessageW(window_, WM_CLOSE, 0, 0);
    ASSERT_TRUE(PumpUntil([this] { return !IsWindow(window_); }, 2000));
    PumpFor(20);
    int exitCode = -1;
    EXPECT_TRUE(QuitSeen(&exitCode));
    EXPECT_EQ(exitCode, 0);
}

TEST_F(MainWindowTest, JobWorkRunsOnTheWindowThreadWhileItKeepsPumping) {
    const DWORD windowThread = GetCurrentThreadId();
    std::atomic<DWORD> ranOn{0};
    std::atomic<bool> done{false};
    ASSERT_TRUE(StartJob([&] {
        RunOnWindowThread([&] {
            ranOn = GetCurrentThreadId();
            SetTextGbk(controls_.statusBar, "");
            StatusSetTextGbk(controls_.statusBar, 1, "载入中,稍等...");
        });
        done = true;
    }));
    ASSERT_TRUE(PumpUntil([&] { return done.load(); }, 5000));
    EXPECT_EQ(ranOn.load(), windowThread);
    EXPECT_EQ(StatusTextGbk(controls_.statusBar, 1), "载入中,稍等...");
}

}  // namespace
}  // namespace velmora
