#include "app/shutdown_win.h"

#include "app/window_thread_win.h"

namespace velmora {

std::vector<MainWindowJob> StartupJobs() { return {}; }

void EndOfProgramCleanUp() {
    EndWindowThread();
    Program() = ProgramValues{};
}

}  // namespace velmora
