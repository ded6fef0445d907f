// The in-memory coding paths of the three still commands on a 12-megapixel picture: coding,
// containing and decoding again, with nothing written; in megapixels per second.
#include <benchmark/benchmark.h>

#include "bench_picture.h"

#include "codecs/still_codecs.h"

namespace brenlow {
namespace {

using bench::kHeight;
using bench::kWidth;
using bench::picture;

void reportPixels(benchmark::State& state) {
    state.counters["MP/s"] = benchmark::Counter(
        static_cast<double>(kWidth) * kHeight * static_cast<double>(state.iterations()) / 1e6, benchmark::Counter::kIsRate);
}

void BM_CodeAvcStill(benchmark::State& state) {
    const DocumentView document{"photo.bmp", &picture(), nullptr};
    DocumentView withoutPlanes = document;
    withoutPlanes.wantsDecodedPlanes = false;
    for (auto _ : state) {
        benchmark::DoNotOptimize(codeAvcStill(withoutPlanes, StillParameters{}, "photo~.bmp"));
    }
    reportPixels(state);
}
BENCHMARK(BM_CodeAvcStill)->Unit(benchmark::kMillisecond);

void BM_CodeAjcStill(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(codeAjcStill(picture(), StillParameters{}, "photo~.bmp", false));
    }
    reportPixels(state);
}
BENCHMARK(BM_CodeAjcStill)->Unit(benchmark::kMillisecond);

void BM_CodeJpegStill(benchmark::State& state) {
    for (auto _ : state) {
        benchmark::DoNotOptimize(codeJpegStill(picture(), 80, "photo~.bmp"));
    }
    reportPixels(state);
}
BENCHMARK(BM_CodeJpegStill)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace brenlow
