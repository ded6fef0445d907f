// The in-memory coding paths of the three still commands on a 12-megapixel picture: coding,
// containing and decoding again, with nothing written; in megapixels per second.
#include <benchmark/benchmark.h>

#include "codecs/still_codecs.h"

namespace brenlow {
namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

const QImage& picture() {
    static const QImage image = [] {
        QImage made(kWidth, kHeight, QImage::Format_BGR888);
        for (int y = 0; y < kHeight; ++y) {
            uchar* row = made.scanLine(y);
            for (int x = 0; x < kWidth * 3; ++x) {
                row[x] = static_cast<uchar>((x * 7 + y * 13 + (x * y) % 31) & 0xFF);
            }
        }
        return made;
    }();
    return image;
}

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
