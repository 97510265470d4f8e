// The updater's work, step by step: read the settings, fetch the new file,
// write it beside its target, move it into place once the old program has let
// go of it, and start it. Runs on a worker thread; every step is reported.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string_view>

#include "text/text.h"
#include "updater/plan.h"

namespace velmora::updater {

// The updater's exit code.
enum class Outcome : int {
    Done = 0,
    Refused = 1,         // settings missing or not acceptable: nothing was done
    DownloadFailed = 2,  // nothing or no program received: nothing was written
    NotReplaced = 3,     // the download could not be put in place: the old file stays
    NotStarted = 4,      // the new program is in place but did not start
    Cancelled = 5,       // closed by the user before the end: the old file stays
};

// While the target is in use (the old program is still ending), the move is
// tried again at this interval, for at most this long.
inline constexpr std::uint32_t kMoveRetryIntervalMs = 250;
inline constexpr std::uint32_t kMoveRetryLimitMs = 30000;

// The settings file's path: the Windows system folder + kSettingsFileName.
Text SettingsPath();

// The three keys; a missing file or key reads as empty texts (see MissingKeyMessage).
Settings ReadSettings(const Text& settingsPath);

struct Run {
    Settings settings;
    Text settingsPath;
    bool settingsFileFound = false;
    // Called on the worker thread for every step; returns when it is shown.
    std::function<void(std::string_view line)> report;
    // Set by the window thread when the user closes the window.
    std::atomic<bool> cancelRequested{false};
    // Set by the worker before it writes anything: from then on a cancel is
    // honoured only where the work can stop cleanly.
    std::atomic<bool> writing{false};
};

Outcome RunUpdate(Run& run);

}  // namespace velmora::updater
