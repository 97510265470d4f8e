// How a job changes a window: the change is handed to the window thread with
// one synchronous message and done there before the job goes on. The window
// thread never waits for a job, so such a message is always answered while the
// message loop (or a menu's or message box's loop) runs.
#pragma once

#include <windows.h>

#include <functional>

namespace velmora {

// Creates the hidden window that carries the work; called once on the window thread.
void InitWindowThread(HINSTANCE instance);

// Runs work on the window thread and returns when it is done; from the window
// thread itself it simply runs. False (work not run) once the program is ending.
bool RunOnWindowThread(const std::function<void()>& work);

// Ends the carrying window (the end of the program); later work is not run.
void EndWindowThread();

}  // namespace velmora
