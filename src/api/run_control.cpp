#include "brenlow/run_control.h"

#include <algorithm>
#include <thread>

namespace brenlow {

int RunControl::jobsOrCores() const {
    return jobs > 0 ? jobs : std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
}

double secondsLeftAt(int done, int total, double elapsedSeconds) {
    if (done <= 0) return -1.0;
    return elapsedSeconds * (total - done) / done;
}

ProgressPacer::ProgressPacer(const RunControl& control) : control_(control) {}

bool ProgressPacer::operator()(int done, int total, const std::string& item, const std::vector<std::string>& running) {
    if (control_.cancel.cancelled()) return false;
    if (!control_.progress) return true;
    const std::lock_guard lock(mutex_);
    const Clock::time_point now = Clock::now();
    // The last report always goes out, so that a caller's display ends at the total.
    if (called_ && done < total && now - lastCall_ < std::chrono::milliseconds(100)) return true;
    called_ = true;
    lastCall_ = now;
    Progress progress;
    progress.done = done;
    progress.total = total;
    progress.item = item;
    progress.running = running;
    progress.elapsedSeconds = std::chrono::duration<double>(now - started_).count();
    progress.secondsLeft = secondsLeftAt(done, total, progress.elapsedSeconds);
    control_.progress(progress);
    return !control_.cancel.cancelled();
}

}  // namespace brenlow
