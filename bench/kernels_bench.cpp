// Microbenchmarks of the pixel kernels and the in-memory JPEG paths on a 12-megapixel picture,
// reported in megapixels per second.
#include <benchmark/benchmark.h>

#include "bench_picture.h"

#include "imaging/bitmap_bridge.h"
#include "imaging/enlarge_sharpen.h"
#include "imaging/quality_metrics.h"
#include "imaging/resampling.h"
#include "imaging/sharpening.h"
#include "jpeg/jpeg_bridge.h"

namespace brenlow {
namespace {

using bench::kHeight;
using bench::kWidth;
using bench::picture;

void reportPixels(benchmark::State& state, std::int64_t pixels) {
    state.counters["MP/s"] = benchmark::Counter(static_cast<double>(pixels) * static_cast<double>(state.iterations()) / 1e6,
                                                benchmark::Counter::kIsRate);
}

void BM_BitmapToPlanes(benchmark::State& state) {
    ImagePlanes planes(kWidth, kHeight);
    for (auto _ : state) {
        BitmapToPlanes(picture(), planes);
        benchmark::DoNotOptimize(planes.red());
    }
    reportPixels(state, std::int64_t{kWidth} * kHeight);
}
BENCHMARK(BM_BitmapToPlanes)->Unit(benchmark::kMillisecond);

void BM_PlanesToBitmap(benchmark::State& state) {
    const ImagePlanes planes = planesFromBitmap(picture());
    QImage bitmap(kWidth, kHeight, QImage::Format_BGR888);
    for (auto _ : state) {
        PlanesToBitmap(bitmap, planes);
        benchmark::DoNotOptimize(bitmap.bits());
    }
    reportPixels(state, std::int64_t{kWidth} * kHeight);
}
BENCHMARK(BM_PlanesToBitmap)->Unit(benchmark::kMillisecond);

void BM_HalveImage(benchmark::State& state) {
    const ImagePlanes planes = planesFromBitmap(picture());
    ImagePlanes half(kWidth / 2, kHeight / 2);
    for (auto _ : state) {
        HalveImage(planes, half);
        benchmark::DoNotOptimize(half.red());
    }
    reportPixels(state, std::int64_t{kWidth} * kHeight);
}
BENCHMARK(BM_HalveImage)->Unit(benchmark::kMillisecond);

void BM_EnlargeImage(benchmark::State& state) {
    ImagePlanes half(kWidth / 2, kHeight / 2);
    HalveImage(planesFromBitmap(picture()), half);
    ImagePlanes large(kWidth, kHeight);
    for (auto _ : state) {
        EnlargeImage(half, large, 2.0f);
        benchmark::DoNotOptimize(large.red());
    }
    reportPixels(state, std::int64_t{kWidth} * kHeight);
}
BENCHMARK(BM_EnlargeImage)->Unit(benchmark::kMillisecond);

void BM_SharpenImage(benchmark::State& state) {
    ImagePlanes planes = planesFromBitmap(picture());
    for (auto _ : state) {
        SharpenImage(planes, 0.125f);
        benchmark::DoNotOptimize(planes.red());
    }
    reportPixels(state, std::int64_t{kWidth} * kHeight);
}
BENCHMARK(BM_SharpenImage)->Unit(benchmark::kMillisecond);

void BM_HalveBitmap(benchmark::State& state) {
    ImagePlanes half(kWidth / 2, kHeight / 2);
    for (auto _ : state) {
        HalveBitmap(picture(), half);
        benchmark::DoNotOptimize(half.red());
    }
    reportPixels(state, std::int64_t{kWidth} * kHeight);
}
BENCHMARK(BM_HalveBitmap)->Unit(benchmark::kMillisecond);

// The encoder's halving with the quantiser folded into a table, bitmap to bitmap.
void BM_HalveBitmapThroughTable(benchmark::State& state) {
    HalvedSampleTable table{};
    for (std::size_t sum = 0; sum < table.size(); ++sum) {
        table[sum] = static_cast<std::uint8_t>(sum / 10);
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(HalveBitmapThroughTable(picture(), table));
    }
    reportPixels(state, std::int64_t{kWidth} * kHeight);
}
BENCHMARK(BM_HalveBitmapThroughTable)->Unit(benchmark::kMillisecond);

// The decoder's enlargement and two sharpening passes, streamed into a bitmap.
void BM_EnlargeAndSharpenToBitmap(benchmark::State& state) {
    ImagePlanes half(kWidth / 2, kHeight / 2);
    HalveBitmap(picture(), half);
    for (auto _ : state) {
        benchmark::DoNotOptimize(EnlargeAndSharpenToBitmap(half, 0.125f, 2, nullptr));
    }
    reportPixels(state, std::int64_t{kWidth} * kHeight);
}
BENCHMARK(BM_EnlargeAndSharpenToBitmap)->Unit(benchmark::kMillisecond);

// The same read straight from the coded picture's bytes, as the decoder does.
void BM_EnlargeAndSharpenFromBytes(benchmark::State& state) {
    const QImage half = picture().scaled(kWidth / 2, kHeight / 2);
    SampleValues values{};
    for (std::size_t b = 0; b < values.size(); ++b) {
        values[b] = static_cast<float>(b);
    }
    for (auto _ : state) {
        benchmark::DoNotOptimize(EnlargeAndSharpenToBitmap(half, values, 0.125f, 2, nullptr));
    }
    reportPixels(state, std::int64_t{kWidth} * kHeight);
}
BENCHMARK(BM_EnlargeAndSharpenFromBytes)->Unit(benchmark::kMillisecond);

void BM_ChannelSnrOfBitmaps(benchmark::State& state) {
    QImage test = picture().copy();
    test.scanLine(7)[5] ^= 3;
    for (auto _ : state) {
        benchmark::DoNotOptimize(ChannelSnr(picture(), test));
    }
    reportPixels(state, std::int64_t{kWidth} * kHeight);
}
BENCHMARK(BM_ChannelSnrOfBitmaps)->Unit(benchmark::kMillisecond);

void BM_ChannelSnr(benchmark::State& state) {
    const ImagePlanes reference = planesFromBitmap(picture());
    ImagePlanes test = reference.clone();
    test.red()[5] += 3.0f;
    for (auto _ : state) {
        benchmark::DoNotOptimize(ChannelSnr(reference, test));
    }
    reportPixels(state, std::int64_t{kWidth} * kHeight);
}
BENCHMARK(BM_ChannelSnr)->Unit(benchmark::kMillisecond);

void BM_SaveAsJpeg(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(SaveAsJpeg(picture(), 80));
    }
    reportPixels(state, std::int64_t{kWidth} * kHeight);
}
BENCHMARK(BM_SaveAsJpeg)->Unit(benchmark::kMillisecond);

void BM_LoadJpeg(benchmark::State& state) {
    const Bytes jpeg = SaveAsJpeg(picture(), 80);
    QImage bitmap;
    for (auto _ : state) {
        LoadJpeg(bitmap, jpeg);
        benchmark::DoNotOptimize(bitmap.bits());
    }
    reportPixels(state, std::int64_t{kWidth} * kHeight);
}
BENCHMARK(BM_LoadJpeg)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace brenlow
