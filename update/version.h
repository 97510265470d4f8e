// The version check: reading the published version number and deciding whether
// to offer (or force) the update.
#pragma once

#include <string_view>

#include "text/text.h"

namespace velmora {

// The number at the start of a version text, as C's atof reads it after the
// full-width letters, digits, signs and spaces are made one-byte; 0 when the text
// does not start with a number or the number is not finite.
double ReadVersionNumber(std::string_view text);

// Whether latest, read as a number, is above current by more than 0.0000001.
bool IsNewerVersion(std::string_view latest, std::string_view current);

// Whether the forced list (versions between slashes, "/9.0/10.1/") names the
// version: it holds "/" + versionText + "/" exactly, letter case kept.
bool IsForcedVersion(std::string_view forcedList, std::string_view versionText);

// Whether the day's check is done already: the date of the last check is the
// same non-empty date text as today's.
bool IsCheckedToday(std::string_view lastCheckDate, std::string_view today);

enum class CheckDecision { SkipCheckedToday, NotNewer, Ask, Forced };

// Checked already today (the same non-empty date text) → SkipCheckedToday; the
// published version not newer → NotNewer, even when it is forced; newer → Forced
// when forced, else Ask.
CheckDecision DecideVersionCheck(std::string_view lastCheckDate, std::string_view today,
                                 std::string_view latest, std::string_view current, bool forced);

// The question put before updating.
Text VersionQuestionText(std::string_view latest, std::string_view current);

inline constexpr char kVersionQuestionTitle[] = "升级提示";

// The version file the maker publishes on its version server: INI text in
// GBK, read from the section named by the program's name.
inline constexpr char kVersionFilePath[] = "/ver/myver.txt";
inline constexpr char kLatestVersionKey[] = "最新版本号";
inline constexpr char kDownloadUrlKey[] = "最新版下载地址";
inline constexpr char kForcedVersionsKey[] = "强制升级的版本号";

// The version file's address on a server given without its closing "/".
Text VersionFileUrl(std::string_view versionServer);

// What of the fetched version file is written out for the INI reader: the
// bytes in front of the first zero byte (all of them when there is none).
Text VersionFileText(std::string_view bytes);

// What the updater is handed: the INI file "Tarnwick.txt" in the system folder.
inline constexpr char kUpdaterSettingsFileName[] = "Tarnwick.txt";
inline constexpr char kUpdaterSettingsSection[] = "软件升级";
inline constexpr char kUpdaterWindowTitleKey[] = "窗口标题";
inline constexpr char kUpdaterSaveFolderKey[] = "文件保存";
inline constexpr char kUpdaterRemoteFileKey[] = "远程文件";

}  // namespace velmora
