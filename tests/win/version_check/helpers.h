// What the version check's tests look at from outside: the kept date in the
// registry, the question box, the processes named update.exe, the updater's
// settings file, and a main window whose one job is the check.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>
#include <tlhelp32.h>

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "app/gbk_win.h"
#include "app/main_window_win.h"
#include "support/demo_site.h"
#include "support/main_window_fixture.h"
#include "support/pump.h"
#include "text/text.h"
#include "update/version_check_win.h"

namespace velmora::testing {

inline std::wstring OwnPath() {
    wchar_t path[MAX_PATH * 2] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH * 2);
    return path;
}

inline constexpr wchar_t kQuestionTitle[] = L"升级提示";
inline constexpr wchar_t kCheckDateKey[] = L"Software\\Velmora";

inline Text Today() { return FormatDateText(LocalNow(), false, false); }

inline void ForgetCheckDate() {
    RegDeleteKeyValueW(HKEY_CURRENT_USER, kCheckDateKey, L"lastCheckDate");
}

// The kept date as it lies in the registry; "<none>" when missing, "<type N>"
// when not a REG_SZ.
inline std::string KeptCheckDate() {
    wchar_t data[64] = {};
    DWORD size = sizeof data;
    DWORD type = 0;
    if (RegGetValueW(HKEY_CURRENT_USER, kCheckDateKey, L"lastCheckDate", RRF_RT_ANY, &type, data,
                     &size) != ERROR_SUCCESS) {
        return "<none>";
    }
    if (type != REG_SZ) return "<type " + std::to_string(type) + ">";
    return GbkFromWide(data);
}

inline void KeepCheckDate(const wchar_t* date) {
    RegSetKeyValueW(HKEY_CURRENT_USER, kCheckDateKey, L"lastCheckDate", REG_SZ, date,
                    static_cast<DWORD>((wcslen(date) + 1) * sizeof(wchar_t)));
}

inline bool FileExists(const Text& path) {
    return GetFileAttributesW(WideFromGbk(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

inline void DeleteFileGbk(const Text& path) { DeleteFileW(WideFromGbk(path).c_str()); }

inline Text VersionServer() {
    Text root = DemoSite::Root();
    root.pop_back();  // the server is given without its closing "/"
    return root;
}

inline Text DemoDownloadUrl() { return DemoSite::Root() + "download/Velmora.exe"; }

struct ProcessEntry {
    DWORD id;
    DWORD parent;
};

inline std::vector<ProcessEntry> ProcessesNamed(const wchar_t* name) {
    std::vector<ProcessEntry> found;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return found;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more;
         more = Process32NextW(snapshot, &entry)) {
        if (_wcsicmp(entry.szExeFile, name) == 0) {
            found.push_back({entry.th32ProcessID, entry.th32ParentProcessID});
        }
    }
    CloseHandle(snapshot);
    return found;
}

inline void EndProcess(DWORD id) {
    if (HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, id)) {
        TerminateProcess(process, 1);
        WaitForSingleObject(process, 5000);
        CloseHandle(process);
    }
}

inline void EndUpdaters() {
    for (const ProcessEntry& p : ProcessesNamed(L"update.exe")) EndProcess(p.id);
}

// The INI reader's value and the raw bytes, which must be GBK.
inline Text IniValue(const Text& path, const char* section, const char* key) {
    char buffer[10240] = {};
    DWORD n =
        GetPrivateProfileStringA(section, key, "<missing>", buffer, sizeof buffer, path.c_str());
    return Text(buffer, n);
}

inline void ExpectUpdaterSettings(const Text& saveFolder) {
    const Text path = UpdaterSettingsPath();
    wchar_t system[MAX_PATH] = {};
    GetSystemDirectoryW(system, MAX_PATH);
    EXPECT_EQ(path, GbkFromWide(system) + "\\Tarnwick.txt");
    EXPECT_EQ(IniValue(path, "软件升级", "窗口标题"), "Velmora");
    EXPECT_EQ(IniValue(path, "软件升级", "文件保存"), saveFolder);
    EXPECT_EQ(IniValue(path, "软件升级", "远程文件"), DemoDownloadUrl());
    const std::string bytes = ReadFileBytes(path);
    EXPECT_NE(bytes.find("[\xC8\xED\xBC\xFE\xC9\xFD\xBC\xB6]"), std::string::npos) << bytes;
    EXPECT_NE(bytes.find("\xB4\xB0\xBF\xDA\xB1\xEA\xCC\xE2=Velmora"), std::string::npos) << bytes;
    EXPECT_NE(bytes.find("\xCE\xC4\xBC\xFE\xB1\xA3\xB4\xE6=" + saveFolder), std::string::npos)
        << bytes;
    EXPECT_NE(bytes.find("\xD4\xB6\xB3\xCC\xCE\xC4\xBC\xFE=" + DemoDownloadUrl()),
              std::string::npos)
        << bytes;
}

// The files directly inside the folder, then the folder.
inline void RemoveFolderWithItsFiles(const Text& folder) {
    const std::wstring wideFolder = WideFromGbk(folder);
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((wideFolder + L"*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
                DeleteFileW((wideFolder + found.cFileName).c_str());
            }
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(wideFolder.c_str());
}

inline Text OwnFolder() {
    std::wstring path = OwnPath();
    path.resize(path.find_last_of(L'\\') + 1);
    return GbkFromWide(path);
}

inline HWND FindQuestion() { return FindWindowW(L"#32770", kQuestionTitle); }

struct Question {
    std::wstring text;
    bool showsIcon = false;
    bool hasYes = false;
    bool hasNo = false;
};

inline BOOL CALLBACK NoteIcon(HWND child, LPARAM found) {
    wchar_t name[32] = {};
    GetClassNameW(child, name, 32);
    if (_wcsicmp(name, L"Static") == 0 &&
        (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON && IsWindowVisible(child) &&
        SendMessageW(child, STM_GETICON, 0, 0) != 0) {
        *reinterpret_cast<bool*>(found) = true;
    }
    return TRUE;
}

inline Question ReadQuestion(HWND box) {
    Question q;
    wchar_t text[1024] = {};
    GetWindowTextW(GetDlgItem(box, 0xFFFF), text, 1024);
    q.text = text;
    EnumChildWindows(box, NoteIcon, reinterpret_cast<LPARAM>(&q.showsIcon));
    q.hasYes = GetDlgItem(box, IDYES) != nullptr;
    q.hasNo = GetDlgItem(box, IDNO) != nullptr;
    return q;
}

inline void Answer(HWND box, int button) {
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box, button)));
}

// Under Wine the window manager minimises a window some time after it was
// asked to; a user answers later than a test would, so the answer waits.
inline void AnswerLikeAUser(HWND box, int button) {
    PumpFor(300);
    Answer(box, button);
}

inline bool InNormalState(HWND window) {
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    GetWindowPlacement(window, &placement);
    return IsWindowVisible(window) && !IsIconic(window) && placement.showCmd == SW_SHOWNORMAL;
}

// A main window whose one job is the version check, pointed at the demo site.
// The run is over only when the job has ended: a job left behind would keep a
// date for the next test. A question still standing at the end is answered No.
class CheckRun {
public:
    CheckRun() : done_(std::make_shared<std::atomic<bool>>(false)) {
        MainWindowOptions options;
        options.sites.dataSiteRoot = DemoSite::Root();
        options.sites.versionServer = VersionServer();
        options.sites.downloadTimeLimitMs = 20000;
        options.jobs = {[done = done_](HWND window, const ProgramValues& program) {
            VersionCheck(window, program);
            *done = true;
        }};
        window_ = std::make_unique<MainWindowFixture>(options);
    }
    ~CheckRun() {
        PumpUntil(
            [&] {
                if (HWND box = FindQuestion()) Answer(box, IDNO);
                return done_->load();
            },
            30000);
    }

    HWND window() const { return window_->window(); }
    bool done() const { return *done_; }

    // Pumps until the question stands (its box) or the job has ended (null);
    // whether a question was seen at all is remembered.
    HWND WaitForQuestion() {
        HWND box = nullptr;
        PumpUntil(
            [&] {
                box = FindQuestion();
                return box != nullptr || done_->load();
            },
            30000);
        if (box) asked_ = true;
        return box;
    }
    bool WaitForEnd() {
        return PumpUntil(
            [&] {
                if (FindQuestion()) asked_ = true;
                return done_->load();
            },
            30000);
    }
    bool asked() const { return asked_; }

private:
    std::shared_ptr<std::atomic<bool>> done_;
    std::unique_ptr<MainWindowFixture> window_;
    bool asked_ = false;
};

}  // namespace velmora::testing
