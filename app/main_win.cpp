// Velmora: the calendar of new share issues.
#include <windows.h>
#include <objbase.h>

#include <cstdlib>

#include "app/main_window_win.h"
#include "app/shutdown_win.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int showCommand) {
    using namespace velmora;
    std::atexit(EndOfProgramCleanUp);
    MainWindowOptions options;
    options.jobs = StartupJobs();
    if (CreateMainWindow(instance, options, showCommand) == nullptr) return 1;
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return static_cast<int>(message.wParam);
}
