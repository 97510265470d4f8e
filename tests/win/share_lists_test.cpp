// The share lists filled by the real job in a real main window, from pages of
// the demo data site.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "app/gbk_win.h"
#include "app/window_design.h"
#include "listcolors/list_colors_win.h"
#include "loader/share_lists_win.h"
#include "support/demo_site.h"
#include "support/main_window_fixture.h"
#include "support/pump.h"

namespace velmora {
namespace {

using testing::DemoSite;
using testing::ListPicture;
using testing::MainWindowFixture;
using testing::PumpUntil;
using Rows = std::vector<std::vector<Text>>;

MainWindowOptions LoadingFrom(const Text& root, std::uint32_t timeLimitMs = 20000) {
    MainWindowOptions options;
    options.sites.dataSiteRoot = root;
    options.sites.downloadTimeLimitMs = timeLimitMs;
    options.jobs = {LoadShareLists};
    return options;
}

bool WaitForDone(const MainWindowFixture& window, DWORD timeoutMs = 30000) {
    return PumpUntil(
        [&] {
            return StatusTextGbk(window.controls().statusBar, 1) == kStatusDone;
        },
        timeoutMs);
}

// A page of the demo site's shape written for this test, with today's date in
// some cells. Returns its Unix path.
std::string WritePage(const std::string& name, const std::string& utf8) {
    std::string path = "/tmp/velmora-test-" + std::to_string(GetCurrentProcessId()) + "-" + name;
    testing::WriteFileBytes(testing::WindowsPathOf(path), utf8);
    return path;
}

std::string U8(const char8_t* s) { return reinterpret_cast<const char*>(s); }

std::string UpcomingRow(const std::string& name, const std::string& date) {
    return "<tr><td><a href=\"quote.aspx?stockid=688001\" target=\"_blank\">" + name +
           "</a></td><td><span>" + date +
           "</span></td><td>787001</td><td>10.00</td><td>1,000" + U8(u8"万") +
           "<br/>x</td><td>1.00" + U8(u8"万") + "</td><td><font>20.00</font></td><td>d7</td>"
           "<td>d8</td><td>d9</td><td>x</td><td>u</td></tr>\n";
}

std::string IssuedRow(const std::string& name, const std::string& cell2) {
    return "<tr><td><a href=\"quote.aspx?stockid=301001\">" + name + "</a></td><td>l1</td><td>" +
           cell2 + "</td><td>0.03%</td><td>c4</td><td>c5</td><td>c6</td><td>c7</td><td>c8</td>"
           "<td>c9</td><td>c10</td><td>c11</td></tr>\n";
}

std::string Page(const std::string& upcomingRows, const std::string& issuedRows) {
    return U8(u8"<html><body><p>新股日历</p><h2>即将发行的新股</h2><table>") + upcomingRows +
           U8(u8"</table><h2>已发行待上市的新股</h2><table>") + issuedRows +
           U8(u8"</table><p>以上新股中签率公布日期仅供参考</p><table>") +
           UpcomingRow("after", "20000101") + "</table></body></html>";
}

class ShareListsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(DemoSite::Available());
        DemoSite::SetMode("normal");
    }
};

TEST_F(ShareListsTest, BothListsFromAFixturePage) {
    DemoSite::SetPage(testing::SourcePath("demo/fixtures/basic.html"));
    DemoSite::SetMode("fixture");
    MainWindowFixture window(LoadingFrom(DemoSite::Root()));
    ASSERT_TRUE(WaitForDone(window));
    const MainWindowControls& c = window.controls();
    Rows upcoming = window.Rows(c.upcomingList);
    ASSERT_EQ(upcoming.size(), 3u);
    EXPECT_EQ(upcoming[0], (std::vector<Text>{"蓝海光电", "20260105", "787701", "21.30",
                                              "2,000万(网上800万)", "0.80万", "28.15", "20260106",
                                              "20260107", "20260108", "中信证券"}));
    EXPECT_EQ(upcoming[2][0], "远帆科技");
    EXPECT_EQ(upcoming[2][10], "华泰联合");
    Rows issued = window.Rows(c.issuedList);
    ASSERT_EQ(issued.size(), 3u);
    EXPECT_EQ(issued[0], (std::vector<Text>{"星河医药", "20260115", "双击查看", "0.0345%",
                                            "20251231", "1.23万亿", "20260115", "1.20万", "18.50",
                                            "20260105", "23.45", "1"}));
    EXPECT_EQ(issued[1][2], "603777");
    EXPECT_EQ(issued[1][11], "");
    EXPECT_EQ(issued[2][2], "双击查看") << "an empty cell counts as a link";
    EXPECT_EQ(issued[2][11], "");
    for (const auto& row : issued) EXPECT_NE(row[0], "长风药业") << "read past the last marker";

    // Every row shows picture 32 in its first cell.
    for (HWND list : {c.upcomingList, c.issuedList}) {
        for (int r = 0; r < ListView_GetItemCount(list); ++r) {
            LVITEMW item{};
            item.mask = LVIF_IMAGE;
            item.iItem = r;
            SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
            EXPECT_EQ(item.iImage, kListPicture);
        }
    }
}

TEST_F(ShareListsTest, StatusTextsAndEnabledStatesInOrder) {
    MainWindowFixture window(LoadingFrom(DemoSite::Root()));
    ASSERT_TRUE(WaitForDone(window));
    EXPECT_EQ(window.statusTexts(), (std::vector<Text>{kStatusFetching, kStatusLoading, kStatusDone}));
    EXPECT_TRUE(window.WasDisabled(window.controls().upcomingList));
    EXPECT_FALSE(window.WasDisabled(window.controls().issuedList));
    EXPECT_TRUE(IsWindowEnabled(window.controls().upcomingList));
    EXPECT_TRUE(IsWindowEnabled(window.controls().issuedList));
    EXPECT_EQ(ListView_GetItemCount(window.controls().upcomingList), 8);
    EXPECT_EQ(ListView_GetItemCount(window.controls().issuedList), 7);
}

TEST_F(ShareListsTest, WhileFetchingTheUpcomingListIsDisabledAndTheWindowResponds) {
    DemoSite::SetStallSeconds(30);
    DemoSite::SetMode("stall");
    MainWindowFixture window(LoadingFrom(DemoSite::Root(), 3000));
    ASSERT_TRUE(PumpUntil([&] { return !window.statusTexts().empty(); }, 5000));
    PumpUntil([] { return false; }, 500);
    EXPECT_EQ(StatusTextGbk(window.controls().statusBar, 1), kStatusFetching);
    EXPECT_FALSE(IsWindowEnabled(window.controls().upcomingList));
    // The window thread is free: a message sent to the window is answered at once.
    DWORD_PTR answer = 0;
    EXPECT_TRUE(SendMessageTimeoutW(window.window(), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &answer));
    // The stalled download ends as a failed one.
    ASSERT_TRUE(WaitForDone(window, 15000));
    EXPECT_EQ(ListView_GetItemCount(window.controls().upcomingList), 0);
    EXPECT_TRUE(IsWindowEnabled(window.controls().upcomingList));
    DemoSite::SetMode("normal");
}

TEST_F(ShareListsTest, ServerDownLeavesBothListsEmptyAndSaysDone) {
    MainWindowFixture window(
        LoadingFrom("http://127.0.0.1:" + std::to_string(testing::UnusedPort()) + "/"));
    ASSERT_TRUE(WaitForDone(window));
    EXPECT_EQ(ListView_GetItemCount(window.controls().upcomingList), 0);
    EXPECT_EQ(ListView_GetItemCount(window.controls().issuedList), 0);
    EXPECT_EQ(window.statusTexts(), (std::vector<Text>{kStatusFetching, kStatusLoading, kStatusDone}));
}

TEST_F(ShareListsTest, TodayAndArticleCellsAreRedAndRowsStriped) {
    Text today = FormatDateText(LocalNow(), false, false);
    std::string page = Page(UpcomingRow("A1", "20000101") + UpcomingRow("A2", today) +
                                UpcomingRow("A3", "20000102") + UpcomingRow("A4", today),
                            IssuedRow("B1", "301001") +
                                IssuedRow("B2", "<a href=newspage.aspx?id=9 target=_blank>x</a>") +
                                IssuedRow("B3", "301003"));
    DemoSite::SetPage(WritePage("colours.html", page));
    DemoSite::SetMode("fixture");
    MainWindowFixture window(LoadingFrom(DemoSite::Root()));
    ASSERT_TRUE(WaitForDone(window));
    const MainWindowControls& c = window.controls();
    ASSERT_EQ(ListView_GetItemCount(c.upcomingList), 4);
    ASSERT_EQ(ListView_GetItemCount(c.issuedList), 3);
    EXPECT_EQ(ListCellGbk(c.issuedList, 1, 11), "9");

    // The registry holds what the loader gave it.
    const CellColorRegistry& store = ColorStore();
    ASSERT_EQ(store.entries().size(), 2u);
    const ListColorEntry& up = store.entries()[0];
    EXPECT_EQ(up.list, reinterpret_cast<ListKey>(c.upcomingList));
    ASSERT_EQ(up.cells.size(), 2u);
    EXPECT_EQ(up.cells[0].row, 1);
    EXPECT_EQ(up.cells[0].column, 1);
    EXPECT_EQ(up.cells[0].textColor, 255u);
    EXPECT_EQ(up.cells[0].backColor, 0xFFFFFFu);
    EXPECT_EQ(up.cells[1].row, 3);
    EXPECT_NE(up.stripesOn, 0);
    EXPECT_EQ(up.stripes.evenBack, 0xFFFFFFu);
    EXPECT_EQ(up.stripes.oddBack, 0xFEFCFCu);
    const ListColorEntry& is = store.entries()[1];
    ASSERT_EQ(is.cells.size(), 1u);
    EXPECT_EQ(is.cells[0].row, 1);
    EXPECT_EQ(is.cells[0].column, 2);

    // As painted.
    ListPicture upcoming(c.upcomingList);
    EXPECT_FALSE(upcoming.HasRed(upcoming.CellRect(0, 1)));
    EXPECT_TRUE(upcoming.HasRed(upcoming.CellRect(1, 1)));
    EXPECT_TRUE(upcoming.HasRed(upcoming.CellRect(3, 1)));
    EXPECT_FALSE(upcoming.HasRed(upcoming.CellRect(1, 2))) << "the colour leaked into the next column";
    EXPECT_EQ(upcoming.MostCommon(upcoming.CellRect(0, 3)), RGB(255, 255, 255));
    EXPECT_EQ(upcoming.MostCommon(upcoming.CellRect(1, 3)), RGB(252, 252, 254));
    EXPECT_EQ(upcoming.MostCommon(upcoming.CellRect(2, 3)), RGB(255, 255, 255));
    // A red cell on an odd row keeps its own (white) background.
    EXPECT_EQ(upcoming.MostCommon(upcoming.CellRect(1, 1)), RGB(255, 255, 255));

    // The issued list's page is not selected: it stays hidden, and paints its
    // "双击查看" cell red when it is shown.
    EXPECT_FALSE(IsWindowVisible(c.issuedList));
    SelectPage(window.window(), 1);
    ListPicture issued(c.issuedList);
    EXPECT_TRUE(issued.HasRed(issued.CellRect(1, 2)));
    EXPECT_FALSE(issued.HasRed(issued.CellRect(0, 2)));
    EXPECT_EQ(issued.MostCommon(issued.CellRect(1, 5)), RGB(252, 252, 254));
}

TEST_F(ShareListsTest, ClosingTheWindowWhileTheJobRunsIsSafe) {
    DemoSite::SetStallSeconds(30);
    DemoSite::SetMode("stall");
    for (int i = 0; i < 3; ++i) {
        MainWindowFixture window(LoadingFrom(DemoSite::Root(), 1500));
        PumpUntil([&] { return !window.statusTexts().empty(); }, 5000);
    }
    DemoSite::SetMode("normal");
    // The abandoned jobs finish against windows that are gone, without harm.
    testing::PumpFor(2500);
    MainWindowFixture window(LoadingFrom(DemoSite::Root()));
    EXPECT_TRUE(WaitForDone(window));
}

}  // namespace
}  // namespace velmora
