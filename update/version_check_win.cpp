#include "update/version_check_win.h"

#include <vector>

#include "app/data_folder.h"
#include "app/gbk_win.h"
#include "app/main_window_win.h"
#include "app/window_thread_win.h"
#include "resources/resource.h"
#include "update/version.h"
#include "web/fetch.h"

namespace velmora {
namespace {

constexpr char kVersionIniName[] = "update.ini";
constexpr char kUpdaterProgramName[] = "update.exe";
constexpr DWORD kIniValueBufferSize = 10240;
constexpr DWORD kUpdaterIdleWaitMs = 1000;
constexpr UINT kEndAfterHandOffMs = 1000;

// Two starts of the program at the same moment share "update.ini" in the
// temporary folder: one could read the file the other has just replaced or
// deleted, find no version in it and count a day with a newer version as
// checked. The name stays (other programs may look for it); instead a
// start holds this lock of the user's session while it writes, reads and
// deletes the file. It is waited for a few seconds at most, so that a holder
// that hangs cannot hold up the check for ever.
class VersionIniLock {
public:
    VersionIniLock() : mutex_(CreateMutexW(nullptr, FALSE, L"Local\\VelmoraVersionIni")) {
        if (mutex_ == nullptr) return;
        const DWORD waited = WaitForSingleObject(mutex_, 5000);
        owned_ = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
    }
    ~VersionIniLock() {
        if (owned_) ReleaseMutex(mutex_);
        if (mutex_ != nullptr) CloseHandle(mutex_);
    }
    VersionIniLock(const VersionIniLock&) = delete;
    VersionIniLock& operator=(const VersionIniLock&) = delete;

private:
    HANDLE mutex_;
    bool owned_ = false;
};

// Creates or empties the file and writes all of bytes; false when any of it failed.
bool WriteWholeFile(const Text& path, std::string_view bytes) {
    HANDLE file = CreateFileW(WideFromGbk(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    ok = CloseHandle(file) && ok;
    return ok && written == bytes.size();
}

Text ReadIniValue(const Text& path, const Text& section, const char* key) {
    std::vector<char> buffer(kIniValueBufferSize);
    const DWORD n = GetPrivateProfileStringA(section.c_str(), key, "", buffer.data(),
                                             kIniValueBufferSize, path.c_str());
    return Text(buffer.data(), n);
}

Text TodayText() { return FormatDateText(LocalNow(), false, false); }

// The folder of the running program, with its closing "\". The cut is made in
// UTF-16: in GBK a "\" byte can be the second half of a character.
Text RunningProgramFolder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2);
    }
    const std::size_t slash = path.find_last_of(L'\\');
    path.resize(slash == std::wstring::npos ? 0 : slash);
    return WithTrailingBackslash(GbkFromWide(path));
}

// Key by key, so that whatever else the file holds stays. Not checked: the
// updater finds out by itself what it was not given.
void WriteUpdaterSettings(std::string_view windowTitle, std::string_view downloadUrl) {
    const Text path = UpdaterSettingsPath();
    const struct {
        const char* key;
        Text value;
    } settings[] = {
        {kUpdaterWindowTitleKey, Text(windowTitle)},
        {kUpdaterSaveFolderKey, RunningProgramFolder()},
        {kUpdaterRemoteFileKey, Text(downloadUrl)},
    };
    for (const auto& setting : settings) {
        WritePrivateProfileStringA(kUpdaterSettingsSection, setting.key, setting.value.c_str(),
                                   path.c_str());
    }
}

bool StartUpdater(const Text& programPath) {
    const std::wstring path = WideFromGbk(programPath);
    std::wstring commandLine = L"\"" + path + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(path.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &process)) {
        return false;
    }
    WaitForInputIdle(process.hProcess, kUpdaterIdleWaitMs);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

void ShowMainWindow(HWND mainWindow, int command) {
    RunOnWindowThread([&] {
        if (IsWindow(mainWindow)) ShowWindow(mainWindow, command);
    });
}

bool UserWantsUpdate(std::string_view latestVersion, std::string_view currentVersion) {
    // No owner: task-modal over this job's thread, which has no windows, so the
    // main window is not disabled while the question stands.
    const int answer = MessageBoxW(
        nullptr, WideFromGbk(VersionQuestionText(latestVersion, currentVersion)).c_str(),
        WideFromGbk(kVersionQuestionTitle).c_str(), MB_YESNO | MB_TASKMODAL);
    return answer == IDYES;
}

}  // namespace

Text VersionIniPath() { return TempFolderPath() + kVersionIniName; }
Text UpdaterProgramPath() { return TempFolderPath() + kUpdaterProgramName; }
Text UpdaterSettingsPath() { return SpecialFolderPath(kSystemFolder) + kUpdaterSettingsFileName; }

Text CheckDateKeyPath(std::string_view programName) { return "Software\\" + Text(programName); }

Text LastCheckDate(std::string_view programName) {
    wchar_t date[64] = {};
    DWORD size = sizeof date;
    if (RegGetValueW(HKEY_CURRENT_USER, WideFromGbk(CheckDateKeyPath(programName)).c_str(),
                     kLastCheckDateValue, RRF_RT_REG_SZ, nullptr, date, &size) != ERROR_SUCCESS) {
        return Text();
    }
    return GbkFromWide(date);
}

void StoreLastCheckDate(std::string_view programName, std::string_view date) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, WideFromGbk(CheckDateKeyPath(programName)).c_str(), 0,
                        nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return;
    }
    const std::wstring text = WideFromGbk(date);
    RegSetValueExW(key, kLastCheckDateValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}

VersionFileValues ReadVersionFile(std::string_view bytes, std::string_view programName) {
    const Text path = VersionIniPath();
    const Text section(programName);
    VersionIniLock lock;
    WriteWholeFile(path, VersionFileText(bytes));
    VersionFileValues values{ReadIniValue(path, section, kLatestVersionKey),
                             ReadIniValue(path, section, kDownloadUrlKey),
                             ReadIniValue(path, section, kForcedVersionsKey)};
    DeleteFileW(WideFromGbk(path).c_str());
    return values;
}

std::string_view UpdaterProgramBytes(HMODULE module) {
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(IDR_UPDATER), RT_RCDATA);
    if (found == nullptr) return {};
    HGLOBAL loaded = LoadResource(module, found);
    const void* bytes = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (bytes == nullptr) return {};
    return std::string_view(static_cast<const char*>(bytes), SizeofResource(module, found));
}

bool HandOverToUpdater(std::string_view windowTitle, std::string_view downloadUrl,
                       std::string_view updaterBytes) {
    // Without a program to start there is nothing to hand over to.
    if (updaterBytes.empty()) return false;
    WriteUpdaterSettings(windowTitle, downloadUrl);
    const Text program = UpdaterProgramPath();
    return WriteWholeFile(program, updaterBytes) && StartUpdater(program);
}

bool OfferUpdate(std::string_view latestVersion, std::string_view currentVersion,
                 std::string_view windowTitle, std::string_view downloadUrl, HWND mainWindow,
                 bool forced) {
    if (!IsNewerVersion(latestVersion, currentVersion)) return false;
    ShowMainWindow(mainWindow, SW_MINIMIZE);
    if (!forced && !UserWantsUpdate(latestVersion, currentVersion)) {
        ShowMainWindow(mainWindow, SW_RESTORE);
        return false;
    }
    if (HandOverToUpdater(windowTitle, downloadUrl, UpdaterProgramBytes())) return true;
    // Agreed to (or forced), but no updater runs: hiding the window and ending
    // would leave the user with neither program, so go on as after a No.
    ShowMainWindow(mainWindow, SW_RESTORE);
    return false;
}

void VersionCheck(HWND mainWindow, const ProgramValues& program) {
    if (IsCheckedToday(LastCheckDate(program.programName), TodayText())) return;
    const ByteBuffer bytes = FetchUrlBytes(VersionFileUrl(program.sites.versionServer),
                                           program.sites.downloadTimeLimitMs);
    const VersionFileValues file = ReadVersionFile(bytes, program.programName);
    const bool forced = IsForcedVersion(file.forcedList, program.versionText);
    if (OfferUpdate(file.latestVersion, program.versionText, program.programName, file.downloadUrl,
                    mainWindow, forced)) {
        ShowMainWindow(mainWindow, SW_HIDE);
        SetEndTimerPeriod(mainWindow, kEndAfterHandOffMs);
        return;
    }
    // The question may have stood past midnight: the day the check ended counts.
    StoreLastCheckDate(program.programName, TodayText());
}

}  // namespace velmora
