#pragma once

#include <functional>

namespace velmora {

// Runs routine on a new thread of its own, whose handle is closed at once:
// nobody waits for it or joins it. False when no thread could be created.
bool StartJob(std::function<void()> routine);

}  // namespace velmora
