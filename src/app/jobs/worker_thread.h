#pragma once

#include <functional>

namespace brenlow {

// Runs `work` on a thread of its own and returns when it has ended, turning the calling thread's
// event loop meanwhile so that windows repaint and timers fire. `work` must not touch widgets.
// A failure of `work` is rethrown here, on the calling thread.
void runOnWorkerThread(const std::function<void()>& work);

}  // namespace brenlow
