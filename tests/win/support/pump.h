// Message pumping for tests that drive real windows on their own thread.
#pragma once

#include <windows.h>

#include <functional>

namespace velmora::testing {

// Handles messages until done() is true or timeoutMs has passed; true when done.
// A WM_QUIT seen meanwhile is remembered (see QuitSeen).
bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs);
void PumpFor(DWORD milliseconds);

// Whether a WM_QUIT came by since the last call, and its exit code.
bool QuitSeen(int* exitCode = nullptr);

}  // namespace velmora::testing
