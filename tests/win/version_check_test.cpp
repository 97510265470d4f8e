// The version check in a real main window against the demo site's version
// file: the question it puts, the date it keeps, and the hand-off to the
// updater with what it writes and starts.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/data_folder.h"
#include "app/gbk_win.h"
#include "app/main_window_win.h"
#include "app/program.h"
#include "update/version.h"
#include "update/version_check_win.h"
#include "version_check/helpers.h"

namespace velmora {
namespace {

// The demo site, the window fixture, pumping and the helpers of these tests.
using namespace testing;

// ---------------------------------------------------------------------------
// A copy of this program started under the name "update.exe" stands in for the
// updater: before any test runs it shows a window whose caption tells how it
// was started, and ends when that window is closed (or after a minute).

constexpr wchar_t kStandInCaption[] = L"Velmora stand-in updater";

LRESULT CALLBACK StandInProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER) DestroyWindow(window);
    if (message == WM_DESTROY) PostQuitMessage(0);
    return DefWindowProcW(window, message, wParam, lParam);
}

void RunAsStandInUpdater() {
    STARTUPINFOW startup{};
    GetStartupInfoW(&startup);
    const int show = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : -1;
    const std::wstring caption =
        std::wstring(kStandInCaption) + L"|" + std::to_wstring(show) + L"|" + GetCommandLineW();
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = StandInProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"VelmoraStandInUpdater";
    RegisterClassExW(&wc);
    HWND window = CreateWindowExW(0, wc.lpszClassName, caption.c_str(), WS_OVERLAPPEDWINDOW, 0, 0,
                                  200, 100, nullptr, nullptr, wc.hInstance, nullptr);
    ShowWindow(window, SW_SHOWDEFAULT);
    SetTimer(window, 1, 60000, nullptr);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
    ExitProcess(0);
}

[[maybe_unused]] const bool kStandInChecked = [] {
    const std::wstring path = OwnPath();
    const std::wstring name = path.substr(path.find_last_of(L'\\') + 1);
    if (_wcsicmp(name.c_str(), L"update.exe") == 0) RunAsStandInUpdater();
    return true;
}();

class VersionCheckTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(DemoSite::Available());
        ForgetCheckDate();
        EndUpdaters();
        DeleteFileGbk(UpdaterSettingsPath());
        DeleteFileGbk(UpdaterProgramPath());
        DemoSite::ResetLog();
    }
    void TearDown() override {
        RemoveDirectoryW(WideFromGbk(UpdaterProgramPath()).c_str());
        EndUpdaters();
        ForgetCheckDate();
    }
    static bool VersionFileRequested() {
        return DemoSite::Requests().find("GET /ver/myver.txt") != std::string::npos;
    }
};

// ---------------------------------------------------------------------------
// Nothing newer: nothing is asked and the day counts as checked.

struct NotOfferedCase {
    const char* name;
    const char* mode;
};

void PrintTo(const NotOfferedCase& c, std::ostream* os) { *os << c.name; }

class NothingOfferedTest : public VersionCheckTest,
                           public ::testing::WithParamInterface<NotOfferedCase> {};

TEST_P(NothingOfferedTest, DayCountsAsCheckedWithoutAQuestion) {
    DemoSite::SetVersionMode(GetParam().mode);
    CheckRun run;
    ASSERT_TRUE(run.WaitForEnd());
    EXPECT_FALSE(run.asked());
    EXPECT_EQ(KeptCheckDate(), Today());
    EXPECT_EQ(Today().size(), 8u);
    EXPECT_TRUE(InNormalState(run.window()));
    EXPECT_TRUE(VersionFileRequested()) << DemoSite::Requests();
    EXPECT_FALSE(FileExists(VersionIniPath())) << "update.ini is deleted after reading";
    EXPECT_FALSE(FileExists(UpdaterSettingsPath()));
    EXPECT_FALSE(FileExists(UpdaterProgramPath()));
    PumpFor(200);
    EXPECT_TRUE(IsWindow(run.window()));
    EXPECT_FALSE(QuitSeen());
}

INSTANTIATE_TEST_SUITE_P(VersionModes, NothingOfferedTest,
                         ::testing::Values(NotOfferedCase{"Same", "current"},
                                           NotOfferedCase{"NumericallyEqual", "equal"},
                                           NotOfferedCase{"ErrorPage", "error"},
                                           NotOfferedCase{"NoAnswer", "unreachable"}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// A newer version that is not forced: the question, and the answer No.

struct AskedCase {
    const char* name;
    const char* mode;
    const wchar_t* text;
};

void PrintTo(const AskedCase& c, std::ostream* os) { *os << c.name; }

class QuestionTest : public VersionCheckTest, public ::testing::WithParamInterface<AskedCase> {};

TEST_P(QuestionTest, AsksWithBothVersionsAndNoLeavesTheWindowNormal) {
    DemoSite::SetVersionMode(GetParam().mode);
    CheckRun run;
    HWND box = run.WaitForQuestion();
    ASSERT_NE(box, nullptr) << "no question";
    const Question q = ReadQuestion(box);
    EXPECT_EQ(q.text, GetParam().text);
    EXPECT_FALSE(q.showsIcon);
    EXPECT_TRUE(q.hasYes);
    EXPECT_TRUE(q.hasNo);
    EXPECT_EQ(GetWindow(box, GW_OWNER), nullptr);
    EXPECT_TRUE(IsIconic(run.window())) << "the main window is minimised while asking";
    EXPECT_EQ(KeptCheckDate(), "<none>");

    AnswerLikeAUser(box, IDNO);
    ASSERT_TRUE(run.WaitForEnd());
    EXPECT_TRUE(InNormalState(run.window()));
    EXPECT_EQ(KeptCheckDate(), Today());
    EXPECT_FALSE(FileExists(UpdaterSettingsPath()));
    EXPECT_FALSE(FileExists(UpdaterProgramPath()));
    EXPECT_TRUE(ProcessesNamed(L"update.exe").empty());
    PumpFor(200);
    EXPECT_TRUE(IsWindow(run.window()));
}

constexpr wchar_t kAsk102[] =
    L"网上最新的版本号为:V10.2\r\n您正使用的版本号为:V10.1\r\n\r\n是否更新?";

INSTANTIATE_TEST_SUITE_P(
    VersionModes, QuestionTest,
    ::testing::Values(
        AskedCase{"Newer", "newer", kAsk102},
        AskedCase{"NewerWhole", "newer11",
                  L"网上最新的版本号为:V11\r\n您正使用的版本号为:V10.1\r\n\r\n是否更新?"},
        AskedCase{"FullWidthAsPublished", "fullwidth",
                  L"网上最新的版本号为:V１０．２\r\n您正使用的版本号为:V10.1\r\n\r\n是否更新?"},
        AskedCase{"ForcedListWithoutSlashes", "notforced-plain", kAsk102},
        AskedCase{"ForcedListNamesALongerVersion", "notforced-1010", kAsk102}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// Once a day.

TEST_F(VersionCheckTest, AfterANoTheSameDayDownloadsNothing) {
    DemoSite::SetVersionMode("newer");
    {
        CheckRun first;
        HWND box = first.WaitForQuestion();
        ASSERT_NE(box, nullptr);
        AnswerLikeAUser(box, IDNO);
        ASSERT_TRUE(first.WaitForEnd());
    }
    ASSERT_EQ(KeptCheckDate(), Today());
    DemoSite::ResetLog();
    CheckRun second;
    ASSERT_TRUE(second.WaitForEnd());
    EXPECT_FALSE(second.asked());
    EXPECT_FALSE(VersionFileRequested()) << DemoSite::Requests();
    EXPECT_TRUE(InNormalState(second.window()));
}

TEST_F(VersionCheckTest, ADateOfAnotherDayChecksAgain) {
    DemoSite::SetVersionMode("current");
    KeepCheckDate(L"20000101");
    CheckRun run;
    ASSERT_TRUE(run.WaitForEnd());
    EXPECT_TRUE(VersionFileRequested());
    EXPECT_EQ(KeptCheckDate(), Today());
}

TEST_F(VersionCheckTest, CheckDateLivesUnderTheProgramsName) {
    EXPECT_EQ(CheckDateKeyPath("Velmora"), "Software\\Velmora");
    StoreLastCheckDate("Velmora", "20260305");
    EXPECT_EQ(KeptCheckDate(), "20260305");
    EXPECT_EQ(LastCheckDate("Velmora"), "20260305");
    EXPECT_EQ(LastCheckDate("AnotherProgram"), "");
    ForgetCheckDate();
    EXPECT_EQ(LastCheckDate("Velmora"), "");
    // A value of another type is no date.
    const DWORD number = 20260305;
    RegSetKeyValueW(HKEY_CURRENT_USER, kCheckDateKey, L"lastCheckDate", REG_DWORD, &number,
                    sizeof number);
    EXPECT_EQ(LastCheckDate("Velmora"), "");
}

// ---------------------------------------------------------------------------
// Reading the version file.

TEST_F(VersionCheckTest, VersionFileValuesOfTheProgramsSection) {
    using namespace std::string_literals;
    struct Case {
        const char* name;
        std::string bytes;
        VersionFileValues values;
    };
    const Case cases[] = {
        {"AllThree",
         "[Other]\r\n最新版本号=99\r\n"
         "[Velmora]\r\n最新版本号=10.2\r\n最新版下载地址=http://h/v.exe\r\n"
         "强制升级的版本号=/9.0/10.1/\r\n",
         {"10.2", "http://h/v.exe", "/9.0/10.1/"}},
        {"MissingKeys", "[Velmora]\r\n最新版本号=10.2\r\n", {"10.2", "", ""}},
        {"NoSection", "[velmoraX]\r\n最新版本号=10.2\r\n", {"", "", ""}},
        {"NotIni", "<html><body>500</body></html>", {"", "", ""}},
        {"Nothing", "", {"", "", ""}},
        {"EndsAtAZeroByte",
         "[Velmora]\r\n最新版本号=10.2\r\n\0最新版下载地址=http://h/v.exe\r\n"s,
         {"10.2", "", ""}},
    };
    for (const Case& c : cases) {
        const VersionFileValues v = ReadVersionFile(c.bytes, "Velmora");
        EXPECT_EQ(v.latestVersion, c.values.latestVersion) << c.name;
        EXPECT_EQ(v.downloadUrl, c.values.downloadUrl) << c.name;
        EXPECT_EQ(v.forcedList, c.values.forcedList) << c.name;
        EXPECT_FALSE(FileExists(VersionIniPath())) << c.name;
    }
}

TEST_F(VersionCheckTest, VersionFileValueKeepsAtMost10239Bytes) {
    const std::string url = "http://h/" + std::string(12000, 'a');
    const VersionFileValues v =
        ReadVersionFile("[Velmora]\r\n最新版下载地址=" + url + "\r\n", "Velmora");
    EXPECT_EQ(v.downloadUrl, url.substr(0, 10239));
}

TEST_F(VersionCheckTest, TwoChecksAtOnceEachReadTheirOwnVersionFile) {
    // Two starts of the program share "update.ini" in the temporary folder.
    auto reader = [](const std::string& latest, int* wrong) {
        const std::string bytes =
            "[Velmora]\r\n最新版本号=" + latest + "\r\n最新版下载地址=http://h/" + latest + "\r\n";
        for (int i = 0; i < 40; ++i) {
            VersionFileValues v = ReadVersionFile(bytes, "Velmora");
            if (v.latestVersion != latest || v.downloadUrl != "http://h/" + latest) ++*wrong;
        }
    };
    int wrongA = 0, wrongB = 0;
    std::thread a(reader, "10.2", &wrongA);
    std::thread b(reader, "11.5", &wrongB);
    a.join();
    b.join();
    EXPECT_EQ(wrongA, 0);
    EXPECT_EQ(wrongB, 0);
}

// ---------------------------------------------------------------------------
// OfferUpdate itself.

TEST_F(VersionCheckTest, NotNewerOffersNothingEvenWhenForced) {
    MainWindowFixture window(MainWindowOptions{});
    for (const char* latest : {"10.1", "10.10", "9.0", "", "abc"}) {
        EXPECT_FALSE(
            OfferUpdate(latest, "10.1", "Velmora", DemoDownloadUrl(), window.window(), true))
            << latest;
        EXPECT_TRUE(InNormalState(window.window())) << latest;
    }
    EXPECT_EQ(FindQuestion(), nullptr);
    EXPECT_FALSE(FileExists(UpdaterSettingsPath()));
    EXPECT_FALSE(FileExists(UpdaterProgramPath()));
}

TEST_F(VersionCheckTest, AgreedHandOffThatCannotWriteTheUpdaterRestoresTheWindow) {
    ASSERT_TRUE(CreateDirectoryW(WideFromGbk(UpdaterProgramPath()).c_str(), nullptr));
    MainWindowFixture window(MainWindowOptions{});
    std::atomic<int> offered{-1};
    std::thread job([&] {
        offered =
            OfferUpdate("10.2", "10.1", "Velmora", DemoDownloadUrl(), window.window()) ? 1 : 0;
    });
    HWND box = nullptr;
    PumpUntil([&] { return (box = FindQuestion()) != nullptr || offered != -1; }, 20000);
    if (box) AnswerLikeAUser(box, IDYES);
    PumpUntil([&] { return offered != -1; }, 20000);
    job.join();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(offered, 0);
    EXPECT_TRUE(InNormalState(window.window()));
    EXPECT_TRUE(ProcessesNamed(L"update.exe").empty());
}

struct FailedHandOffCase {
    const char* name;
    const char* mode;
    bool forced;
};

void PrintTo(const FailedHandOffCase& c, std::ostream* os) { *os << c.name; }

class FailedHandOffTest : public VersionCheckTest,
                          public ::testing::WithParamInterface<FailedHandOffCase> {};

TEST_P(FailedHandOffTest, CheckGoesOnAsAfterANo) {
    ASSERT_TRUE(CreateDirectoryW(WideFromGbk(UpdaterProgramPath()).c_str(), nullptr));
    DemoSite::SetVersionMode(GetParam().mode);
    CheckRun run;
    if (!GetParam().forced) {
        HWND box = run.WaitForQuestion();
        ASSERT_NE(box, nullptr);
        AnswerLikeAUser(box, IDYES);
    }
    ASSERT_TRUE(run.WaitForEnd());
    EXPECT_EQ(run.asked(), !GetParam().forced);
    EXPECT_TRUE(IsWindowVisible(run.window())) << "not hidden";
    // A forced hand-off fails at once after the minimising, which the window
    // manager under Wine carries out later still and may finish after the
    // restore; the normal state is checked where the user has answered first.
    if (!GetParam().forced) {
        EXPECT_TRUE(InNormalState(run.window()));
    }
    EXPECT_EQ(KeptCheckDate(), Today());
    // EndTimer was not started: the window outlives its period.
    PumpFor(1500);
    EXPECT_TRUE(IsWindow(run.window()));
    EXPECT_FALSE(QuitSeen());
}

INSTANTIATE_TEST_SUITE_P(Answers, FailedHandOffTest,
                         ::testing::Values(FailedHandOffCase{"Yes", "newer", false},
                                           FailedHandOffCase{"Forced", "forced", true}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------
// HandOverToUpdater with a stand-in program.

HWND FindStandIn() {
    struct Search {
        HWND found = nullptr;
    } search;
    EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
            wchar_t caption[1024] = {};
            GetWindowTextW(window, caption, 1024);
            if (wcsncmp(caption, kStandInCaption, wcslen(kStandInCaption)) == 0) {
                reinterpret_cast<Search*>(param)->found = window;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

TEST_F(VersionCheckTest, HandOverWritesTheSettingsAndStartsTheProgramWritten) {
    const std::string standIn = ReadFileBytes(GbkFromWide(OwnPath()));
    ASSERT_FALSE(standIn.empty());
    ASSERT_TRUE(HandOverToUpdater("Velmora", DemoDownloadUrl(), standIn));

    EXPECT_TRUE(ReadFileBytes(UpdaterProgramPath()) == standIn)
        << "update.exe is not the bytes given";
    EXPECT_EQ(UpdaterProgramPath(), TempFolderPath() + "update.exe");
    ExpectUpdaterSettings(OwnFolder());

    HWND started = nullptr;
    ASSERT_TRUE(PumpUntil([&] { return (started = FindStandIn()) != nullptr; }, 20000))
        << "the updater's window did not appear";
    wchar_t caption[1024] = {};
    GetWindowTextW(started, caption, 1024);
    const std::wstring quoted = L"\"" + WideFromGbk(UpdaterProgramPath()) + L"\"";
    EXPECT_EQ(std::wstring(caption), std::wstring(kStandInCaption) + L"|1|" + quoted)
        << "shown normally, with the quoted path as its command line";

    DWORD id = 0;
    GetWindowThreadProcessId(started, &id);
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, id);
    PostMessageW(started, WM_CLOSE, 0, 0);
    ASSERT_NE(process, nullptr);
    EXPECT_EQ(WaitForSingleObject(process, 10000), WAIT_OBJECT_0);
    CloseHandle(process);
}

TEST_F(VersionCheckTest, HandOverFailsWithoutAProgramOrAWritableUpdateExe) {
    const std::string standIn = ReadFileBytes(GbkFromWide(OwnPath()));
    const std::wstring program = WideFromGbk(UpdaterProgramPath());

    // No updater carried.
    EXPECT_FALSE(HandOverToUpdater("Velmora", DemoDownloadUrl(), {}));
    EXPECT_FALSE(FileExists(UpdaterProgramPath()));

    // A folder of that name.
    ASSERT_TRUE(CreateDirectoryW(program.c_str(), nullptr));
    EXPECT_FALSE(HandOverToUpdater("Velmora", DemoDownloadUrl(), standIn));
    RemoveDirectoryW(program.c_str());

    // Held open by another program that shares it with nobody.
    HANDLE held = CreateFileW(program.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(HandOverToUpdater("Velmora", DemoDownloadUrl(), standIn));
    CloseHandle(held);

    PumpFor(300);
    EXPECT_EQ(FindStandIn(), nullptr);
    EXPECT_TRUE(ProcessesNamed(L"update.exe").empty());
}

TEST_F(VersionCheckTest, NoUpdaterInAModuleWithoutTheResource) {
    EXPECT_TRUE(UpdaterProgramBytes(GetModuleHandleW(L"kernel32.dll")).empty());
}

// ---------------------------------------------------------------------------
// The whole hand-off with the updater this program carries. The updater saves
// its download into the running program's folder, so the check runs in a copy
// of this test program in a folder of its own (HandOffChild below), and this
// side looks at what it left behind.

constexpr wchar_t kChildVariable[] = L"VELMORA_HANDOFF_CHILD";

struct HandOffCase {
    const char* name;
    const char* versionMode;
    const wchar_t*
        answer;  // what the child does: "yes" answers the question, "forced" expects none
};

void PrintTo(const HandOffCase& c, std::ostream* os) { *os << c.name; }

class HandOffTest : public VersionCheckTest, public ::testing::WithParamInterface<HandOffCase> {};

TEST_P(HandOffTest, UpdaterIsWrittenAndStartedAndTheProgramEnds) {
    const std::string_view carried = UpdaterProgramBytes();
    if (carried.empty()) {
        GTEST_SKIP() << "this build carries no updater yet (RCDATA IDR_UPDATER is missing from "
                        "resources/app.rc)";
    }
    DemoSite::SetVersionMode(GetParam().versionMode);

    const Text folder =
        TempFolderPath() + "velmora-handoff-" + std::to_string(GetCurrentProcessId()) + "\\";
    CreateDirectoryW(WideFromGbk(folder).c_str(), nullptr);
    const std::wstring copy = WideFromGbk(folder) + L"version_check_test.exe";
    ASSERT_TRUE(CopyFileW(OwnPath().c_str(), copy.c_str(), FALSE));

    std::wstring commandLine = L"\"" + copy + L"\" --gtest_filter=HandOffChild.*";
    SetEnvironmentVariableW(kChildVariable, GetParam().answer);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION child{};
    const BOOL started = CreateProcessW(copy.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                                        0, nullptr, nullptr, &startup, &child);
    SetEnvironmentVariableW(kChildVariable, nullptr);
    ASSERT_TRUE(started);
    EXPECT_EQ(WaitForSingleObject(child.hProcess, 90000), WAIT_OBJECT_0);
    DWORD exitCode = 1;
    GetExitCodeProcess(child.hProcess, &exitCode);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    EXPECT_EQ(exitCode, 0u) << "the check in the copy failed (its output is above)";

    // update.exe cannot change while the updater runs from it; the settings
    // file, which the updater may change, the copy checked as soon as it could.
    EXPECT_TRUE(ReadFileBytes(UpdaterProgramPath()) == carried)
        << "update.exe is not the carried updater";
    EXPECT_EQ(carried.substr(0, 2), "MZ");
    EXPECT_EQ(KeptCheckDate(), "<none>") << "after a hand-off the next start checks again";

    for (const ProcessEntry& p : ProcessesNamed(L"update.exe")) {
        if (p.parent == child.dwProcessId) EndProcess(p.id);
    }
    PumpFor(300);
    RemoveFolderWithItsFiles(folder);
}

INSTANTIATE_TEST_SUITE_P(Answers, HandOffTest,
                         ::testing::Values(HandOffCase{"Yes", "newer", L"yes"},
                                           HandOffCase{"Forced", "forced", L"forced"}),
                         [](const auto& info) { return std::string(info.param.name); });

// Run only inside the copy that HandOffTest starts.
TEST(HandOffChild, CheckHandsOverHidesTheWindowAndEndTimerEndsTheProgram) {
    wchar_t answer[16] = {};
    if (GetEnvironmentVariableW(kChildVariable, answer, 16) == 0) {
        GTEST_SKIP() << "run by HandOffTest in a copy of this program";
    }
    const bool forced = std::wstring(answer) == L"forced";
    CheckRun run;
    const HWND main = run.window();
    if (!forced) {
        HWND box = run.WaitForQuestion();
        ASSERT_NE(box, nullptr);
        AnswerLikeAUser(box, IDYES);
    }
    // Seen once, as soon as the job has ended: by then the window is hidden and
    // the updater runs; the window goes when EndTimer ticks a second later.
    bool observed = false;
    bool hiddenAfterJob = false;
    bool updaterRunning = false;
    bool strayQuestion = false;
    ASSERT_TRUE(PumpUntil(
        [&] {
            if (forced && FindQuestion()) strayQuestion = true;
            if (run.done() && !observed && IsWindow(main)) {
                observed = true;
                hiddenAfterJob = !IsWindowVisible(main);
                for (const ProcessEntry& p : ProcessesNamed(L"update.exe")) {
                    if (p.parent == GetCurrentProcessId()) updaterRunning = true;
                }
                ExpectUpdaterSettings(OwnFolder());
            }
            return strayQuestion || !IsWindow(main);
        },
        20000))
        << "EndTimer did not end the program";
    EXPECT_FALSE(strayQuestion) << "a forced update asks nothing";
    EXPECT_TRUE(observed);
    EXPECT_EQ(FindQuestion(), nullptr);
    EXPECT_EQ(run.asked(), !forced);
    EXPECT_TRUE(run.done());
    EXPECT_TRUE(hiddenAfterJob) << "the main window stays hidden until the program ends";
    // An updater that has already done its work and ended has fetched the new version.
    const bool updaterStarted =
        updaterRunning || DemoSite::Requests().find("GET /download/") != std::string::npos;
    EXPECT_TRUE(updaterStarted) << "no update.exe started by this program";
    int exitCode = -1;
    EXPECT_TRUE(QuitSeen(&exitCode));
    EXPECT_EQ(exitCode, 0);
}

}  // namespace
}  // namespace velmora
