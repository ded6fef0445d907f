#pragma once

#include <algorithm>
#include <mutex>
#include <utility>

namespace brenlow {

// A sweep that codes its points one at a time (the items of a data set) leaves cores idle while
// its codecs work on one. Its points then run on two threads taking turns to code: one point's
// measures run on a free core while the next point is coded. The coding stays one point at a time,
// and a point timed several times keeps the machine to itself as before. The figures do not depend
// on it; the measures themselves spread over the cores as ever. Where other sweeps already fill
// the cores (a data set's items side by side), a second thread per sweep only crowds them and holds
// a coding's memory and a measurement's at once, so the points run one after the other.
class MeasureOverlap {
public:
    // `pointThreads`: the points the sweep would code at once; `sweepsAtOnce`: the sweeps running
    // side by side in the process, this one included.
    MeasureOverlap(int pointThreads, int timingRuns, int sweepsAtOnce = 1);

    // The threads to run the points on.
    int threads() const { return on_ ? 2 : threads_; }

    // The codings that run at once among `points` points.
    int codingsAtOnce(int points) const { return on_ ? 1 : std::max(1, std::min(points, threads_)); }

    // Held while a point is coded; end() lets the next point's coding start.
    class Turn {
    public:
        explicit Turn(std::unique_lock<std::mutex> lock) : lock_(std::move(lock)) {}
        void end() {
            if (lock_.owns_lock()) lock_.unlock();
        }

    private:
        std::unique_lock<std::mutex> lock_;
    };

    Turn codingTurn() { return Turn(on_ ? std::unique_lock(coding_) : std::unique_lock<std::mutex>()); }

private:
    int threads_;
    bool on_;
    std::mutex coding_;
};

}  // namespace brenlow
