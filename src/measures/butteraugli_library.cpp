#include "measures/butteraugli_library.h"

#include <jxl/butteraugli.h>
#include <jxl/thread_parallel_runner.h>
#include <pthread.h>

#include <algorithm>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <stop_token>
#include <thread>

#include "io/error.h"

// The JPEG XL library's side of the Butteraugli measure, built into that library's module.
namespace brenlow {
namespace {

struct LibraryInput {
    JxlPixelFormat format;
    const void* data;
    std::size_t size;
};

LibraryInput libraryInput(const ButteraugliPixels& pixels) {
    if (pixels.linear.empty())
        return {{3, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0}, pixels.bytes.data(), pixels.bytes.size()};
    return {{3, JXL_TYPE_FLOAT, JXL_NATIVE_ENDIAN, 0}, pixels.linear.data(), pixels.linear.size() * sizeof(float)};
}

struct ApiRelease {
    void operator()(JxlButteraugliApi* api) const { JxlButteraugliApiDestroy(api); }
};
struct ResultRelease {
    void operator()(JxlButteraugliResult* result) const { JxlButteraugliResultDestroy(result); }
};
struct RunnerRelease {
    void operator()(void* runner) const { JxlThreadParallelRunnerDestroy(runner); }
};
using ButteraugliResult = std::unique_ptr<JxlButteraugliResult, ResultRelease>;

// The library with threads of its own. Its colour conversion gives every thread that prepares one a
// colour-management context that is never released, and each later conversion searches all of
// them: measured from each item's own thread, a data set's time grew with the square of its
// pictures. So every call runs on this set's caller thread, and the set is kept for the next pair.
class ButteraugliWorkers {
public:
    explicit ButteraugliWorkers(int threads) : threads_(threads) {
        caller_ = std::jthread([this](const std::stop_token& stop) { serve(stop); });
        run([this] { makeLibrary(); });
        if (!api_) throw Error("Not enough memory to measure the Butteraugli distance");
    }

    int threads() const { return threads_; }

    JxlButteraugliResult* compute(std::uint32_t width, std::uint32_t height, const ButteraugliPixels& reference,
                                  const ButteraugliPixels& test) {
        const LibraryInput first = libraryInput(reference);
        const LibraryInput second = libraryInput(test);
        JxlButteraugliResult* result = nullptr;
        run([&] {
            result = JxlButteraugliCompute(api_.get(), width, height, &first.format, first.data, first.size,
                                           &second.format, second.data, second.size);
        });
        return result;
    }

private:
    // On the caller thread, so that the library's workers take its name rather than the name of
    // whichever thread first measured.
    void makeLibrary() {
        runner_.reset(threads_ > 1 ? JxlThreadParallelRunnerCreate(nullptr, static_cast<std::size_t>(threads_))
                                   : nullptr);
        api_.reset(JxlButteraugliApiCreate(nullptr));
        if (threads_ > 1 && !runner_) api_.reset();
        if (api_ && runner_) JxlButteraugliApiSetParallelRunner(api_.get(), JxlThreadParallelRunner, runner_.get());
        if (api_) JxlButteraugliApiSetIntensityTarget(api_.get(), kButteraugliIntensityTarget);
    }

    // Runs `call` on the caller thread and waits for it; `call` must not throw.
    void run(const std::function<void()>& call) {
        std::unique_lock lock(mutex_);
        call_ = &call;
        wake_.notify_all();
        wake_.wait(lock, [this] { return call_ == nullptr; });
    }

    void serve(const std::stop_token& stop) {
        pthread_setname_np(pthread_self(), "butteraugli");
        std::unique_lock lock(mutex_);
        while (wake_.wait(lock, stop, [this] { return call_ != nullptr; })) {
            (*call_)();
            call_ = nullptr;
            wake_.notify_all();
        }
    }

    int threads_;
    std::unique_ptr<void, RunnerRelease> runner_;  // outlives the library object that uses it
    std::unique_ptr<JxlButteraugliApi, ApiRelease> api_;
    std::mutex mutex_;
    std::condition_variable_any wake_;
    const std::function<void()>* call_ = nullptr;
    std::jthread caller_;  // last: stopped and joined before the library goes
};

// Workers lent to one measurement at a time: as many sets as measurements ever ran at once.
class IdleWorkers {
public:
    std::unique_ptr<ButteraugliWorkers> lend(int threads) {
        {
            const std::lock_guard lock(mutex_);
            const auto fitting = std::find_if(idle_.begin(), idle_.end(),
                                              [threads](const auto& workers) { return workers->threads() == threads; });
            if (fitting != idle_.end()) {
                std::unique_ptr<ButteraugliWorkers> workers = std::move(*fitting);
                idle_.erase(fitting);
                return workers;
            }
        }
        return std::make_unique<ButteraugliWorkers>(threads);
    }

    void giveBack(std::unique_ptr<ButteraugliWorkers> workers) {
        const std::lock_guard lock(mutex_);
        idle_.push_back(std::move(workers));
    }

private:
    std::mutex mutex_;
    std::vector<std::unique_ptr<ButteraugliWorkers>> idle_;
};

// Never destroyed: a measurement still running on another thread when the program ends gives its
// workers back to it.
IdleWorkers& idleWorkers() {
    static IdleWorkers* const workers = new IdleWorkers;
    return *workers;
}

std::vector<float> distanceMap(const JxlButteraugliResult* result, int width, int height) {
    const float* distances = nullptr;
    std::uint32_t stride = 0;
    JxlButteraugliResultGetDistmap(result, &distances, &stride);
    std::vector<float> map;
    map.reserve(static_cast<std::size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
        const float* row = distances + static_cast<std::size_t>(y) * stride;
        map.insert(map.end(), row, row + width);
    }
    return map;
}

}  // namespace

ButteraugliOutcome measureWithLibrary(const ButteraugliCall& call) {
    std::unique_ptr<ButteraugliWorkers> workers = idleWorkers().lend(call.threads);
    const ButteraugliResult result(workers->compute(static_cast<std::uint32_t>(call.width),
                                                    static_cast<std::uint32_t>(call.height), *call.reference,
                                                    *call.test));
    idleWorkers().giveBack(std::move(workers));
    if (!result) throw Error("The Butteraugli distance could not be measured (too little memory for the picture?)");
    ButteraugliOutcome outcome{
        {JxlButteraugliResultGetMaxDistance(result.get()), JxlButteraugliResultGetDistance(result.get(), 3.0f)}, {}};
    if (call.wantsMap) outcome.map = distanceMap(result.get(), call.width, call.height);
    return outcome;
}

}  // namespace brenlow
