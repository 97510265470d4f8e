// The lists' pop-up menus in a real main window under Wine: their items, their
// place, and what each item leaves on the clipboard, in a file or with the
// browser, with the list's own right-click selection coming first.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <thread>

#include "app/gbk_win.h"
#include "app/program.h"
#include "commands/commands_win.h"
#include "commands/export.h"
#include "commands/list_menus_win.h"
#include "loader/row_walk.h"
#include "loader/share_lists_win.h"
#include "support/demo_site.h"
#include "support/main_window_fixture.h"
#include "support/pump.h"

namespace velmora {
namespace {

using testing::MainWindowFixture;
using testing::PumpFor;
using testing::PumpUntil;

std::string ClipboardTextBytes() {
    std::string bytes = "<none>";
    if (!OpenClipboard(nullptr)) return "<unavailable>";
    if (HANDLE data = GetClipboardData(CF_TEXT)) {
        const char* at = static_cast<const char*>(GlobalLock(data));
        bytes = at ? std::string(at, strnlen(at, GlobalSize(data))) : "<locked>";
        GlobalUnlock(data);
    }
    CloseClipboard();
    return bytes;
}

// What a popup menu showed, seen from another thread while it was open.
struct SeenMenu {
    bool seen = false;
    RECT rect{};
    std::vector<Text> items;  // "-" for a separator
};

// Waits for the menu to come up, notes it, then presses Down `downs` times and
// Enter (Esc when downs is negative), as the keyboard would. Once the menu has
// gone, the right button is let go over the list (when one is given), which
// ends the list's own tracking of the press.
std::thread DriveMenu(SeenMenu& seen, int downs, HWND list = nullptr, POINT at = {}) {
    return std::thread([&seen, downs, list, at] {
        HWND menu = nullptr;
        for (int i = 0; i < 500 && !menu; ++i) {
            menu = FindWindowW(L"#32768", nullptr);
            if (menu && !IsWindowVisible(menu)) menu = nullptr;
            if (!menu) Sleep(10);
        }
        if (!menu) return;
        GetWindowRect(menu, &seen.rect);
        auto popup = reinterpret_cast<HMENU>(SendMessageW(menu, MN_GETHMENU, 0, 0));
        for (int i = 0; popup && i < GetMenuItemCount(popup); ++i) {
            if (GetMenuState(popup, i, MF_BYPOSITION) & MF_SEPARATOR) {
                seen.items.push_back("-");
                continue;
            }
            wchar_t text[64] = {};
            GetMenuStringW(popup, i, text, 64, MF_BYPOSITION);
            seen.items.push_back(GbkFromWide(text));
        }
        seen.seen = true;
        for (int i = 0; i < downs; ++i) PostMessageW(menu, WM_KEYDOWN, VK_DOWN, 0);
        PostMessageW(menu, WM_KEYDOWN, downs < 0 ? VK_ESCAPE : VK_RETURN, 0);
        for (int i = 0; i < 500 && IsWindowVisible(menu); ++i) Sleep(10);
        if (list) {
            Sleep(50);
            PostMessageW(list, WM_RBUTTONUP, 0, MAKELPARAM(at.x, at.y));
        }
    });
}

class ListMenusTest : public ::testing::Test {
protected:
    void SetUp() override {
        window_ = std::make_unique<MainWindowFixture>(MainWindowOptions{});
        PumpFor(300);  // the window manager has placed the window
        upcoming_ = window_->controls().upcomingList;
        issued_ = window_->controls().issuedList;
        AddRow(upcoming_, {"晨光电子", "732501", "沪:732501", "18.20"});
        AddRow(upcoming_, {"东岳新材", "301288", "深:301288", "9.99"});
        AddRow(upcoming_, {"北辰智造", "688777", "无冒号", "30.00"});
        AddRow(issued_, {"星河医药", "0.0512%", "双击查看", "", "", "", "", "沪:603999"});
        AddRow(issued_, {"青山材料", "a:b", "", "", "", "", "", "深：301"});
        AddRow(issued_, {"远望科技", "", "", "", "", "", "", "末尾:"});
    }
    void AddRow(HWND list, std::vector<Text> columns) {
        columns.resize(list == issued_ ? 12 : 11);
        ShareRow row;
        row.columns = std::move(columns);
        AppendShareRow(window_->window(), list, ListView_GetItemCount(list), row);
    }
    void Select(HWND list, std::initializer_list<int> rows) {
        ListView_SetItemState(list, -1, 0, LVIS_SELECTED);
        for (int r : rows) ListView_SetItemState(list, r, LVIS_SELECTED, LVIS_SELECTED);
    }
    // A right-button press over the row (or below the last row for -1), with
    // the menu driven from another thread; returns what the menu showed.
    SeenMenu RightClick(HWND list, int row, int downs, POINT* cursor = nullptr) {
        SelectPage(window_->window(), list == issued_ ? 1 : 0);
        RECT r{};
        if (row >= 0) {
            ListView_GetItemRect(list, row, &r, LVIR_BOUNDS);
        } else {
            ListView_GetItemRect(list, ListView_GetItemCount(list) - 1, &r, LVIR_BOUNDS);
            OffsetRect(&r, 0, 3 * (r.bottom - r.top));
        }
        POINT at{r.left + 30, (r.top + r.bottom) / 2};
        POINT screen = at;
        ClientToScreen(list, &screen);
        SetCursorPos(screen.x, screen.y);
        if (cursor) GetCursorPos(cursor);
        SeenMenu seen;
        std::thread driver = DriveMenu(seen, downs, list, at);
        SendMessageW(list, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(at.x, at.y));
        driver.join();
        PumpFor(100);  // the picked command arrives as WM_COMMAND
        return seen;
    }

    std::unique_ptr<MainWindowFixture> window_;
    HWND upcoming_ = nullptr;
    HWND issued_ = nullptr;
};

TEST_F(ListMenusTest, EachListHasItsItemsInOrderAtTheCursor) {
    struct Case {
        bool issued;
        std::vector<Text> items;
    };
    const Case cases[] = {
        {false, {"复制股票名称", "复制申购代码", "导出所有文本", "-", "访问软件主页"}},
        {true, {"复制股票名称", "复制中签率", "复制交易代码", "导出所有文本"}},
    };
    for (const Case& c : cases) {
        POINT cursor{};
        SeenMenu seen = RightClick(c.issued ? issued_ : upcoming_, 0, -1, &cursor);
        ASSERT_TRUE(seen.seen) << "no menu came up";
        EXPECT_EQ(seen.items, c.items);
        EXPECT_EQ(seen.rect.left, cursor.x + 3);
        EXPECT_EQ(seen.rect.top, cursor.y + 3);
        EXPECT_EQ(FindWindowW(L"#32768", nullptr) && IsWindowVisible(FindWindowW(L"#32768", nullptr)),
                  false)
            << "the menu is gone after Esc";
    }
}

TEST_F(ListMenusTest, CopyItemsPutTheRightCellOfTheRowOnTheClipboard) {
    struct Case {
        bool issued;
        std::initializer_list<int> selectedBefore;
        int clickedRow;  // -1: below the rows
        int downs;       // which item
        std::string expected;
    };
    const Case cases[] = {
        // The right-click selects the row under the cursor before the command runs.
        {false, {}, 0, 1, "晨光电子"},
        {false, {0}, 1, 2, "301288"},       // 复制申购代码: behind the colon
        {false, {}, 2, 2, "无冒号"},        // no colon: the whole cell
        {true, {}, 0, 1, "星河医药"},
        {true, {}, 0, 2, "0.0512%"},        // 复制中签率: the whole cell
        {true, {}, 1, 2, "a:b"},
        {true, {}, 0, 3, "603999"},         // 复制交易代码
        {true, {}, 1, 3, "深：301"},        // a full-width colon is no colon
        {true, {}, 2, 3, ""},               // colon last
        // A press on a selected row keeps the selection: the lowest row is copied.
        {true, {0, 2}, 2, 1, "星河医药"},
        // A press below the rows clears the selection: the empty text.
        {true, {1}, -1, 1, ""},
    };
    for (const Case& c : cases) {
        HWND list = c.issued ? issued_ : upcoming_;
        SCOPED_TRACE(std::string(c.issued ? "issued" : "upcoming") + " row " +
                     std::to_string(c.clickedRow) + " item " + std::to_string(c.downs));
        PutTextOnClipboard("before");
        Select(list, c.selectedBefore);
        SeenMenu seen = RightClick(list, c.clickedRow, c.downs);
        ASSERT_TRUE(seen.seen);
        EXPECT_EQ(ClipboardTextBytes(), c.expected);
    }
}

TEST_F(ListMenusTest, EscapeRunsNothing) {
    PutTextOnClipboard("kept");
    SeenMenu seen = RightClick(issued_, 0, -1);
    ASSERT_TRUE(seen.seen);
    EXPECT_EQ(ClipboardTextBytes(), "kept");
}

TEST_F(ListMenusTest, TheKeyboardMenuOpensNextToTheSelectedRowAndRunsTheSameCommands) {
    SelectPage(window_->window(), 1);
    Select(issued_, {1});
    SetFocus(issued_);
    PutTextOnClipboard("before");
    SeenMenu seen;
    std::thread driver = DriveMenu(seen, 1);
    SendMessageW(issued_, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(issued_), -1);
    driver.join();
    PumpFor(100);
    ASSERT_TRUE(seen.seen);
    RECT row{};
    ListView_GetItemRect(issued_, 1, &row, LVIR_LABEL);
    POINT corner{row.left, row.bottom};
    ClientToScreen(issued_, &corner);
    EXPECT_EQ(seen.rect.left, corner.x + 3);
    EXPECT_EQ(seen.rect.top, corner.y + 3);
    EXPECT_EQ(ClipboardTextBytes(), "青山材料");
}

TEST_F(ListMenusTest, ExportItemWritesTheFileInTheDataFolderAndOpensNotepad) {
    const Text path = Program().dataFolder + kExportFileName;
    DeleteFileW(WideFromGbk(path).c_str());
    SeenMenu seen = RightClick(upcoming_, 0, 3);
    ASSERT_TRUE(seen.seen);
    HWND notepad = nullptr;
    PumpUntil([&] { return (notepad = FindWindowW(L"Notepad", nullptr)) != nullptr; }, 10000);
    ASSERT_NE(notepad, nullptr);
    std::string bytes = testing::ReadFileBytes(path);
    // Three rows of eleven columns (14 + 10 x 10 bytes) and CR LF each.
    ASSERT_EQ(bytes.size(), 3u * (14 + 10 * 10 + 2));
    EXPECT_EQ(bytes.substr(0, 14 + 10), "晨光电子      732501    ");
    EXPECT_EQ(bytes.substr(114, 2), "\r\n");
    PostMessageW(notepad, WM_CLOSE, 0, 0);
    PumpUntil([&] { return !IsWindow(notepad); }, 5000);
}

// The home page goes to the system's browser; for this test Wine's browser
// launcher is pointed at a script that writes down the address it was given.
TEST_F(ListMenusTest, HomePageItemHandsTheAddressToTheBrowser) {
    // The script writes to this fixed place: Wine does not hand this process's
    // environment on to the programs its browser launcher starts.
    const Text log = testing::WindowsPathOf("/tmp/velmora-browser.log");
    DeleteFileW(WideFromGbk(log).c_str());
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Wine\\WineBrowser", 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    std::wstring recorder = WideFromGbk(testing::SourcePath("tests/win/support/record_browser.sh"));
    RegSetValueExW(key, L"Browsers", 0, REG_SZ, reinterpret_cast<const BYTE*>(recorder.c_str()),
                   static_cast<DWORD>((recorder.size() + 1) * sizeof(wchar_t)));

    Program().homePageUrl = "http://127.0.0.1:18460/about.htm";
    SeenMenu seen = RightClick(upcoming_, 0, 4);  // past the separator
    ASSERT_TRUE(seen.seen);
    std::string opened;
    PumpUntil([&] {
        opened = testing::ReadFileBytes(log);
        return !opened.empty();
    }, 15000);
    RegDeleteValueW(key, L"Browsers");
    RegCloseKey(key);
    EXPECT_EQ(opened, "http://127.0.0.1:18460/about.htm\n");
}

}  // namespace
}  // namespace velmora
