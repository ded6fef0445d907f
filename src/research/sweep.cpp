#include "research/sweep.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <limits>
#include <mutex>
#include <optional>
#include <utility>

#include "codecs/codec_steps.h"
#include "codecs/field_rules.h"
#include "container/coded_image.h"
#include "codecs/still_codecs.h"
#include "imaging/bitmap_bridge.h"
#include "imaging/parallel.h"
#include "io/bitmap_recycling.h"
#include "io/error.h"
#include "io/file_io.h"
#include "jpeg/jpeg_bridge.h"
#include "research/measure_overlap.h"

namespace brenlow {
namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// The same bytes as encodeAvcFile on the bitmap's planes, without making them (144 MB at 12 MP);
// prepareSweep has refused a focus the decoder would refuse.
Bytes encodeAvcFromBitmap(const QImage& bitmap, const StillParameters& parameters) {
    return buildCodedImage(CodedImageKind::AvcStill, divisorCode(parameters.divisor), parameters.passes,
                           codeHalfSize(bitmap, parameters.divisor, parameters.quality));
}

// The coded file alone: what the codec's command would write.
Bytes encodeAt(const SweepSource& source, StillCodec codec, const StillParameters& parameters) {
    switch (codec) {
        case StillCodec::Jpeg:
            return SaveAsJpeg(source.bitmap, parameters.quality);
        case StillCodec::Avc:
            return source.planes.empty() ? encodeAvcFromBitmap(source.bitmap, parameters)
                                         : encodeAvcFile(source.planes, parameters);
        case StillCodec::Ajc:
            return encodeAjcFile(source.references.at(codec), parameters);
        default:
            return anchorCodecOf(codec)->encode(source.bitmap, parameters.quality);
    }
}

DecodedPicture decodeAt(StillCodec codec, const Bytes& file, const std::string& caption) {
    DecodedPicture decoded;
    decoded.caption = caption;
    switch (codec) {
        case StillCodec::Jpeg:
            LoadJpeg(decoded.bitmap, file);
            return decoded;
        case StillCodec::Avc:
            return decodeAvcPicture(decodeCodedImage(file, CodedImageKind::AvcStill), caption, false);
        case StillCodec::Ajc:
            return decodeAjcPicture(decodeCodedImage(file, CodedImageKind::AjcStill), caption, false);
        default:
            decoded.bitmap = anchorCodecOf(codec)->decode(file);
            return decoded;
    }
}

struct SweepTask {
    StillCodec codec;
    int quality;
};

// Hands out the points in order, asking the progress before each; once it says stop, or a point
// fails, no more are handed out, so the points started are always the first ones.
class TaskQueue {
public:
    TaskQueue(int total, const SweepProgress& progress) : total_(total), progress_(progress) {}

    std::optional<int> next() {
        const std::lock_guard lock(mutex_);
        if (stopped_ || next_ == total_) return std::nullopt;
        if (progress_ && !progress_(next_, total_)) {
            stopped_ = cancelled_ = true;
            return std::nullopt;
        }
        return next_++;
    }

    void stop() {
        const std::lock_guard lock(mutex_);
        stopped_ = true;
    }

    bool cancelled() const { return cancelled_; }

private:
    std::mutex mutex_;
    int total_;
    int next_ = 0;
    bool stopped_ = false;
    bool cancelled_ = false;
    const SweepProgress& progress_;
};

// Runs `step` `runs` times, timing each run, and keeps what the last one gave.
template <typename Step>
auto timed(int runs, std::vector<double>& seconds, const Step& step) {
    for (int run = 1;; ++run) {
        const Clock::time_point start = Clock::now();
        auto result = step();
        seconds.push_back(secondsSince(start));
        if (run >= runs) return result;
    }
}

SweepPoint measurePoint(const SweepSource& source, StillCodec codec, int quality, const SweepSettings& settings,
                        PreparedReferences& prepared, MeasureOverlap& overlap) {
    const StillParameters parameters{static_cast<std::uint8_t>(quality), settings.divisor, settings.passes};
    SweepPoint point;
    point.codec = codec;
    point.quality = quality;
    point.timingRuns = std::max(settings.timingRuns, 1);
    std::vector<double> encodeTimes, decodeTimes;
    MeasureOverlap::Turn turn = overlap.codingTurn();
    const Bytes file = timed(point.timingRuns, encodeTimes, [&] { return encodeAt(source, codec, parameters); });
    DecodedPicture decoded = timed(point.timingRuns, decodeTimes, [&] { return decodeAt(codec, file, source.caption); });
    turn.end();
    const TimeSpread encoding = spreadOf(std::move(encodeTimes));
    const TimeSpread decoding = spreadOf(std::move(decodeTimes));
    point.encodeSeconds = encoding.median;
    point.encodeFastest = encoding.fastest;
    point.encodeSlowest = encoding.slowest;
    point.decodeSeconds = decoding.median;
    point.decodeFastest = decoding.fastest;
    point.decodeSlowest = decoding.slowest;

    const QImage& reference = source.references.at(codec);
    // The report line's ratios come from the sums the PSNR family takes against the same picture.
    ByteEnergies energies;
    point.measures = measureStill(prepared.of(reference), decoded.bitmap, file.size(), settings.measures, energies);
    point.megapixels = static_cast<double>(reference.width()) * reference.height() / 1e6;
    const SnrTriple snr = snrOfEnergies(energies);
    const StillRunResult result =
        assembleResult({}, source.originalSize, file.size(), std::move(decoded), reportsSnr(codec) ? &snr : nullptr);
    point.figures = result.figures;
    point.reportLine = result.reportLine;
    return point;
}

}  // namespace

DecodedPicture decodedSweepPoint(const SweepSource& source, StillCodec codec, int quality,
                                 const SweepSettings& settings) {
    const StillParameters parameters{static_cast<std::uint8_t>(quality), settings.divisor, settings.passes};
    return decodeAt(codec, encodeAt(source, codec, parameters), source.caption);
}

TimeSpread spreadOf(std::vector<double> seconds) {
    if (seconds.empty()) throw Error("No times to take the median of");
    std::sort(seconds.begin(), seconds.end());
    const std::size_t middle = seconds.size() / 2;
    const double median = seconds.size() % 2 == 1 ? seconds[middle] : (seconds[middle - 1] + seconds[middle]) / 2;
    return {median, seconds.front(), seconds.back()};
}

double megapixelsPerSecond(double megapixels, double seconds) {
    return seconds > 0.0 ? megapixels / seconds : std::numeric_limits<double>::infinity();
}

SweepSource prepareSweep(const DocumentView& document, const SweepSettings& settings) {
    if (document.bitmap == nullptr || document.bitmap->isNull()) {
        throw Error("The document \"" + document.caption + "\" has no picture");
    }
    SweepSource source;
    source.caption = document.caption;
    source.originalSize = originalSizeOf(document);
    source.bitmap = *document.bitmap;
    if (std::find(settings.codecs.begin(), settings.codecs.end(), StillCodec::Avc) != settings.codecs.end()) {
        // A focus the decoder would refuse is refused before the first point is coded.
        const QSize decoded(document.bitmap->width() / 2 * 2, document.bitmap->height() / 2 * 2);
        namingFileOnError(document.caption, [&] {
            requireBoundedSharpening(settings.passes, decoded.width(), decoded.height(), "The focus");
        });
        if (document.planes != nullptr) source.planes = document.planes->clone();
    }
    for (StillCodec codec : settings.codecs)
        if (!source.references.contains(codec)) source.references[codec] = referencePictureFor(codec, document);
    return source;
}

SweepOutcome runSweep(const SweepSource& source, const SweepSettings& settings, const SweepProgress& progress) {
    const BitmapRecycling recycling;
    std::vector<SweepTask> tasks;
    for (StillCodec codec : settings.codecs)
        for (int quality : settings.qualities) tasks.push_back({codec, quality});
    const int total = static_cast<int>(tasks.size());
    std::vector<std::optional<SweepPoint>> points(tasks.size());
    std::vector<std::exception_ptr> failures(tasks.size());
    TaskQueue queue(total, progress);
    const std::shared_ptr<PreparedReferences> prepared =
        source.prepared ? source.prepared : std::make_shared<PreparedReferences>();
    MeasureOverlap overlap(settings.threads > 0 ? settings.threads : kernelThreads(), settings.timingRuns);
    const int threads = std::min(total, overlap.threads());
    parallelFor(std::max(threads, 1), threads, [&](int) {
        while (const std::optional<int> index = queue.next()) {
            const std::size_t i = static_cast<std::size_t>(*index);
            try {
                points[i] = measurePoint(source, tasks[i].codec, tasks[i].quality, settings, *prepared, overlap);
            } catch (...) {
                failures[i] = std::current_exception();
                queue.stop();
            }
        }
    });
    for (const std::exception_ptr& failure : failures)
        if (failure) std::rethrow_exception(failure);

    SweepOutcome outcome;
    outcome.cancelled = queue.cancelled();
    for (std::optional<SweepPoint>& point : points)
        if (point) outcome.points.push_back(std::move(*point));
    if (progress && !outcome.cancelled) progress(total, total);
    return outcome;
}

}  // namespace brenlow
