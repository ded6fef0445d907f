#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "experiments/point_helpers.h"

namespace brenlow::testing {
namespace {

// Points handed out by a counter, as a sweep's queue hands them out.
struct CountedPoints {
    explicit CountedPoints(int count) : coded(static_cast<std::size_t>(count)) {}

    bool codeOne() {
        const int index = next++;
        if (index >= static_cast<int>(coded.size())) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
        ++coded[static_cast<std::size_t>(index)];
        return true;
    }

    std::atomic<int> next{0};
    std::vector<std::atomic<int>> coded;
};

TEST(PointHelpersTest, HelpersAndTheOwnerCodeEveryPointOnce) {
    PointHelpers helpers;
    CountedPoints points(40);
    {
        PointHelpers::Offered offered(helpers, [&] { return points.codeOne(); });
        std::jthread first([&] { helpers.help(); });
        std::jthread second([&] { helpers.help(); });
        while (points.codeOne()) {
        }
    }
    for (const std::atomic<int>& times : points.coded) EXPECT_EQ(times.load(), 1);
}

// The owner assembles its points as soon as its offer ends, so the end must wait for a point that
// a helper is still coding.
TEST(PointHelpersTest, AnOffersEndWaitsForThePointsHelpersAreCoding) {
    PointHelpers helpers;
    std::atomic<bool> helperStarted{false}, helperFinished{false};
    std::atomic<int> handedOut{0};
    std::jthread helper;
    {
        PointHelpers::Offered offered(helpers, [&] {
            if (handedOut++ > 0) return false;
            helperStarted = true;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            helperFinished = true;
            return true;
        });
        helper = std::jthread([&] { helpers.help(); });
        while (!helperStarted) std::this_thread::yield();
    }
    EXPECT_TRUE(helperFinished);
}

// A helper leaves as soon as no offer has a point left: it asks a spent offer once, not again.
TEST(PointHelpersTest, AHelperLeavesOnceNoOfferHasAPointLeft) {
    PointHelpers helpers;
    int asked = 0;
    PointHelpers::Offered spent(helpers, [&] {
        ++asked;
        return false;
    });
    helpers.help();
    helpers.help();
    EXPECT_EQ(asked, 1);
}

}  // namespace
}  // namespace brenlow::testing
