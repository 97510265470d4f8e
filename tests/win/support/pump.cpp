#include "support/pump.h"

namespace velmora::testing {
namespace {
bool quitSeen = false;
int quitCode = -1;
}  // namespace

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs) {
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    for (;;) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                quitSeen = true;
                quitCode = static_cast<int>(message.wParam);
                continue;
            }
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        if (done()) return true;
        ULONGLONG now = GetTickCount64();
        if (now >= end) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(std::min<ULONGLONG>(end - now, 20)),
                                  QS_ALLINPUT);
    }
}

void PumpFor(DWORD milliseconds) {
    PumpUntil([] { return false; }, milliseconds);
}

bool QuitSeen(int* exitCode) {
    bool seen = quitSeen;
    if (exitCode) *exitCode = quitCode;
    quitSeen = false;
    quitCode = -1;
    return seen;
}

}  // namespace velmora::testing
