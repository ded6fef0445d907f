#include "measures/butteraugli.h"

#include <algorithm>
#include <array>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <mutex>
#include <stop_token>
#include <thread>
#include <vector>

#include "io/error.h"
#include "measures/linear_srgb.h"

#ifdef BRENLOW_HAS_BUTTERAUGLI
#include <jxl/butteraugli.h>
#include <jxl/thread_parallel_runner.h>
#include <pthread.h>

#include "imaging/parallel.h"
#endif

namespace brenlow {
namespace {

bool measurableSize(int width, int height) {
    return width >= kButteraugliMinSide && height >= kButteraugliMinSide &&
           static_cast<long long>(width) * height <= kButteraugliMaxPixels;
}

void checkHeatMapPair(const QImage& reference, const QImage& test) {
    if (reference.format() != QImage::Format_BGR888 || test.format() != QImage::Format_BGR888) {
        throw Error("The Butteraugli heat map needs pictures of 24 bits per pixel");
    }
    if (reference.size() != test.size() || reference.isNull()) {
        throw Error("The Butteraugli heat map needs two pictures of the same size");
    }
    if (static_cast<long long>(reference.width()) * reference.height() > kButteraugliMaxPixels) {
        throw Error("The Butteraugli heat map takes pictures of up to 4 megapixels");
    }
    if (!measurableSize(reference.width(), reference.height())) {
        throw Error("The Butteraugli heat map needs pictures of at least 8 x 8 pixels");
    }
}

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

void paintDistance(double distance, uchar* bgr) {
    std::size_t upper = 1;
    while (upper + 1 < kHeatMapRamp.size() && distance > kHeatMapRamp[upper].distance) ++upper;
    const HeatMapStop& low = kHeatMapRamp[upper - 1];
    const HeatMapStop& high = kHeatMapRamp[upper];
    const double t = std::clamp((distance - low.distance) / (high.distance - low.distance), 0.0, 1.0);
    for (std::size_t channel = 0; channel < 3; ++channel) {
        const double value = low.rgb[channel] + t * static_cast<double>(high.rgb[channel] - low.rgb[channel]);
        bgr[2 - channel] = static_cast<uchar>(value + 0.5);
    }
}

#ifdef BRENLOW_HAS_BUTTERAUGLI

// RGB bytes of the bottom-left width x height of a picture, top row first as the library reads them.
std::vector<std::uint8_t> rgbRows(const QImage& picture, int width, int height) {
    std::vector<std::uint8_t> rgb(3 * static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    std::uint8_t* out = rgb.data();
    for (int y = picture.height() - height; y < picture.height(); ++y) {
        const uchar* in = picture.constScanLine(y);
        for (int c = 0; c < width; ++c, in += 3, out += 3) out[0] = in[2], out[1] = in[1], out[2] = in[0];
    }
    return rgb;
}

// The library reads floats as linear-light sRGB, and bytes as sRGB's code values.
std::vector<float> linearRows(const QImage& picture, int width, int height) {
    const LinearSrgbConversion conversion(picture.colorSpace());
    const auto rowFloats = 3 * static_cast<std::size_t>(width);
    std::vector<float> linear(rowFloats * static_cast<std::size_t>(height));
    const int firstRow = picture.height() - height;
    parallelRows(0, height, [&](int begin, int end) {
        for (int r = begin; r < end; ++r)
            conversion.convertRow(picture.constScanLine(firstRow + r), width, linear.data() + rowFloats * r);
    });
    return linear;
}

ButteraugliPixels libraryPixels(const QImage& picture, int width, int height) {
    if (declaresSrgb(picture.colorSpace())) return {rgbRows(picture, width, height), {}};
    return {{}, linearRows(picture, width, height)};
}

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

// The distance map of `test` against the reference pixels, both width x height.
ButteraugliResult compute(const ButteraugliPixels& reference, const ButteraugliPixels& test, int width, int height) {
    std::unique_ptr<ButteraugliWorkers> workers = idleWorkers().lend(kernelThreads());
    ButteraugliResult result(
        workers->compute(static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height), reference, test));
    idleWorkers().giveBack(std::move(workers));
    if (!result) throw Error("The Butteraugli distance could not be measured (too little memory for the picture?)");
    return result;
}

#endif

}  // namespace

#ifdef BRENLOW_HAS_BUTTERAUGLI

bool butteraugliAvailable() { return true; }

ButteraugliReference butteraugliReference(const QImage& reference, int width, int height) {
    if (!measurableSize(width, height)) return {width, height, {}};
    return {width, height, libraryPixels(reference, width, height)};
}

ButteraugliDistance butteraugliDistance(const ButteraugliReference& reference, const QImage& test) {
    if (reference.pixels.empty()) return {kNaN, kNaN};
    return butteraugliDistance(reference, libraryPixels(test, reference.width, reference.height));
}

ButteraugliDistance butteraugliDistance(const ButteraugliReference& reference, const ButteraugliPixels& test) {
    if (reference.pixels.empty()) return {kNaN, kNaN};
    const ButteraugliResult result = compute(reference.pixels, test, reference.width, reference.height);
    return {JxlButteraugliResultGetMaxDistance(result.get()), JxlButteraugliResultGetDistance(result.get(), 3.0f)};
}

ButteraugliMap butteraugliDistanceMap(const QImage& reference, const QImage& test) {
    checkHeatMapPair(reference, test);
    const ButteraugliResult result = compute(libraryPixels(reference, reference.width(), reference.height()),
                                             libraryPixels(test, test.width(), test.height()), reference.width(),
                                             reference.height());
    const float* distances = nullptr;
    std::uint32_t stride = 0;
    JxlButteraugliResultGetDistmap(result.get(), &distances, &stride);
    ButteraugliMap map{reference.width(), reference.height(), {}};
    map.distances.reserve(static_cast<std::size_t>(map.width) * map.height);
    for (int y = 0; y < map.height; ++y) {
        const float* row = distances + static_cast<std::size_t>(y) * stride;
        map.distances.insert(map.distances.end(), row, row + map.width);
    }
    return map;
}

#else

bool butteraugliAvailable() { return false; }

ButteraugliReference butteraugliReference(const QImage&, int width, int height) { return {width, height, {}}; }

ButteraugliDistance butteraugliDistance(const ButteraugliReference&, const QImage&) { return {kNaN, kNaN}; }

ButteraugliDistance butteraugliDistance(const ButteraugliReference&, const ButteraugliPixels&) { return {kNaN, kNaN}; }

ButteraugliMap butteraugliDistanceMap(const QImage& reference, const QImage& test) {
    checkHeatMapPair(reference, test);
    throw Error("This build has no Butteraugli measure: libjxl's jxl/butteraugli.h was missing when it was built");
}

#endif

QImage heatMapOf(const ButteraugliMap& map) {
    QImage painted(map.width, map.height, QImage::Format_BGR888);
    for (int y = 0; y < map.height; ++y) {
        uchar* out = painted.scanLine(y);
        for (int x = 0; x < map.width; ++x) paintDistance(map.at(x, y), out + 3 * x);
    }
    return painted;
}

QImage butteraugliHeatMap(const QImage& reference, const QImage& test) {
    return heatMapOf(butteraugliDistanceMap(reference, test));
}

ButteraugliDistance butteraugliDistance(const CommonArea& area) {
    return butteraugliDistance(butteraugliReference(area.reference, area.width, area.height), area.test);
}

}  // namespace brenlow
