#include "app/jobs_win.h"

#include <windows.h>

namespace velmora {
namespace {

DWORD WINAPI RunJob(LPVOID parameter) {
    auto* routine = static_cast<std::function<void()>*>(parameter);
    (*routine)();
    delete routine;
    return 0;
}

}  // namespace

bool StartJob(std::function<void()> routine) {
    auto* owned = new std::function<void()>(std::move(routine));
    HANDLE thread = CreateThread(nullptr, 0, RunJob, owned, 0, nullptr);
    if (thread == nullptr) {
        delete owned;
        return false;
    }
    CloseHandle(thread);
    return true;
}

}  // namespace velmora
