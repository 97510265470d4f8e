#include "app/window_thread_win.h"

#include <atomic>

namespace velmora {
namespace {

constexpr UINT kRunOnWindowThread = WM_APP + 1;
constexpr wchar_t kClassName[] = L"VelmoraWindowThread";

std::atomic<HWND> carrier{nullptr};
DWORD windowThreadId = 0;

LRESULT CALLBACK CarrierProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kRunOnWindowThread) {
        (*reinterpret_cast<const std::function<void()>*>(lParam))();
        return 1;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

void InitWindowThread(HINSTANCE instance) {
    if (carrier.load() != nullptr) return;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = CarrierProc;
    wc.hInstance = instance;
    wc.lpszClassName = kClassName;
    RegisterClassExW(&wc);
    windowThreadId = GetCurrentThreadId();
    carrier = CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, instance,
                              nullptr);
}

bool RunOnWindowThread(const std::function<void()>& work) {
    if (GetCurrentThreadId() == windowThreadId) {
        work();
        return true;
    }
    HWND target = carrier.load();
    if (target == nullptr) return false;
    return SendMessageW(target, kRunOnWindowThread, 0, reinterpret_cast<LPARAM>(&work)) == 1;
}

void EndWindowThread() {
    HWND target = carrier.exchange(nullptr);
    if (target != nullptr) DestroyWindow(target);
}

}  // namespace velmora
