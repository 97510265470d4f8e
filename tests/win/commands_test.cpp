// Copying cells and exporting a list, in a real main window under Wine.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <memory>
#include <thread>

#include "app/gbk_win.h"
#include "commands/commands_win.h"
#include "commands/export.h"
#include "loader/row_walk.h"
#include "loader/share_lists_win.h"
#include "support/demo_site.h"
#include "support/main_window_fixture.h"
#include "support/pump.h"

namespace velmora {
namespace {

using testing::MainWindowFixture;

std::string ClipboardTextBytes() {
    std::string bytes = "<unavailable>";
    if (!OpenClipboard(nullptr)) return bytes;
    if (HANDLE data = GetClipboardData(CF_TEXT)) {
        const char* at = static_cast<const char*>(GlobalLock(data));
        SIZE_T size = GlobalSize(data);
        bytes = at ? std::string(at, strnlen(at, size)) : "<locked>";
        GlobalUnlock(data);
    } else {
        bytes = "<none>";
    }
    CloseClipboard();
    return bytes;
}

std::wstring ClipboardWide() {
    std::wstring text;
    if (!OpenClipboard(nullptr)) return text;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        text = static_cast<const wchar_t*>(GlobalLock(data));
        GlobalUnlock(data);
    }
    CloseClipboard();
    return text;
}

class CommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        window_ = std::make_unique<MainWindowFixture>(MainWindowOptions{});
        list_ = window_->controls().issuedList;
        AddRow({"星河医药", "0.05%", "双击查看", "c3", "c4", "c5", "c6", "沪:732001", "c8", "c9", "c10", "4242"});
        AddRow({"青山材料", "a:b:c", "603777", "c3", "c4", "c5", "c6", "深：301", "c8", "c9", "c10", ""});
        AddRow({" 空格 ", "x:", "c2", "c3", "c4", "c5", "c6", "末尾:", "c8", "c9", "c10", ""});
    }
    void AddRow(std::vector<Text> columns) {
        ShareRow row;
        row.columns = std::move(columns);
        AppendShareRow(window_->window(), list_, ListView_GetItemCount(list_), row);
    }
    void Select(std::initializer_list<int> rows) {
        ListView_SetItemState(list_, -1, 0, LVIS_SELECTED);
        for (int r : rows) ListView_SetItemState(list_, r, LVIS_SELECTED, LVIS_SELECTED);
    }
    std::unique_ptr<MainWindowFixture> window_;
    HWND list_ = nullptr;
};

TEST_F(CommandsTest, CopyCellPutsTheCellsGbkBytesOnTheClipboard) {
    struct Case {
        std::initializer_list<int> selected;
        int column;
        bool afterColon;
        std::string expected;
    };
    const Case cases[] = {
        {{0}, 0, false, "星河医药"},
        {{1}, 1, false, "a:b:c"},
        {{1}, 1, true, "b:c"},
        {{0}, 7, true, "732001"},
        {{1}, 7, true, "深：301"},  // a full-width colon is no colon
        {{2}, 7, true, ""},
        {{2}, 0, false, " 空格 "},
        {{2, 1}, 0, false, "青山材料"},  // the lowest selected row
        {{}, 0, false, ""},
    };
    for (const Case& c : cases) {
        PutTextOnClipboard("before");
        Select(c.selected);
        CopyCell(list_, c.column, c.afterColon);
        EXPECT_EQ(ClipboardTextBytes(), c.expected) << "column " << c.column;
        EXPECT_EQ(ClipboardWide(), WideFromGbk(c.expected));
    }
}

TEST_F(CommandsTest, AClipboardHeldElsewhereChangesNothing) {
    PutTextOnClipboard("kept");
    std::atomic<bool> held{false}, release{false};
    // Another program's window holds the clipboard open.
    std::thread other([&] {
        HWND owner = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                     nullptr, nullptr);
        if (OpenClipboard(owner)) {
            held = true;
            while (!release) Sleep(5);
            CloseClipboard();
        } else {
            held = true;
        }
        DestroyWindow(owner);
    });
    while (!held) Sleep(5);
    Select({0});
    CopyCell(list_, 0);
    release = true;
    other.join();
    EXPECT_EQ(ClipboardTextBytes(), "kept");
}

TEST_F(CommandsTest, ExportWritesTheAlignedFileAndOpensNotepad) {
    Text folder = testing::WindowsPathOf("/tmp/velmora-export-" + std::to_string(GetCurrentProcessId()) + "/");
    CreateDirectoryW(WideFromGbk(folder).c_str(), nullptr);
    ExportList(list_, true, folder);
    std::string bytes = testing::ReadFileBytes(folder + kExportFileName);
    std::string expected = ExportText(
        ExportedList::Issued,
        ListReader{[this] { return ListView_GetItemCount(list_); }, [] { return 12; },
                   [this](int r, int c) { return ListCellGbk(list_, r, c); }});
    EXPECT_EQ(bytes, expected);
    EXPECT_EQ(bytes.substr(0, 14), "星河医药      ");
    EXPECT_EQ(bytes.find("4242"), std::string::npos) << "the article id column is left out";
    EXPECT_EQ(bytes.size(), 3u * 120u);

    // Notepad came up with the file; close the window we caused.
    HWND notepad = nullptr;
    testing::PumpUntil([&] { return (notepad = FindWindowW(L"Notepad", nullptr)) != nullptr; }, 10000);
    ASSERT_NE(notepad, nullptr);
    Text caption = WindowTextGbk(notepad);
    EXPECT_NE(caption.find("文本导出"), Text::npos) << caption;
    PostMessageW(notepad, WM_CLOSE, 0, 0);
    testing::PumpUntil([&] { return !IsWindow(notepad); }, 5000);
}

TEST_F(CommandsTest, EmptyListExportsAnEmptyFile) {
    ListView_DeleteAllItems(list_);
    Text folder = testing::WindowsPathOf("/tmp/velmora-export-empty-" + std::to_string(GetCurrentProcessId()) + "/");
    CreateDirectoryW(WideFromGbk(folder).c_str(), nullptr);
    testing::WriteFileBytes(folder + kExportFileName, "old content");
    ExportList(list_, false, folder);
    EXPECT_EQ(testing::ReadFileBytes(folder + kExportFileName), "");
    HWND notepad = nullptr;
    testing::PumpUntil([&] { return (notepad = FindWindowW(L"Notepad", nullptr)) != nullptr; }, 10000);
    ASSERT_NE(notepad, nullptr);
    PostMessageW(notepad, WM_CLOSE, 0, 0);
    testing::PumpUntil([&] { return !IsWindow(notepad); }, 5000);
}

}  // namespace
}  // namespace velmora
