#include "io/rows_in_the_making.h"

#include <algorithm>

#include "io/error.h"

namespace brenlow {

RowsInTheMaking::RowsInTheMaking(int channels) : finished_(static_cast<std::size_t>(std::max(channels, 1)), 0) {}

void RowsInTheMaking::begin(const QImage& picture) {
    {
        const std::lock_guard guard(lock_);
        lines_ = {picture.constBits(), static_cast<std::size_t>(picture.bytesPerLine()), picture.width(),
                  picture.height()};
        begun_ = true;
    }
    changed_.notify_all();
}

void RowsInTheMaking::finish(int channel, int bottomRows) {
    bool reached = false;
    {
        const std::lock_guard guard(lock_);
        finished_[static_cast<std::size_t>(channel)] = bottomRows;
        // The reader is woken only when the rows it waits for are there, not at every row.
        reached = wanted_ > 0 && finishedRows() >= wanted_;
    }
    if (reached) changed_.notify_all();
}

void RowsInTheMaking::abandon() {
    {
        const std::lock_guard guard(lock_);
        abandoned_ = true;
    }
    changed_.notify_all();
}

int RowsInTheMaking::finishedRows() const { return *std::min_element(finished_.begin(), finished_.end()); }

RowsInTheMaking::Lines RowsInTheMaking::waitForPicture() {
    std::unique_lock guard(lock_);
    changed_.wait(guard, [this] { return begun_ || abandoned_; });
    if (!begun_) throw Error("The picture was given up before it was made");
    return lines_;
}

void RowsInTheMaking::waitForBottomRows(int rows) {
    std::unique_lock guard(lock_);
    wanted_ = rows;
    changed_.wait(guard, [&] { return finishedRows() >= rows || abandoned_; });
    wanted_ = 0;
    if (finishedRows() < rows) throw Error("The picture was given up before its rows were made");
}

}  // namespace brenlow
