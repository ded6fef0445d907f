#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace brenlow {

// Where a long request stands.
struct Progress {
    int done = 0;
    int total = 0;
    std::string item;           // what was last started, when the request names its items
    std::vector<std::string> running;  // every item under way, named alike, in the order the request takes them
    double elapsedSeconds = 0.0;
    double secondsLeft = -1.0;  // from the pace so far; negative until one item is done
};

// Shared by whoever may cancel and the request that checks it; copies see the same flag.
class CancelToken {
public:
    void cancel() { flag_->store(true, std::memory_order_relaxed); }
    bool cancelled() const { return flag_->load(std::memory_order_relaxed); }

private:
    std::shared_ptr<std::atomic<bool>> flag_ = std::make_shared<std::atomic<bool>>(false);
};

// How a caller follows and stops a long request. The progress callback is called at most ten times a
// second and never from two threads at once, and always once more when the last item is done.
struct RunControl {
    std::function<void(const Progress&)> progress;
    CancelToken cancel;
    int jobs = 0;  // items worked on at once; 0: one per core

    // The jobs to use: `jobs`, or the cores this machine has.
    int jobsOrCores() const;
};

// Turns a request's (done, total) reports, from any thread, into paced Progress calls and answers
// whether to go on. One per request.
class ProgressPacer {
public:
    explicit ProgressPacer(const RunControl& control);

    // False once the caller has cancelled.
    bool operator()(int done, int total, const std::string& item = {}, const std::vector<std::string>& running = {});

private:
    using Clock = std::chrono::steady_clock;
    const RunControl& control_;
    std::mutex mutex_;
    Clock::time_point started_ = Clock::now();
    Clock::time_point lastCall_{};
    bool called_ = false;
};

// Seconds left at the pace so far; negative while nothing is done.
double secondsLeftAt(int done, int total, double elapsedSeconds);

}  // namespace brenlow
