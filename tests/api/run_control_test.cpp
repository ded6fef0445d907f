#include "brenlow/run_control.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace brenlow {
namespace {

TEST(ProgressPacerTest, ReportsFromManyThreadsOneAtATimeAndAlwaysTheLast) {
    RunControl control;
    std::atomic<int> inside{0};
    std::atomic<bool> overlapped{false};
    std::vector<Progress> seen;
    control.progress = [&](const Progress& progress) {
        if (inside.fetch_add(1) != 0) overlapped = true;
        seen.push_back(progress);
        std::this_thread::yield();
        inside.fetch_sub(1);
    };
    ProgressPacer pacer(control);
    constexpr int kTotal = 4000;
    std::atomic<int> next{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int done = next++; done < kTotal; done = next++) pacer(done, kTotal);
        });
    for (std::thread& thread : threads) thread.join();
    pacer(kTotal, kTotal, "last");
    EXPECT_FALSE(overlapped);
    // Four thousand reports in far less than a second are paced to a handful.
    ASSERT_FALSE(seen.empty());
    EXPECT_LT(seen.size(), 50u);
    EXPECT_EQ(seen.back().done, kTotal);
    EXPECT_EQ(seen.back().item, "last");
    EXPECT_EQ(seen.back().secondsLeft, 0.0);
}

TEST(ProgressPacerTest, CancelStopsTheRequestAndCopiesShareTheToken) {
    RunControl control;
    const CancelToken copy = control.cancel;
    ProgressPacer pacer(control);
    EXPECT_TRUE(pacer(1, 10));
    CancelToken other = control.cancel;
    other.cancel();
    EXPECT_TRUE(copy.cancelled());
    EXPECT_FALSE(pacer(2, 10));
}

TEST(ProgressPacerTest, TimeLeftFollowsThePaceSoFar) {
    EXPECT_LT(secondsLeftAt(0, 10, 5.0), 0.0);
    EXPECT_DOUBLE_EQ(secondsLeftAt(2, 10, 5.0), 20.0);
    EXPECT_DOUBLE_EQ(secondsLeftAt(10, 10, 5.0), 0.0);
}

}  // namespace
}  // namespace brenlow
