// update.exe as Velmora leaves it to run: settings in the system folder, the new
// file on the demo site. The test starts the built program, reads its window
// from outside, as a user reads it, and closes it with WM_CLOSE.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "app/data_folder.h"
#include "app/gbk_win.h"
#include "support/demo_site.h"
#include "support/pump.h"
#include "text/text.h"
#include "updater/plan.h"

namespace velmora {
namespace {

using testing::DemoSite;
using testing::ReadFileBytes;
using testing::WriteFileBytes;

// This test program stands in for the new Velmora.exe in the test that lets the
// updater start what it saved: run under that name, it notes how it was started.
constexpr wchar_t kStandInName[] = L"Velmora.exe";
constexpr char kStartNote[] = "started.txt";

constexpr char kWorking[] = "正在升级,请稍候...";
constexpr DWORD kRunLimitMs = 60000;

// Exit codes of update.exe.
constexpr DWORD kDone = 0, kRefused = 1, kDownloadFailed = 2, kNotStarted = 4, kCancelled = 5;

std::wstring ModulePath() {
    wchar_t buffer[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, buffer, MAX_PATH);
    return buffer;
}

std::wstring FolderOf(const std::wstring& path) { return path.substr(0, path.rfind(L'\\') + 1); }

bool Exists(const Text& path) {
    return GetFileAttributesW(WideFromGbk(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

void RemoveTree(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = found.cFileName;
            if (name == L"." || name == L"..") continue;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(folder + name + L"\\");
            } else {
                DeleteFileW((folder + name).c_str());
            }
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(folder.c_str());
}

std::vector<std::wstring> FileNamesIn(const Text& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((WideFromGbk(folder) + L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

bool Contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

// The value of a key of the demo site's version file in a version mode: the
// address Velmora would hand over.
Text PublishedDownloadAddress(const std::string& versionMode) {
    DemoSite::SetVersionMode(versionMode);
    const std::string file = DemoSite::RawGet("/ver/myver.txt").body;
    DemoSite::SetVersionMode("current");
    const std::string key = "最新版下载地址=";
    const std::size_t at = file.find(key);
    if (at == std::string::npos) return Text();
    const std::size_t start = at + key.size();
    return file.substr(start, file.find("\r\n", start) - start);
}

// A site of one file on a loopback port of this process, for the bytes that
// the demo site does not serve: a program that really starts.
class OneFileSite {
  public:
    explicit OneFileSite(std::string body) : body_(std::move(body)) {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
        listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        int length = sizeof address;
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        listen(listener_, 4);
        thread_ = std::thread([this] { Serve(); });
    }
    ~OneFileSite() {
        closesocket(listener_);  // ends the accept
        thread_.join();
        WSACleanup();
    }
    Text Url(const std::string& path) const {
        return "http://127.0.0.1:" + std::to_string(port_) + path;
    }

  private:
    void Serve() {
        for (;;) {
            SOCKET client = accept(listener_, nullptr, nullptr);
            if (client == INVALID_SOCKET) return;
            std::string request;
            char buffer[4096];
            while (request.find("\r\n\r\n") == std::string::npos) {
                const int got = recv(client, buffer, sizeof buffer, 0);
                if (got <= 0) break;
                request.append(buffer, static_cast<std::size_t>(got));
            }
            const std::string answer =
                "HTTP/1.1 200 OK\r\nContent-Type: application/octet-stream\r\n"
                "Cache-Control: no-store\r\nConnection: close\r\n"
                "Content-Length: " +
                std::to_string(body_.size()) + "\r\n\r\n" + body_;
            for (std::size_t sent = 0; sent < answer.size();) {
                const int put =
                    send(client, answer.data() + sent,
                         static_cast<int>(std::min<std::size_t>(answer.size() - sent, 65536)), 0);
                if (put <= 0) break;
                sent += static_cast<std::size_t>(put);
            }
            shutdown(client, SD_SEND);
            closesocket(client);
        }
    }

    std::string body_;
    SOCKET listener_ = INVALID_SOCKET;
    int port_ = 0;
    std::thread thread_;
};

// One run of update.exe, seen from outside.
class UpdaterRun {
  public:
    UpdaterRun() {
        std::wstring program = WideFromGbk(testing::WindowsPathOf(VELMORA_UPDATER_EXE));
        std::wstring commandLine = L"\"" + program + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        started_ = CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                                  nullptr, nullptr, &startup, &process_);
        if (!started_) return;
        testing::PumpUntil([this] { return (window_ = WindowOfProcess()) != nullptr; }, 30000);
        if (window_ != nullptr) {
            status_ = FindWindowExW(window_, nullptr, L"Static", nullptr);
            steps_ = FindWindowExW(window_, nullptr, L"Edit", nullptr);
        }
    }
    ~UpdaterRun() {
        if (!started_) return;
        if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) {
            TerminateProcess(process_.hProcess, 99);
            WaitForSingleObject(process_.hProcess, 10000);
        }
        CloseHandle(process_.hThread);
        CloseHandle(process_.hProcess);
    }
    UpdaterRun(const UpdaterRun&) = delete;
    UpdaterRun& operator=(const UpdaterRun&) = delete;

    bool HasWindow() const { return window_ != nullptr && status_ != nullptr && steps_ != nullptr; }
    HWND window() const { return window_; }
    Text Title() const { return TextOf(window_); }
    Text Status() const { return TextOf(status_); }
    Text Steps() const { return TextOf(steps_); }

    bool WaitForStep(std::string_view part, DWORD timeoutMs = kRunLimitMs) const {
        return testing::PumpUntil([&] { return Contains(Steps(), part); }, timeoutMs);
    }
    // Until the status line leaves "working"; false when it does not in time.
    bool WaitForEnd(DWORD timeoutMs = kRunLimitMs) const {
        return testing::PumpUntil([&] { return Status() != kWorking && !Status().empty(); },
                                  timeoutMs);
    }
    // Closes the window as the user does and gives the exit code (or 999).
    DWORD CloseAndExitCode() {
        PostMessageW(window_, WM_CLOSE, 0, 0);
        return ExitCode();
    }
    DWORD ExitCode() {
        if (WaitForSingleObject(process_.hProcess, 30000) != WAIT_OBJECT_0) return 999;
        DWORD code = 999;
        GetExitCodeProcess(process_.hProcess, &code);
        return code;
    }

  private:
    HWND WindowOfProcess() const {
        struct Search {
            DWORD processId;
            HWND found;
        } search{process_.dwProcessId, nullptr};
        EnumWindows(
            [](HWND window, LPARAM parameter) -> BOOL {
                auto* s = reinterpret_cast<Search*>(parameter);
                DWORD owner = 0;
                GetWindowThreadProcessId(window, &owner);
                if (owner == s->processId && IsWindowVisible(window)) {
                    s->found = window;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&search));
        return search.found;
    }

    // WM_GETTEXT, which the system carries across the process boundary.
    static Text TextOf(HWND window) {
        DWORD_PTR length = 0;
        if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length)) {
            return Text();
        }
        std::wstring text(length + 1, L'\0');
        DWORD_PTR got = 0;
        SendMessageTimeoutW(window, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(text.data()),
                            SMTO_ABORTIFHUNG, 5000, &got);
        text.resize(got);
        return GbkFromWide(text);
    }

    PROCESS_INFORMATION process_{};
    bool started_ = false;
    HWND window_ = nullptr;
    HWND status_ = nullptr;
    HWND steps_ = nullptr;
};

class UpdaterTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(DemoSite::Available()) << "run through wine-run with VELMORA_DEMO_SITE=1";
        DemoSite::SetMode("normal");
        DemoSite::SetVersionMode("current");
        settingsPath_ = SpecialFolderPath(kSystemFolder) + updater::kSettingsFileName;
        hadSettings_ = Exists(settingsPath_);
        if (hadSettings_) savedSettings_ = ReadFileBytes(settingsPath_);
        base_ = TempFolderPath() + "velmora_updater_test_" + std::to_string(GetCurrentProcessId()) +
                "\\";
        RemoveTree(WideFromGbk(base_));
        CreateDirectoryW(WideFromGbk(base_).c_str(), nullptr);
        // The folder to save into sits two levels down, so that a name climbing
        // out of it would land in a folder this test watches.
        CreateDirectoryW(WideFromGbk(base_ + "a\\").c_str(), nullptr);
        folder_ = base_ + "a\\新版本\\";
        CreateDirectoryW(WideFromGbk(folder_).c_str(), nullptr);
    }
    void TearDown() override {
        if (hadSettings_) {
            WriteFileBytes(settingsPath_, savedSettings_);
        } else {
            DeleteFileW(WideFromGbk(settingsPath_).c_str());
        }
        RemoveTree(WideFromGbk(base_));
    }

    struct Keys {
        Text title, folder, remote;
    };
    // The settings file as Velmora writes it: GBK INI text. An empty value
    // leaves its key out.
    void WriteSettings(const Keys& keys) {
        Text text = Text("[") + updater::kSettingsSection + "]\r\n";
        auto add = [&](const char* key, const Text& value) {
            if (!value.empty()) text += Text(key) + "=" + value + "\r\n";
        };
        add(updater::kTitleKey, keys.title);
        add(updater::kFolderKey, keys.folder);
        add(updater::kRemoteFileKey, keys.remote);
        WriteFileBytes(settingsPath_, text);
    }
    void WriteSettingsFor(const Text& remote, const Text& name) {
        WriteSettings({"升级测试 " + name, folder_, remote});
    }
    Text Target(const Text& name) const { return folder_ + name; }

    Text settingsPath_;
    bool hadSettings_ = false;
    std::string savedSettings_;
    Text base_;
    Text folder_;
};

TEST_F(UpdaterTest, SavesTheDownloadByteForByteAndShowsEachStep) {
    const Text url = DemoSite::Root() + "download/Velmora.dat";
    const std::string served = DemoSite::RawGet("/download/Velmora.dat").body;
    ASSERT_FALSE(served.empty());
    WriteFileBytes(Target("Velmora.dat"), "the old version");
    WriteSettings({"Velmora", folder_, url});
    DemoSite::ResetLog();

    UpdaterRun run;
    ASSERT_TRUE(run.HasWindow());
    EXPECT_EQ(run.Title(), "Velmora - 升级");
    EXPECT_EQ(FindWindowW(nullptr, WideFromGbk("Velmora - 升级").c_str()), run.window());
    ASSERT_TRUE(run.WaitForEnd()) << run.Steps();
    EXPECT_EQ(run.Status(), "升级完成");
    const Text steps = run.Steps();
    for (const Text& step : {"读取升级设置: " + settingsPath_, "正在下载: " + url,
                             "已下载 " + std::to_string(served.size()) + " 字节",
                             "正在保存为: " + Target("Velmora.dat"),
                             "已保存: " + Target("Velmora.dat"), Text("升级完成")}) {
        EXPECT_TRUE(Contains(steps, step)) << step << "\n---\n" << steps;
    }
    EXPECT_FALSE(Contains(steps, "启动")) << "only a program is started";
    EXPECT_EQ(ReadFileBytes(Target("Velmora.dat")), served);
    EXPECT_EQ(FileNamesIn(folder_), std::vector<std::wstring>{L"Velmora.dat"})
        << "no temporary file is left";
    EXPECT_TRUE(Contains(DemoSite::Requests(), "GET /download/Velmora.dat"));
    EXPECT_EQ(run.CloseAndExitCode(), kDone);
}

TEST_F(UpdaterTest, ReplacesTheOldFileOnceItsProgramLetsGo) {
    const std::string served = DemoSite::RawGet("/download/Velmora.dat").body;
    WriteFileBytes(Target("Velmora.dat"), "the old version");
    WriteSettingsFor(DemoSite::Root() + "download/Velmora.dat", "held");
    // As the old program holds its file while it ends: open, shared with nobody.
    HANDLE held = CreateFileW(WideFromGbk(Target("Velmora.dat")).c_str(), GENERIC_READ, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);

    UpdaterRun run;
    ASSERT_TRUE(run.HasWindow());
    const bool waited = run.WaitForStep("等待旧程序结束");
    testing::PumpFor(1000);
    // Meanwhile the old file is whole and the new one complete beside it.
    const Text statusWhileHeld = run.Status();
    char old[64] = {};
    DWORD got = 0;
    ReadFile(held, old, sizeof old, &got, nullptr);
    // Each retry of the move opens the new file for a moment: read between them.
    std::string partialWhileHeld;
    testing::PumpUntil(
        [&] {
            partialWhileHeld = ReadFileBytes(Target("Velmora.dat.download"));
            return !partialWhileHeld.empty();
        },
        3000);
    CloseHandle(held);
    ASSERT_TRUE(waited) << run.Steps();
    EXPECT_EQ(statusWhileHeld, kWorking);
    EXPECT_EQ(std::string(old, got), "the old version");
    EXPECT_EQ(partialWhileHeld, served);
    ASSERT_TRUE(run.WaitForEnd()) << run.Steps();
    EXPECT_EQ(run.Status(), "升级完成") << run.Steps();
    EXPECT_EQ(ReadFileBytes(Target("Velmora.dat")), served);
    EXPECT_EQ(FileNamesIn(folder_), std::vector<std::wstring>{L"Velmora.dat"});
    EXPECT_EQ(run.CloseAndExitCode(), kDone);
}

TEST_F(UpdaterTest, ClosingWhileTheFileIsHeldCancelsAndKeepsTheOldFile) {
    WriteFileBytes(Target("Velmora.dat"), "the old version");
    WriteSettingsFor(DemoSite::Root() + "download/Velmora.dat", "cancel");
    HANDLE held = CreateFileW(WideFromGbk(Target("Velmora.dat")).c_str(), GENERIC_READ, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);

    UpdaterRun run;
    ASSERT_TRUE(run.HasWindow());
    const bool waited = run.WaitForStep("等待旧程序结束");
    const DWORD exitCode = run.CloseAndExitCode();
    CloseHandle(held);
    ASSERT_TRUE(waited);
    EXPECT_EQ(exitCode, kCancelled);
    EXPECT_EQ(ReadFileBytes(Target("Velmora.dat")), "the old version");
    EXPECT_EQ(FileNamesIn(folder_), std::vector<std::wstring>{L"Velmora.dat"})
        << "the temporary file is removed";
}

TEST_F(UpdaterTest, StartsTheSavedProgramFromItsFolder) {
    const std::string program = ReadFileBytes(GbkFromWide(ModulePath()));
    ASSERT_GT(program.size(), 2u);
    OneFileSite site(program);
    WriteFileBytes(Target("Velmora.exe"), "MZ the old program");
    WriteSettingsFor(site.Url("/download/Velmora.exe"), "start");

    UpdaterRun run;
    ASSERT_TRUE(run.HasWindow());
    ASSERT_TRUE(run.WaitForEnd()) << run.Steps();
    EXPECT_EQ(run.Status(), "升级完成") << run.Steps();
    EXPECT_TRUE(Contains(run.Steps(), "正在启动新程序: " + Target("Velmora.exe"))) << run.Steps();
    EXPECT_TRUE(Contains(run.Steps(), "新程序已启动")) << run.Steps();
    EXPECT_EQ(run.CloseAndExitCode(), kDone);

    // The stand-in notes its command line and working folder, then ends.
    const Text note = Target(kStartNote);
    ASSERT_TRUE(testing::PumpUntil([&] { return !ReadFileBytes(note).empty(); }, 30000));
    const std::string started = ReadFileBytes(note);
    EXPECT_EQ(started, "\"" + Target("Velmora.exe") + "\"\n" + folder_) << started;
    EXPECT_EQ(ReadFileBytes(Target("Velmora.exe")), program);
}

TEST_F(UpdaterTest, AProgramThatDoesNotStartIsAFailureWithTheFileInPlace) {
    // The demo site's stand-in begins like a program but is none.
    const std::string served = DemoSite::RawGet("/download/Velmora.exe").body;
    ASSERT_EQ(served.substr(0, 2), "MZ");
    WriteSettingsFor(DemoSite::Root() + "download/Velmora.exe", "nostart");

    UpdaterRun run;
    ASSERT_TRUE(run.HasWindow());
    ASSERT_TRUE(run.WaitForEnd()) << run.Steps();
    EXPECT_EQ(run.Status(), "升级失败");
    EXPECT_TRUE(Contains(run.Steps(), "未能启动新程序")) << run.Steps();
    EXPECT_TRUE(Contains(run.Steps(), "新版本已保存在 " + Target("Velmora.exe"))) << run.Steps();
    EXPECT_EQ(ReadFileBytes(Target("Velmora.exe")), served);
    EXPECT_EQ(run.CloseAndExitCode(), kNotStarted);
}

TEST_F(UpdaterTest, RefusesAddressesItMayNotFetchOrSaveAndTouchesNothing) {
    struct Case {
        const char* what;
        Text remote;
        const char* message;
    } cases[] = {
        {"a name that climbs out of the folder", PublishedDownloadAddress("escape"),
         "下载地址中的文件名指向别的目录,已拒绝"},
        {"plain http to another machine", PublishedDownloadAddress("remote-http"),
         "下载地址不安全,已拒绝: http://example.invalid/Velmora.exe"},
        {"no file name", DemoSite::Root() + "download/", "下载地址中没有可用的文件名"},
        {"a device name", DemoSite::Root() + "download/NUL.exe", "下载地址中没有可用的文件名"},
    };
    ASSERT_TRUE(Contains(cases[0].remote, "..%5C..%5Cevil.exe")) << cases[0].remote;
    ASSERT_EQ(cases[1].remote, "http://example.invalid/Velmora.exe");
    WriteFileBytes(Target("Velmora.exe"), "MZ the old program");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteSettingsFor(c.remote, "refused");
        DemoSite::ResetLog();
        UpdaterRun run;
        ASSERT_TRUE(run.HasWindow());
        ASSERT_TRUE(run.WaitForEnd()) << run.Steps();
        EXPECT_EQ(run.Status(), "升级失败");
        EXPECT_TRUE(Contains(run.Steps(), c.message)) << run.Steps();
        EXPECT_FALSE(Contains(run.Steps(), "正在下载")) << run.Steps();
        EXPECT_EQ(run.CloseAndExitCode(), kRefused);
        EXPECT_EQ(DemoSite::Requests(), "") << "nothing is fetched";
        EXPECT_EQ(ReadFileBytes(Target("Velmora.exe")), "MZ the old program");
        EXPECT_EQ(FileNamesIn(folder_), std::vector<std::wstring>{L"Velmora.exe"});
    }
    EXPECT_TRUE(FileNamesIn(base_).empty());
    EXPECT_TRUE(FileNamesIn(base_ + "a\\").empty());
    EXPECT_FALSE(Exists(TempFolderPath() + "evil.exe"));
}

TEST_F(UpdaterTest, AFailedDownloadLeavesTheOldFile) {
    struct Case {
        const char* what;
        Text remote;
        const char* message;
    } cases[] = {
        {"the server answers 404 with a page", DemoSite::Root() + "missing/Velmora.exe",
         "下载的内容不是 Windows 程序"},
        {"nobody listens",
         "http://127.0.0.1:" + std::to_string(testing::UnusedPort()) + "/download/Velmora.exe",
         "下载失败: 没有收到任何数据"},
    };
    ASSERT_EQ(DemoSite::RawGet("/missing/Velmora.exe").status, 404);
    WriteFileBytes(Target("Velmora.exe"), "MZ the old program");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteSettingsFor(c.remote, "failed");
        UpdaterRun run;
        ASSERT_TRUE(run.HasWindow());
        ASSERT_TRUE(run.WaitForEnd()) << run.Steps();
        EXPECT_EQ(run.Status(), "升级失败");
        EXPECT_TRUE(Contains(run.Steps(), c.message)) << run.Steps();
        EXPECT_TRUE(Contains(run.Steps(), "原有文件未改动")) << run.Steps();
        EXPECT_EQ(run.CloseAndExitCode(), kDownloadFailed);
        EXPECT_EQ(ReadFileBytes(Target("Velmora.exe")), "MZ the old program");
        EXPECT_EQ(FileNamesIn(folder_), std::vector<std::wstring>{L"Velmora.exe"});
    }
}

TEST_F(UpdaterTest, MissingOrUnusableSettingsDoNothing) {
    const Text url = DemoSite::Root() + "download/Velmora.exe";
    struct Case {
        const char* what;
        bool writeFile;
        Keys keys;
        const char* message;
        const char* title;
    } cases[] = {
        {"no settings file", false, {}, "找不到升级设置文件: ", "升级"},
        {"no remote file",
         true,
         {"Velmora", folder_, ""},
         "升级设置中缺少“远程文件”一项",
         "Velmora - 升级"},
        {"no folder", true, {"Velmora", "", url}, "升级设置中缺少“文件保存”一项", "Velmora - 升级"},
        {"no title", true, {"", folder_, url}, "升级设置中缺少“窗口标题”一项", "升级"},
        {"a folder that is no full path",
         true,
         {"Velmora", "新版本\\", url},
         "保存目录不是完整的路径: 新版本\\",
         "Velmora - 升级"},
        {"a folder that does not exist",
         true,
         {"Velmora", base_ + "没有\\", url},
         "保存目录不存在: ",
         "Velmora - 升级"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.writeFile) {
            WriteSettings(c.keys);
        } else {
            DeleteFileW(WideFromGbk(settingsPath_).c_str());
        }
        DemoSite::ResetLog();
        UpdaterRun run;
        ASSERT_TRUE(run.HasWindow());
        ASSERT_TRUE(run.WaitForEnd()) << run.Steps();
        EXPECT_EQ(run.Title(), c.title);
        EXPECT_EQ(run.Status(), "升级失败");
        EXPECT_TRUE(Contains(run.Steps(), c.message)) << run.Steps();
        EXPECT_EQ(run.CloseAndExitCode(), kRefused);
        EXPECT_EQ(DemoSite::Requests(), "");
        EXPECT_TRUE(FileNamesIn(folder_).empty());
    }
}

// The platform-free rules behind the refusals above.
TEST(UpdaterPlan, TargetAndKindOfTheFile) {
    updater::Settings settings{"Velmora", "C:\\Program Files\\Velmora\\",
                               "https://example.com/new/Velmora.EXE?v=10.2#top"};
    updater::Plan plan = updater::PlanUpdate(settings);
    EXPECT_EQ(plan.refusal, "");
    EXPECT_EQ(plan.targetPath, "C:\\Program Files\\Velmora\\Velmora.EXE");
    EXPECT_EQ(plan.partialPath, "C:\\Program Files\\Velmora\\Velmora.EXE.download");
    EXPECT_TRUE(plan.isProgram);

    settings.remoteFile = "http://localhost:8080/files/%D0%C2%B0%E6.zip";
    plan = updater::PlanUpdate(settings);
    EXPECT_EQ(plan.targetPath, "C:\\Program Files\\Velmora\\新版.zip");
    EXPECT_FALSE(plan.isProgram);
}

TEST(UpdaterPlan, FolderPathsAndNamesThatPointElsewhere) {
    struct FolderCase {
        const char* folder;
        bool full;
    } folders[] = {{"C:\\", true},
                   {"z:\\tmp\\", true},
                   {"\\\\server\\share\\", true},
                   {"Velmora\\", false},
                   {"\\Velmora\\", false},
                   {"C:Velmora\\", false},
                   {"1:\\", false},
                   {"", false}};
    for (const FolderCase& c : folders) {
        EXPECT_EQ(updater::IsFullFolderPath(c.folder), c.full) << c.folder;
    }
    struct NameCase {
        const char* url;
        bool elsewhere;
    } names[] = {
        {"http://127.0.0.1/download/..%5C..%5Cevil.exe", true},
        {"http://127.0.0.1/download/sub%2fevil.exe", true},
        {"http://127.0.0.1/download/..%5c", true},
        {"http://127.0.0.1/download/Velmora.exe", false},
        {"http://127.0.0.1/download/a.exe?next=..%5Cb.exe", false},
        // B1 5C is one GBK character, not a backslash.
        {"http://127.0.0.1/download/%B1%5C.exe", false},
        {"http://127.0.0.1/download/%5.exe", false},
    };
    for (const NameCase& c : names) {
        EXPECT_EQ(updater::NameNamesAnotherFolder(c.url), c.elsewhere) << c.url;
    }
    updater::Settings settings{"Velmora", "C:\\Velmora\\",
                               "http://127.0.0.1/download/..%5C..%5Cevil.exe"};
    EXPECT_NE(updater::PlanUpdate(settings).refusal, "");
    EXPECT_EQ(updater::PlanUpdate(settings).targetPath, "");
}

TEST(UpdaterPlan, WhatADownloadMustBe) {
    EXPECT_NE(updater::RefusalOfDownload("", false), "");
    EXPECT_NE(updater::RefusalOfDownload("", true), "");
    EXPECT_NE(updater::RefusalOfDownload("<html>404</html>", true), "");
    EXPECT_NE(updater::RefusalOfDownload("M", true), "");
    EXPECT_EQ(updater::RefusalOfDownload("MZ\x90", true), "");
    EXPECT_EQ(updater::RefusalOfDownload("<html>", false), "") << "only programs are recognised";
    EXPECT_TRUE(updater::IsProgramName("Velmora.exe"));
    EXPECT_TRUE(updater::IsProgramName("V.ExE"));
    EXPECT_FALSE(updater::IsProgramName("Velmora.exe.txt"));
    EXPECT_FALSE(updater::IsProgramName("exe"));
    EXPECT_EQ(updater::WindowTitleFor("Velmora"), "Velmora - 升级");
    EXPECT_EQ(updater::WindowTitleFor(""), "升级");
}

bool StartedAsTheNewProgram() {
    const std::wstring self = ModulePath();
    const std::wstring name = self.substr(self.rfind(L'\\') + 1);
    return CompareStringOrdinal(name.c_str(), -1, kStandInName, -1, TRUE) == CSTR_EQUAL;
}

int NoteTheStart() {
    wchar_t folder[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, folder);
    const Text note =
        GbkFromWide(GetCommandLineW()) + "\n" + WithTrailingBackslash(GbkFromWide(folder));
    WriteFileBytes(GbkFromWide(FolderOf(ModulePath())) + kStartNote, note);
    return 0;
}

}  // namespace
}  // namespace velmora

// Started by the updater under the new program's name, this program only notes
// its command line and working folder beside itself; otherwise it runs the tests.
int main(int argc, char** argv) {
    if (velmora::StartedAsTheNewProgram()) return velmora::NoteTheStart();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
