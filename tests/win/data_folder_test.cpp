// The data folder under Wine. ctest runs this program twice: once with no
// drive D: (NoDriveD.*, Paths.*) and once with D: mapped to a folder of the
// build tree (DriveD.*).
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "app/data_folder.h"
#include "app/gbk_win.h"
#include "app/main_window_win.h"
#include "support/demo_site.h"
#include "support/pump.h"

namespace velmora {
namespace {

bool FolderExists(std::string_view path) {
    DWORD a = GetFileAttributesW(WideFromGbk(path).c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool FileExists(std::string_view path) {
    return GetFileAttributesW(WideFromGbk(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

using testing::ReadFileBytes;
using testing::WriteFileBytes;

Text WindowsDrive() { return TextBefore(SpecialFolderPath(kWindowsFolder), ":"); }

const Text kNoticePath = Text(kPreferredDataRoot) + kNoticeFileName;

TEST(Paths, WithTrailingBackslash) {
    EXPECT_EQ(WithTrailingBackslash("C:\\WINDOWS"), "C:\\WINDOWS\\");
    EXPECT_EQ(WithTrailingBackslash("C:\\WINDOWS\\"), "C:\\WINDOWS\\");
    EXPECT_EQ(WithTrailingBackslash(""), "\\");
    // The last byte is looked at, not the last character: 0x5C as the second
    // byte of a GBK character counts.
    EXPECT_EQ(WithTrailingBackslash("C:\\\x81\\"), "C:\\\x81\\");
}

TEST(Paths, SpecialFolders) {
    Text windows = SpecialFolderPath(kWindowsFolder);
    Text system = SpecialFolderPath(kSystemFolder);
    EXPECT_EQ(windows.back(), '\\');
    EXPECT_EQ(system.back(), '\\');
    EXPECT_TRUE(FolderExists(windows)) << windows;
    EXPECT_TRUE(FolderExists(system)) << system;
    EXPECT_EQ(system.rfind(windows, 0), 0u) << "the system folder lies in the Windows folder";
    EXPECT_EQ(SpecialFolderPath(kTempFolder), TempFolderPath());
    Text temp = TempFolderPath();
    EXPECT_EQ(temp.back(), '\\');
    EXPECT_TRUE(FolderExists(temp)) << temp;
}

TEST(Paths, FallbackFoldersOnTheWindowsDrive) {
    FallbackFolders f = FallbackFoldersFor("E:\\WINNT\\");
    EXPECT_EQ(f.programFiles, "E:\\Program Files\\");
    EXPECT_EQ(f.root, "E:\\Program Files\\3d\\");
    EXPECT_EQ(FallbackFoldersFor("").root, ":\\Program Files\\3d\\");
}

TEST(NoDriveD, FallbackUnderProgramFilesOfTheWindowsDrive) {
    ASSERT_FALSE(FolderExists("D:\\"));
    Text expected = WindowsDrive() + ":\\Program Files\\3d\\";
    RemoveDirectoryW(WideFromGbk(expected + "Velmora\\").c_str());
    RemoveDirectoryW(WideFromGbk(expected).c_str());
    EXPECT_EQ(ChooseDataRoot(), expected);
    EXPECT_TRUE(FolderExists(WindowsDrive() + ":\\Program Files\\"));
    EXPECT_TRUE(FolderExists(expected));
    EXPECT_FALSE(FileExists(expected + kNoticeFileName)) << "no notice in the fallback";
}

TEST(NoDriveD, MainWindowCreatesItsDataFolder) {
    HWND window = CreateMainWindow(GetModuleHandleW(nullptr), MainWindowOptions{}, SW_HIDE);
    ASSERT_NE(window, nullptr);
    Text expected = WindowsDrive() + ":\\Program Files\\3d\\Velmora\\";
    EXPECT_EQ(Program().dataFolder, expected);
    EXPECT_TRUE(FolderExists(expected));
    DestroyWindow(window);
    testing::PumpFor(10);
    testing::QuitSeen();
}

class DriveD : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(FolderExists("D:\\")) << "this run needs drive D: mapped";
        SetFileAttributesW(WideFromGbk(kNoticePath).c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    void TearDown() override {
        SetFileAttributesW(WideFromGbk(kNoticePath).c_str(), FILE_ATTRIBUTE_NORMAL);
    }
};

TEST_F(DriveD, WritableDriveDIsUsedWithAFreshNotice) {
    RemoveDirectoryW(L"D:\\Karrow\\Velmora\\");
    DeleteFileW(WideFromGbk(kNoticePath).c_str());
    RemoveDirectoryW(L"D:\\Karrow\\");
    EXPECT_EQ(ChooseDataRoot(), "D:\\Karrow\\");
    EXPECT_EQ(ReadFileBytes(kNoticePath), kNoticeText);
    EXPECT_EQ(kNoticeText.size(), 84u);
    EXPECT_EQ(kNoticeText.substr(kNoticeText.size() - 2), "\r\n");
}

TEST_F(DriveD, NoticeIsWrittenAgainAtEveryStart) {
    ASSERT_EQ(ChooseDataRoot(), "D:\\Karrow\\");
    WriteFileBytes(kNoticePath, std::string(500, 'x'));
    ASSERT_EQ(ReadFileBytes(kNoticePath).size(), 500u);
    EXPECT_EQ(ChooseDataRoot(), "D:\\Karrow\\");
    EXPECT_EQ(ReadFileBytes(kNoticePath), kNoticeText) << "emptied, then the 84 bytes";
}

TEST_F(DriveD, ReadOnlyNoticeMakesTheProgramUseTheFallback) {
    ASSERT_EQ(ChooseDataRoot(), "D:\\Karrow\\");
    ASSERT_TRUE(SetFileAttributesW(WideFromGbk(kNoticePath).c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(ChooseDataRoot(), WindowsDrive() + ":\\Program Files\\3d\\");
}

TEST_F(DriveD, NoticeLockedByAnotherProgramMakesTheProgramUseTheFallback) {
    ASSERT_EQ(ChooseDataRoot(), "D:\\Karrow\\");
    HANDLE held = CreateFileW(WideFromGbk(kNoticePath).c_str(), GENERIC_READ, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_EQ(ChooseDataRoot(), WindowsDrive() + ":\\Program Files\\3d\\");
    CloseHandle(held);
    EXPECT_EQ(ChooseDataRoot(), "D:\\Karrow\\");
}

TEST_F(DriveD, NoticeIsOpenForNobodyElseWhileItIsWritten) {
    // While ChooseDataRoot holds the notice, nobody can open it; we can only
    // see the outcome: after it, the file is ours to open exclusively again.
    ASSERT_EQ(ChooseDataRoot(), "D:\\Karrow\\");
    HANDLE again = CreateFileW(WideFromGbk(kNoticePath).c_str(), GENERIC_WRITE, 0, nullptr,
                               OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(again, INVALID_HANDLE_VALUE) << "the notice was left open";
    CloseHandle(again);
}

TEST_F(DriveD, MainWindowDataFolderOnDriveD) {
    HWND window = CreateMainWindow(GetModuleHandleW(nullptr), MainWindowOptions{}, SW_HIDE);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(Program().dataFolder, "D:\\Karrow\\Velmora\\");
    EXPECT_TRUE(FolderExists("D:\\Karrow\\Velmora\\"));
    DestroyWindow(window);
    testing::PumpFor(10);
    testing::QuitSeen();
}

}  // namespace
}  // namespace velmora
