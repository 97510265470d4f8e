#include "app/shutdown_win.h"

#include "app/window_thread_win.h"
#include "listcolors/list_colors_win.h"
#include "loader/share_lists_win.h"
#include "update/version_check_win.h"

namespace velmora {

std::vector<MainWindowJob> StartupJobs() { return {LoadShareLists, VersionCheck}; }

void EndOfProgramCleanUp() {
    EndWindowThread();
    FreeColorStore();
    Program() = ProgramValues{};
}

}  // namespace velmora
