#pragma once

#include <vector>

#include "app/main_window_win.h"

namespace velmora {

// The jobs that the program's main window starts: the share lists and the version check.
std::vector<MainWindowJob> StartupJobs();

// Releases the program-wide values and the colour store; runs however the program ends.
void EndOfProgramCleanUp();

}  // namespace velmora
