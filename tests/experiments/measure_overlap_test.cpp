// When a sweep's points run on a second thread, measuring one while the next is coded.
#include <gtest/gtest.h>

#include "experiments/measure_overlap.h"
#include "imaging/parallel.h"

namespace brenlow {
namespace {

TEST(MeasureOverlapTest, ASweepAloneOverlapsOnlyWhereACoreIsFreeAndItsPointsAreNotTimedTwice) {
    const int cores = kernelThreads();
    EXPECT_EQ(MeasureOverlap(1, 1).threads(), cores > 1 ? 2 : 1);
    EXPECT_EQ(MeasureOverlap(1, 1, cores - 1 > 0 ? cores - 1 : 1).threads(), cores > 1 ? 2 : 1);
    EXPECT_EQ(MeasureOverlap(1, 3).threads(), 1);  // a timed point keeps the machine to itself
    EXPECT_EQ(MeasureOverlap(2, 1).threads(), 2);  // its points already run side by side
    EXPECT_EQ(MeasureOverlap(2, 1).codingsAtOnce(5), 2);
}

TEST(MeasureOverlapTest, SweepsFillingTheCoresRunTheirPointsOneAfterTheOther) {
    // A data set's items, one per core: a second thread each would hold a coding's memory and a
    // measurement's at once and crowd the cores.
    for (const int sweeps : {kernelThreads(), kernelThreads() + 3}) {
        const MeasureOverlap overlap(1, 1, sweeps);
        EXPECT_EQ(overlap.threads(), 1) << sweeps;
        EXPECT_EQ(overlap.codingsAtOnce(8), 1) << sweeps;
    }
}

}  // namespace
}  // namespace brenlow
