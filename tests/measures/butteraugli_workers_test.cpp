// The library's colour conversion makes a colour-management context for each thread that prepares
// one and never releases it; every later conversion searches all of them. This program counts the
// contexts made, by standing in for the function that makes them.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>
#include <vector>

#include "imaging/parallel.h"
#include "measures/butteraugli.h"
#include "support/test_support.h"

namespace {

std::atomic<int> contextsMade{0};

}  // namespace

extern "C" void* cmsCreateContext(void* plugin, void* userData) {
    using Make = void* (*)(void*, void*);
    static const auto make = reinterpret_cast<Make>(dlsym(RTLD_NEXT, "cmsCreateContext"));
    ++contextsMade;
    return make(plugin, userData);
}

namespace brenlow {
namespace {

bool sameBits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

class ButteraugliWorkersTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!butteraugliAvailable()) GTEST_SKIP() << "built without libjxl's Butteraugli";
        reference_ = testing::patternBitmap(96, 64);
        test_ = reference_.copy();
        for (int y = 0; y < test_.height(); y += 3)
            for (int x = 0; x < 3 * test_.width(); x += 5) test_.scanLine(y)[x] ^= 0x1c;
        first_ = measure();
    }

    ButteraugliDistance measure() const {
        return butteraugliDistance({reference_, test_, reference_.width(), reference_.height()});
    }

    void expectFirstFigures(const ButteraugliDistance& distance) const {
        EXPECT_TRUE(sameBits(distance.max, first_.max)) << distance.max << " against " << first_.max;
        EXPECT_TRUE(sameBits(distance.threeNorm, first_.threeNorm)) << distance.threeNorm << " against " << first_.threeNorm;
    }

    QImage reference_;
    QImage test_;
    ButteraugliDistance first_;
};

TEST_F(ButteraugliWorkersTest, ThreadsThatComeAndGoMakeNoNewContextsAndTheSameFigures) {
    EXPECT_GT(first_.max, 0.0);
    const int before = contextsMade;
    for (int item = 0; item < 12; ++item) {
        ButteraugliDistance distance;
        std::thread([&] { distance = measure(); }).join();
        expectFirstFigures(distance);
    }
    EXPECT_EQ(contextsMade - before, 0) << "a context for every measuring thread makes each later measure slower";
}

TEST_F(ButteraugliWorkersTest, MeasuresSideBySideAndOnOneThreadGiveTheSameFigures) {
    std::vector<ButteraugliDistance> distances(4);
    {
        std::vector<std::jthread> threads;
        for (ButteraugliDistance& distance : distances) threads.emplace_back([&] { distance = measure(); });
    }
    for (const ButteraugliDistance& distance : distances) expectFirstFigures(distance);
    const CodingOnCallingThread oneThread;
    expectFirstFigures(measure());
    const int before = contextsMade;
    for (int again = 0; again < 3; ++again) expectFirstFigures(measure());
    EXPECT_EQ(contextsMade - before, 0);
}

}  // namespace
}  // namespace brenlow
