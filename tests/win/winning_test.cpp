// The winning-numbers window in a real main window under Wine, against the
// demo data site: opening from the issued list, its states while loading, the
// article text, the error text, the bring-to-front rule and closing early.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <regex>

#include "app/gbk_win.h"
#include "app/main_window_win.h"
#include "loader/row_walk.h"
#include "loader/share_lists_win.h"
#include "support/demo_site.h"
#include "support/main_window_fixture.h"
#include "support/pump.h"
#include "text/text.h"
#include "winning/article.h"
#include "winning/winning_window_win.h"

namespace velmora {
namespace {

using testing::DemoSite;
using testing::MainWindowFixture;
using testing::PumpFor;
using testing::PumpUntil;

constexpr char kLoading[] = "载入中,稍等...";

class WinningTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(DemoSite::Available()) << "needs the demo site (VELMORA_DEMO_SITE=1)";
        DemoSite::SetMode("normal");
        DemoSite::SetStallSeconds(0);
        DemoSite::ResetLog();
        MainWindowOptions options;
        options.sites.dataSiteRoot = DemoSite::Root();
        window_ = std::make_unique<MainWindowFixture>(options);
        list_ = window_->controls().issuedList;
        SelectPage(window_->window(), 1);
        // Article 1 exists on the site; 999 does not (the site answers 404).
        AddRow("星河医药", "1");
        AddRow("青山材料", "");
        AddRow("远望科技", "999");
    }
    void TearDown() override {
        if (HWND open = WinningNumbersWindowHandle()) DestroyWindow(open);
        window_.reset();
        PumpFor(50);
    }
    void AddRow(const Text& name, const Text& id) {
        ShareRow row;
        row.columns = {name, "0.05%", id.empty() ? "" : "双击查看", "", "", "", "", "", "", "", "", id};
        AppendShareRow(window_->window(), list_, ListView_GetItemCount(list_), row);
    }
    // Selects the rows and double-clicks the first of them as the mouse would.
    void DoubleClick(std::initializer_list<int> rows) {
        ListView_SetItemState(list_, -1, 0, LVIS_SELECTED);
        for (int r : rows) ListView_SetItemState(list_, r, LVIS_SELECTED, LVIS_SELECTED);
        POINT at{20, 10};
        if (rows.size() > 0) {
            RECT r{};
            ListView_GetItemRect(list_, *rows.begin(), &r, LVIR_BOUNDS);
            at = {r.left + 20, (r.top + r.bottom) / 2};
        }
        SendMessageW(list_, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(at.x, at.y));
        SendMessageW(list_, WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
    }
    static bool Loaded(const WinningNumbersControls& c) { return !IsWindowVisible(c.loadingLabel); }
    static WinningNumbersControls Open() { return WinningNumbersControlsOf(WinningNumbersWindowHandle()); }
    static int ArticleRequests() {
        std::string log = DemoSite::Requests();
        int count = 0;
        for (std::size_t at = log.find("newspage.aspx"); at != std::string::npos;
             at = log.find("newspage.aspx", at + 1)) {
            ++count;
        }
        return count;
    }

    std::unique_ptr<MainWindowFixture> window_;
    HWND list_ = nullptr;
};

RECT ClientRectIn(HWND child, HWND parent) {
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

TEST_F(WinningTest, DoubleClickShowsTheArticleWithItsLineBreaks) {
    DoubleClick({0});
    WinningNumbersControls c = Open();
    ASSERT_NE(c.window, nullptr);
    EXPECT_EQ(WindowTextGbk(c.window), "中签号");
    EXPECT_EQ(GetWindow(c.window, GW_OWNER), window_->window());
    RECT frame{};
    GetWindowRect(c.window, &frame);
    EXPECT_EQ(frame.left, 50);
    EXPECT_EQ(frame.top, 50);
    EXPECT_EQ(frame.right - frame.left, 536);
    EXPECT_EQ(frame.bottom - frame.top, 344);
    RECT box = ClientRectIn(c.articleBox, c.window);
    EXPECT_EQ(box.left, 11);
    EXPECT_EQ(box.top, 15);
    EXPECT_EQ(box.right - box.left, 504);
    EXPECT_EQ(box.bottom - box.top, 248);
    LONG style = GetWindowLongW(c.articleBox, GWL_STYLE);
    EXPECT_TRUE(style & ES_MULTILINE);
    EXPECT_TRUE(style & ES_READONLY);
    EXPECT_TRUE(style & WS_VSCROLL);
    EXPECT_EQ(WindowTextGbk(c.closeButton), "关闭");
    EXPECT_EQ(WindowTextGbk(c.loadingLabel), kLoading);

    ASSERT_TRUE(PumpUntil([&] { return Loaded(c); }, 15000));
    EXPECT_TRUE(IsWindowEnabled(c.closeButton));
    Text shown = WindowTextGbk(c.articleBox);
    EXPECT_EQ(DemoSite::Requests().find("GET /newspage.aspx?id=1"), 0u) << DemoSite::Requests();

    // The lines of the article as the site wrote them, each with its break tag.
    std::string page = DemoSite::RawGet("/newspage.aspx?id=1").body;
    Text text = PageBytesToText(page);
    std::smatch first;
    std::regex firstLine("<b>([^<]+)</b><br>\n");
    ASSERT_TRUE(std::regex_search(text, first, firstLine));
    std::smatch capital;
    ASSERT_TRUE(std::regex_search(text, capital, std::regex(">([^<>]+)</font><BR>\n")));
    std::smatch slashed;
    ASSERT_TRUE(std::regex_search(text, slashed, std::regex("\n([^<>\n]+)<br/>\n")));
    EXPECT_NE(shown.find(first[1].str() + "\r\n\n"), Text::npos) << "<br>";
    EXPECT_NE(shown.find(capital[1].str() + "\r\n\n"), Text::npos) << "<BR> in capitals";
    EXPECT_NE(shown.find("\n" + slashed[1].str() + "\n"), Text::npos) << "<br/> is no break";
    EXPECT_NE(shown.find("。\r\n\n\r\n"), Text::npos) << "</p> then <p>";
    EXPECT_EQ(shown.find('<'), Text::npos) << "every tag removed";
    EXPECT_EQ(shown.substr(0, 1), "\n") << "not trimmed";
    EXPECT_EQ(shown.find("<!--"), Text::npos);
    EXPECT_EQ(shown.find("相关阅读"), Text::npos) << "nothing behind the closing marker";

    SendMessageW(c.closeButton, BM_CLICK, 0, 0);
    EXPECT_FALSE(IsWindow(c.window));
    EXPECT_EQ(WinningNumbersWindowHandle(), nullptr);
}

TEST_F(WinningTest, NothingHappensWithoutAnArticleId) {
    DoubleClick({1});  // a row without an article
    DoubleClick({});   // no row selected
    PumpFor(300);
    EXPECT_EQ(WinningNumbersWindowHandle(), nullptr);
    EXPECT_EQ(ArticleRequests(), 0);
}

TEST_F(WinningTest, WhileLoadingTheLabelShowsAndTheButtonIsDisabled) {
    struct Case {
        const char* mode;
        int row;
    };
    // A stalled download (half the page, then silence and a close), and a
    // page without the markers (the site's 404 page): the error text.
    const Case cases[] = {{"stall", 0}, {"normal", 2}};
    for (const Case& k : cases) {
        SCOPED_TRACE(k.mode);
        DemoSite::SetMode(k.mode);
        DemoSite::SetStallSeconds(3);
        DoubleClick({k.row});
        WinningNumbersControls c = Open();
        ASSERT_NE(c.window, nullptr);
        if (std::string(k.mode) == "stall") {
            ASSERT_TRUE(PumpUntil([&] { return !IsWindowEnabled(c.closeButton); }, 5000));
            PumpFor(500);
            EXPECT_TRUE(IsWindowVisible(c.loadingLabel));
            EXPECT_FALSE(IsWindowEnabled(c.closeButton));
            EXPECT_EQ(WindowTextGbk(c.articleBox), "");
            // The window answers while the job waits.
            DWORD_PTR answer = 0;
            EXPECT_TRUE(SendMessageTimeoutW(c.window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &answer));
        }
        ASSERT_TRUE(PumpUntil([&] { return Loaded(c); }, 20000));
        EXPECT_EQ(WindowTextGbk(c.articleBox), kArticleFailureText);
        EXPECT_TRUE(IsWindowEnabled(c.closeButton));
        SendMessageW(c.closeButton, BM_CLICK, 0, 0);
        EXPECT_FALSE(IsWindow(c.window));
    }
}

TEST_F(WinningTest, AStalledServerIsGivenUpAfterTheTimeLimit) {
    window_.reset();
    MainWindowOptions options;
    options.sites.dataSiteRoot = DemoSite::Root();
    options.sites.downloadTimeLimitMs = 1500;
    window_ = std::make_unique<MainWindowFixture>(options);
    list_ = window_->controls().issuedList;
    AddRow("星河医药", "1");
    DemoSite::SetMode("stall");
    DemoSite::SetStallSeconds(120);  // far beyond the limit
    DoubleClick({0});
    WinningNumbersControls c = Open();
    ASSERT_NE(c.window, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return Loaded(c); }, 15000)) << "still waiting for the server";
    EXPECT_EQ(WindowTextGbk(c.articleBox), kArticleFailureText);
    EXPECT_TRUE(IsWindowEnabled(c.closeButton));
    DemoSite::SetStallSeconds(0);
}

TEST_F(WinningTest, ASecondDoubleClickBringsTheOpenWindowBack) {
    DoubleClick({0});
    WinningNumbersControls c = Open();
    ASSERT_TRUE(PumpUntil([&] { return Loaded(c); }, 15000));
    Text shown = WindowTextGbk(c.articleBox);
    ASSERT_NE(shown, kArticleFailureText);

    ShowWindow(c.window, SW_MINIMIZE);
    PumpFor(300);  // the window manager may take the owner along
    ASSERT_TRUE(IsIconic(c.window));
    DoubleClick({2});  // another row: the open window comes back as it was
    PumpFor(300);
    EXPECT_EQ(WinningNumbersWindowHandle(), c.window);
    EXPECT_FALSE(IsIconic(c.window));
    EXPECT_TRUE(IsWindowVisible(c.window));
    EXPECT_EQ(WindowTextGbk(c.articleBox), shown);
    EXPECT_EQ(ArticleRequests(), 1) << "no new download";

    SetForegroundWindow(window_->window());
    DoubleClick({2});
    PumpFor(300);
    EXPECT_EQ(WinningNumbersWindowHandle(), c.window);
    EXPECT_EQ(GetForegroundWindow(), c.window);
    EXPECT_EQ(ArticleRequests(), 1);

    // After closing it, the next double-click opens the row double-clicked then.
    SendMessageW(c.closeButton, BM_CLICK, 0, 0);
    DoubleClick({2});
    WinningNumbersControls next = Open();
    ASSERT_NE(next.window, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return Loaded(next); }, 15000));
    EXPECT_EQ(WindowTextGbk(next.articleBox), kArticleFailureText) << "article 999 does not exist";
    EXPECT_NE(DemoSite::Requests().find("GET /newspage.aspx?id=999"), std::string::npos);
}

TEST_F(WinningTest, ClosingDuringTheDownloadAHundredTimesIsSafe) {
    DemoSite::SetMode("stall");
    DemoSite::SetStallSeconds(1);
    for (int i = 0; i < 100; ++i) {
        DoubleClick({0});
        HWND open = WinningNumbersWindowHandle();
        ASSERT_NE(open, nullptr) << "round " << i;
        PumpFor(i % 10);  // sometimes before the job has begun, sometimes after
        SendMessageW(open, WM_CLOSE, 0, 0);  // the title bar's close box
        ASSERT_FALSE(IsWindow(open));
        ASSERT_EQ(WinningNumbersWindowHandle(), nullptr);
    }
    // Let the jobs end; they find their windows gone and write nothing.
    PumpFor(3000);
    DemoSite::SetMode("normal");
    DoubleClick({0});
    WinningNumbersControls c = Open();
    ASSERT_NE(c.window, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return Loaded(c); }, 15000));
    EXPECT_NE(WindowTextGbk(c.articleBox), kArticleFailureText);
}

}  // namespace
}  // namespace velmora
