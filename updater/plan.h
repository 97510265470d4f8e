// What the updater makes of the settings Velmora leaves for it: the file it
// will write, or the reason it refuses to do anything. Platform-free.
#pragma once

#include <string_view>

#include "text/text.h"

namespace velmora::updater {

// "Tarnwick.txt" in the Windows system folder, section "软件升级".
inline constexpr char kSettingsFileName[] = "Tarnwick.txt";
inline constexpr char kSettingsSection[] = "软件升级";
inline constexpr char kTitleKey[] = "窗口标题";
inline constexpr char kFolderKey[] = "文件保存";
inline constexpr char kRemoteFileKey[] = "远程文件";

// The download is written under this suffix beside its target and moved into
// place only when it is complete.
inline constexpr char kPartialSuffix[] = ".download";

struct Settings {
    Text windowTitle;
    Text saveFolder;  // ends with "\"
    Text remoteFile;  // the address of the new file
};

struct Plan {
    Text refusal;            // the message when nothing may be done; empty otherwise
    Text targetPath;         // saveFolder + the download's file name
    Text partialPath;        // targetPath + kPartialSuffix
    bool isProgram = false;  // the file is an .exe, started once it is in place
};

// The message for the first key (window title, folder, remote file) that is
// empty in settings; the empty text when all are there.
Text MissingKeyMessage(const Settings& settings);

// Checks the settings in order: every key present, a full folder path, an
// address the updater may fetch, a safe file name that stays in the folder.
Plan PlanUpdate(const Settings& settings);

// The updater window's title: the configured one with " - 升级" behind it.
Text WindowTitleFor(std::string_view configuredTitle);

// Why downloaded bytes cannot replace the target (empty text: they can). Nothing
// received is a failed download; a program must start with "MZ", which an error
// page that the server sends instead never does.
Text RefusalOfDownload(std::string_view bytes, bool isProgram);

// A drive path ("C:\...") or a network path ("\\server\...").
bool IsFullFolderPath(std::string_view folder);

// Whether the address's last path segment, percent-decoded, holds a "\" or "/"
// of its own: a name such as "..%5C..%5Cevil.exe" that points into another folder.
bool NameNamesAnotherFolder(std::string_view url);

// Whether the name ends in ".exe", in any letter case.
bool IsProgramName(std::string_view name);

}  // namespace velmora::updater
