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

enum class CheckDecision { SkipCheckedToday, NotNewer, Ask, Forced };

// Checked already today (the same non-empty date text) → SkipCheckedToday; the
// published version not newer → NotNewer, even when it is forced; newer → Forced
// when forced, else Ask.
CheckDecision DecideVersionCheck(std::string_view lastCheckDate, std::string_view today,
                                 std::string_view latest, std::string_view current, bool forced);

// The question put before updating.
Text VersionQuestionText(std::string_view latest, std::string_view current);

inline constexpr char kVersionQuestionTitle[] = "升级提示";

}  // namespace velmora
