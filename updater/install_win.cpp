#include <windows.h>

#include <algorithm>
#include <string>

#include "app/data_folder.h"
#include "app/gbk_win.h"
#include "updater/install_win.h"
#include "web/fetch.h"

namespace velmora::updater {
namespace {

constexpr char kOldFileKept[] = "原有文件未改动。";

Text ErrorText(DWORD error) { return "(错误 " + std::to_string(error) + ")"; }

bool IsFolder(const Text& path) {
    const DWORD attributes = GetFileAttributesW(WideFromGbk(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The errors of a file that another program still holds: a running program, or
// one that has it open without sharing. They pass when that program ends.
bool IsInUse(DWORD error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED ||
           error == ERROR_LOCK_VIOLATION || error == ERROR_USER_MAPPED_FILE;
}

// The whole buffer, on the disk before the handle closes; 0 or the error.
DWORD WriteWholeFile(const Text& path, std::string_view bytes) {
    HANDLE file = CreateFileW(WideFromGbk(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return GetLastError();
    DWORD error = 0;
    constexpr std::size_t kChunk = 1 << 20;
    for (std::size_t done = 0; done < bytes.size();) {
        const DWORD chunk = static_cast<DWORD>(std::min(kChunk, bytes.size() - done));
        DWORD put = 0;
        if (!WriteFile(file, bytes.data() + done, chunk, &put, nullptr) || put == 0) {
            error = GetLastError();
            if (error == 0) error = ERROR_WRITE_FAULT;
            break;
        }
        done += put;
    }
    if (error == 0 && !FlushFileBuffers(file)) error = GetLastError();
    if (!CloseHandle(file) && error == 0) error = GetLastError();
    return error;
}

enum class Moved { Yes, No, Cancelled };

// Replaces the target in one step. While the old program still holds it, tries
// again until it lets go, the time limit has passed or the user cancels.
Moved MoveIntoPlace(Run& run, const Plan& plan, DWORD* error) {
    const std::wstring from = WideFromGbk(plan.partialPath);
    const std::wstring to = WideFromGbk(plan.targetPath);
    const ULONGLONG start = GetTickCount64();
    bool waitReported = false;
    for (;;) {
        if (MoveFileExW(from.c_str(), to.c_str(),
                        MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            return Moved::Yes;
        }
        *error = GetLastError();
        if (!IsInUse(*error) || GetTickCount64() - start >= kMoveRetryLimitMs) return Moved::No;
        if (!waitReported) {
            run.report("文件正被使用,等待旧程序结束...");
            waitReported = true;
        }
        if (run.cancelRequested) return Moved::Cancelled;
        Sleep(kMoveRetryIntervalMs);
    }
}

DWORD StartProgram(const Text& path, const Text& folder) {
    const std::wstring program = WideFromGbk(path);
    std::wstring commandLine = L"\"" + program + L"\"";
    const std::wstring workingFolder = WideFromGbk(folder);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        workingFolder.c_str(), &startup, &process)) {
        return GetLastError();
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return 0;
}

Text ReadKey(const std::wstring& path, const std::wstring& section, const char* key) {
    // The same size as Velmora's own INI reads.
    std::wstring buffer(10240, L'\0');
    const DWORD n =
        GetPrivateProfileStringW(section.c_str(), WideFromGbk(key).c_str(), L"", buffer.data(),
                                 static_cast<DWORD>(buffer.size()), path.c_str());
    buffer.resize(n);
    return GbkFromWide(buffer);
}

}  // namespace

Text SettingsPath() { return SpecialFolderPath(kSystemFolder) + kSettingsFileName; }

Settings ReadSettings(const Text& settingsPath) {
    const std::wstring path = WideFromGbk(settingsPath);
    const std::wstring section = WideFromGbk(kSettingsSection);
    Settings settings;
    settings.windowTitle = ReadKey(path, section, kTitleKey);
    settings.saveFolder = ReadKey(path, section, kFolderKey);
    settings.remoteFile = ReadKey(path, section, kRemoteFileKey);
    return settings;
}

Outcome RunUpdate(Run& run) {
    run.report("读取升级设置: " + run.settingsPath);
    if (!run.settingsFileFound) {
        run.report("找不到升级设置文件: " + run.settingsPath + ",升级没有进行。");
        return Outcome::Refused;
    }
    const Plan plan = PlanUpdate(run.settings);
    if (!plan.refusal.empty()) {
        run.report(plan.refusal);
        return Outcome::Refused;
    }
    const Text& folder = run.settings.saveFolder;
    if (!IsFolder(folder)) {
        run.report("保存目录不存在: " + folder + ",升级没有进行。");
        return Outcome::Refused;
    }

    run.report("正在下载: " + run.settings.remoteFile);
    const ByteBuffer bytes = FetchUrlBytes(run.settings.remoteFile);
    const Text refusal = RefusalOfDownload(bytes, plan.isProgram);
    if (!refusal.empty()) {
        run.report(refusal);
        return Outcome::DownloadFailed;
    }
    run.report("已下载 " + std::to_string(bytes.size()) + " 字节。");

    run.writing = true;
    if (run.cancelRequested) return Outcome::Cancelled;
    run.report("正在保存为: " + plan.targetPath);
    DWORD error = WriteWholeFile(plan.partialPath, bytes);
    if (error != 0) {
        DeleteFileW(WideFromGbk(plan.partialPath).c_str());
        run.report("无法写入临时文件 " + plan.partialPath + ErrorText(error) + "。" + kOldFileKept);
        return Outcome::NotReplaced;
    }
    switch (MoveIntoPlace(run, plan, &error)) {
        case Moved::Yes:
            break;
        case Moved::Cancelled:
            DeleteFileW(WideFromGbk(plan.partialPath).c_str());
            run.report(Text("已取消。") + kOldFileKept);
            return Outcome::Cancelled;
        case Moved::No:
            DeleteFileW(WideFromGbk(plan.partialPath).c_str());
            run.report((IsInUse(error) ? "等待 " + std::to_string(kMoveRetryLimitMs / 1000) +
                                             " 秒后文件仍被占用,未能替换 "
                                       : Text("未能替换 ")) +
                       plan.targetPath + ErrorText(error) + "。" + kOldFileKept);
            return Outcome::NotReplaced;
    }
    run.report("已保存: " + plan.targetPath);

    if (plan.isProgram) {
        run.report("正在启动新程序: " + plan.targetPath);
        error = StartProgram(plan.targetPath, folder);
        if (error != 0) {
            run.report("未能启动新程序" + ErrorText(error) + "。新版本已保存在 " + plan.targetPath +
                       "。");
            return Outcome::NotStarted;
        }
        run.report("新程序已启动。");
    }
    run.report("升级完成。");
    return Outcome::Done;
}

}  // namespace velmora::updater
