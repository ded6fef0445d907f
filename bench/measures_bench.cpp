// Microbenchmarks of the research measures on a 12-megapixel picture against its JPEG-decoded
// copy, each measure alone where the MeasureChoice allows it, in megapixels per second.
#include <benchmark/benchmark.h>

#include "bench_picture.h"

#include "jpeg/jpeg_bridge.h"
#include "measures/butteraugli.h"
#include "measures/colour_difference.h"
#include "measures/measures.h"
#include "measures/structural_similarity.h"

namespace brenlow {
namespace {

using bench::kHeight;
using bench::kWidth;
using bench::picture;

const QImage& decodedPicture() {
    static const QImage decoded = [] {
        QImage made;
        LoadJpeg(made, SaveAsJpeg(picture(), 50));
        return made;
    }();
    return decoded;
}

void countMegapixels(benchmark::State& state) {
    state.counters["MP/s"] = benchmark::Counter(
        static_cast<double>(kWidth) * kHeight * static_cast<double>(state.iterations()) / 1e6, benchmark::Counter::kIsRate);
}

void measure(benchmark::State& state, const MeasureChoice& choice) {
    for (auto _ : state) benchmark::DoNotOptimize(measurePictures(picture(), decodedPicture(), choice));
    countMegapixels(state);
}

void similarity(benchmark::State& state, bool multiScale) {
    const CommonArea area{picture(), decodedPicture(), kWidth, kHeight};
    for (auto _ : state) benchmark::DoNotOptimize(lumaSimilarity(area, multiScale));
    countMegapixels(state);
}

// PSNR and SSIM are always taken; the others are timed as the difference to this one.
void BM_PsnrFamilyAndSsim(benchmark::State& state) { measure(state, MeasureChoice::none()); }
BENCHMARK(BM_PsnrFamilyAndSsim)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_WithMsSsim(benchmark::State& state) { measure(state, MeasureChoice::only({"ms_ssim"})); }
BENCHMARK(BM_WithMsSsim)->Unit(benchmark::kMillisecond)->UseRealTime();

// SSIM alone, and SSIM with MS-SSIM, without the PSNR family.
void BM_Ssim(benchmark::State& state) { similarity(state, false); }
BENCHMARK(BM_Ssim)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SsimAndMsSsim(benchmark::State& state) { similarity(state, true); }
BENCHMARK(BM_SsimAndMsSsim)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_WithCiede2000(benchmark::State& state) { measure(state, MeasureChoice::only({"ciede2000"})); }
BENCHMARK(BM_WithCiede2000)->Unit(benchmark::kMillisecond)->UseRealTime();

// CIEDE2000 alone over the whole picture.
void BM_Ciede2000(benchmark::State& state) {
    const CommonArea area{picture(), decodedPicture(), kWidth, kHeight};
    for (auto _ : state) benchmark::DoNotOptimize(meanCiede2000(area));
    countMegapixels(state);
}
BENCHMARK(BM_Ciede2000)->Unit(benchmark::kMillisecond)->UseRealTime();

// Butteraugli of a 1024 x 768 part, as a data set's crop: the library takes up to 4 megapixels.
void BM_Butteraugli(benchmark::State& state) {
    constexpr int kPartWidth = 1024, kPartHeight = 768;
    const QImage reference = picture().copy(0, 0, kPartWidth, kPartHeight);
    const QImage test = decodedPicture().copy(0, 0, kPartWidth, kPartHeight);
    const ButteraugliReference prepared = butteraugliReference(reference, kPartWidth, kPartHeight);
    for (auto _ : state) benchmark::DoNotOptimize(butteraugliDistance(prepared, test));
    state.counters["MP/s"] = benchmark::Counter(kPartWidth * kPartHeight * static_cast<double>(state.iterations()) / 1e6,
                                                benchmark::Counter::kIsRate);
}
BENCHMARK(BM_Butteraugli)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace brenlow
