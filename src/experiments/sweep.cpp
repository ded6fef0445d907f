#include "experiments/sweep.h"

#include "catalogue/codec_registry.h"
#include "experiments/command_sweep_point.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <limits>
#include <mutex>
#include <optional>
#include <set>
#include <utility>

#include "codecs/codec_steps.h"
#include "codecs/field_rules.h"
#include "codecs/still_codecs.h"
#include "experiments/measure_overlap.h"
#include "experiments/point_helpers.h"
#include "imaging/bitmap_bridge.h"
#include "imaging/parallel.h"
#include "io/bitmap_file.h"
#include "io/bitmap_recycling.h"
#include "io/error.h"
#include "io/file_io.h"

namespace brenlow {
namespace {

// The picture every codec codes from: the document's bitmap, its planes, its source file's picture.
PictureToCode pictureToCode(const SweepSource& source) {
    const auto sourceFile = source.references.find(ReferencePicture::SourceFile);
    return {source.bitmap, &source.planes, sourceFile != source.references.end() ? sourceFile->second : QImage()};
}

// The coded file alone: what the codec's command would write at the curve's settings.
Bytes encodeAt(const SweepSource& source, const CodecCurve& curve, int quality) {
    return codecEntryOf(curve).coding->encode(pictureToCode(source), quality, curve.settings);
}

DecodedPicture decodeAt(const CodecCurve& curve, const Bytes& file, int quality, const std::string& caption) {
    DecodedPicture decoded;
    decoded.caption = caption;
    decoded.bitmap = codecEntryOf(curve).coding->decode(file, quality, curve.settings);
    return decoded;
}

struct SweepTask {
    const CodecCurve* curve;
    int quality;                                             // when it has no target
    double target = std::numeric_limits<double>::quiet_NaN();  // bits per pixel
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

// The highest quality of the codec's range whose file has at most `target` bits per pixel, found by
// bisection on the assumption that size grows with quality (each quality coded once); the lowest
// quality, marked missed, when even that is larger.
struct TargetQuality {
    int quality = 0;
    bool missed = false;
};

TargetQuality qualityForTarget(const SweepSource& source, const CodecCurve& curve, double target) {
    const QImage& reference = source.referenceFor(curve);
    const CodecEntry& codec = codecEntryOf(curve);
    const QualityRange range = codec.qualities;
    const auto codedBytes = [&](int quality) {
        return codec.coding->codedSize(pictureToCode(source), quality, curve.settings);
    };
    const auto fits = [&](int quality) {
        return bitsPerPixel(codedBytes(quality), reference.width(), reference.height()) <= target;
    };
    if (!fits(range.lowest)) return {range.lowest, true};
    if (fits(range.highest)) return {range.highest, false};
    int fitting = range.lowest, tooLarge = range.highest;
    while (tooLarge - fitting > 1) {
        const int middle = fitting + (tooLarge - fitting) / 2;
        (fits(middle) ? fitting : tooLarge) = middle;
    }
    return {fitting, false};
}

// The points a sweep runs on, measures overlapping their codings or not.
MeasureOverlap overlapOf(const SweepSettings& settings) {
    return MeasureOverlap(settings.threads > 0 ? settings.threads : kernelThreads(), settings.timingRuns,
                          std::max(settings.sweepsAtOnce, 1));
}

// A coding that is all the process does is read on the process's clock, which holds the time of any
// thread a library codes on; beside other work only its own thread's clock is its alone.
CpuClock clockFor(const SweepSettings& settings, const MeasureOverlap& overlap) {
    return settings.sweepsAtOnce <= 1 && overlap.threads() == 1 ? CpuClock::Process : CpuClock::CodingThread;
}

// A caller's decoder may give a picture of another size, which the measures would take in part.
void requireSourceSize(const CodecCurve& curve, int quality, const QImage& decoded, const QImage& reference) {
    if (decoded.size() == reference.size() || !isCallerCurve(curve)) return;
    throw Error("The codec \"" + curve.otherCodec + "\" decoded its file of quality " + std::to_string(quality) +
                " as " + std::to_string(decoded.width()) + " x " + std::to_string(decoded.height()) +
                " pixels; the picture is " + std::to_string(reference.width()) + " x " +
                std::to_string(reference.height()));
}

SweepPoint measurePoint(const SweepSource& source, const CodecCurve& curve, int quality, const SweepSettings& settings,
                        PreparedReferences& prepared, MeasureOverlap& overlap) {
    SweepPoint point;
    point.codec = curve.codec;
    point.curve = curve.name;
    point.quality = quality;
    point.timingRuns = std::max(settings.timingRuns, 1);
    point.cpuClock = clockFor(settings, overlap);
    CodingTimes encodeTimes, decodeTimes;
    MeasureOverlap::Turn turn = overlap.codingTurn();
    const Bytes file = timedOnCallingThread(point.timingRuns, encodeTimes, point.cpuClock,
                                            [&] { return encodeAt(source, curve, quality); });
    DecodedPicture decoded = timedOnCallingThread(point.timingRuns, decodeTimes, point.cpuClock,
                                                  [&] { return decodeAt(curve, file, quality, source.caption); });
    turn.end();
    takeTimes(point, std::move(encodeTimes), std::move(decodeTimes));

    const QImage& reference = source.referenceFor(curve);
    requireSourceSize(curve, quality, decoded.bitmap, reference);
    // The report line's ratios come from the sums the PSNR family takes against the same picture.
    ByteEnergies energies;
    point.measures = measureStill(prepared.of(reference), decoded.bitmap, file.size(), settings.measures, energies);
    // Kept in its source's colours, so that another tool reads the same colours the measures saw.
    if (settings.keepDecoded)
        point.keptDecoded = settings.keepDecoded(curve, quality, inSourceColours(decoded.bitmap, reference));
    point.megapixels = static_cast<double>(reference.width()) * reference.height() / 1e6;
    const SnrTriple snr = snrOfEnergies(energies);
    const SnrTriple* reported = codecEntryOf(curve).reportsSnr ? &snr : nullptr;
    const StillRunResult result = assembleResult({}, source.originalSize, file.size(), std::move(decoded), reported);
    point.figures = result.figures;
    point.reportLine = result.reportLine;
    return point;
}

// The programs of a codec run by commands, and a caller's functions, fail for reasons of their own
// (a program missing, a time limit, a fault of the caller's): that curve alone is left out. Anything
// else, and any other codec's failure, ends the sweep.
std::optional<Error> curveAloneFailure(const SweepTask& task, const std::exception_ptr& failure) {
    if (task.curve->codec != StillCodec::Command && !isCallerCurve(*task.curve)) return std::nullopt;
    try {
        std::rethrow_exception(failure);
    } catch (const Error& error) {
        return error;
    } catch (...) {
        return std::nullopt;
    }
}

// The curves whose programs failed, so that their later points are not run at all.
class FailedCurveNames {
public:
    void add(const std::string& curve) {
        const std::lock_guard lock(mutex_);
        names_.insert(curve);
    }
    bool holds(const std::string& curve) {
        const std::lock_guard lock(mutex_);
        return names_.count(curve) > 0;
    }

private:
    std::mutex mutex_;
    std::set<std::string> names_;
};

// Rethrows a failure that ends the sweep, naming the picture unless it names a file already.
[[noreturn]] void rethrowNamingPicture(const std::exception_ptr& failure, const std::string& caption) {
    try {
        std::rethrow_exception(failure);
    } catch (const Error& error) {
        throw error.concerning(caption);
    }
}

// Rethrows the first failure in order that ends the sweep; records each failed curve's first
// failure and drops that curve's points.
void settleFailures(const std::vector<SweepTask>& tasks, const std::vector<std::exception_ptr>& failures,
                    std::vector<std::optional<SweepPoint>>& points, SweepOutcome& outcome, const std::string& caption) {
    for (std::size_t i = 0; i < tasks.size(); ++i)
        if (failures[i] && !curveAloneFailure(tasks[i], failures[i])) rethrowNamingPicture(failures[i], caption);
    for (std::size_t i = 0; i < tasks.size(); ++i) {
        const std::string& curve = tasks[i].curve->name;
        const bool known = std::any_of(outcome.failedCurves.begin(), outcome.failedCurves.end(),
                                       [&](const FailedCurve& failed) { return failed.curve == curve; });
        if (failures[i] && !known) outcome.failedCurves.push_back({curve, *curveAloneFailure(tasks[i], failures[i])});
    }
    for (std::optional<SweepPoint>& point : points) {
        const bool failed = point && std::any_of(outcome.failedCurves.begin(), outcome.failedCurves.end(),
                                                 [&](const FailedCurve& curve) { return curve.curve == point->curve; });
        if (failed) point.reset();
    }
}

SweepPoint pointOf(const SweepSource& source, const SweepTask& task, const SweepSettings& settings,
                   PreparedReferences& prepared, MeasureOverlap& overlap) {
    const bool commands = task.curve->codec == StillCodec::Command;
    // A described codec's programs code and measure in one call: the call holds the coding turn, so
    // that its codings stay one at a time where the others' are.
    const auto commandPoint = [&](int quality) {
        MeasureOverlap::Turn turn = overlap.codingTurn();
        return commandSweepPoint(source, *task.curve, quality, settings);
    };
    if (std::isnan(task.target)) {
        return commands ? commandPoint(task.quality)
                        : measurePoint(source, *task.curve, task.quality, settings, prepared, overlap);
    }
    // The search codes in the coding turn too, so that codings stay one at a time where they are.
    // A codec run by commands is probed with its encoder alone.
    MeasureOverlap::Turn turn = overlap.codingTurn();
    const TargetQuality found = qualityForTarget(source, *task.curve, task.target);
    turn.end();
    SweepPoint point = commands ? commandPoint(found.quality)
                                : measurePoint(source, *task.curve, found.quality, settings, prepared, overlap);
    point.targetBpp = task.target;
    point.targetMissed = found.missed;
    return point;
}

}  // namespace

std::vector<CodecCurve> defaultSweepCurves() {
    return defaultCurves({StillCodec::Jpeg, StillCodec::Avc, StillCodec::Ajc});
}

int sweepPointCount(const SweepSettings& settings) {
    std::size_t points = 0;
    for (const CodecCurve& curve : settings.curves)
        points += settings.bppTargets.empty() ? curve.qualitiesOr(settings.qualities).size() : settings.bppTargets.size();
    return static_cast<int>(points);
}

DecodedPicture decodedSweepPoint(const SweepSource& source, const CodecCurve& curve, int quality) {
    if (curve.codec == StillCodec::Command) return commandDecodedPoint(source, curve, quality);
    return decodeAt(curve, encodeAt(source, curve, quality), quality, source.caption);
}

DecodedPicture decodedStoredPoint(const SweepSource& source, const CodecCurve& curve, const SweepPoint& point) {
    if (point.keptDecoded.path.empty()) return decodedSweepPoint(source, curve, point.quality);
    DecodedPicture decoded;
    decoded.caption = source.caption;
    decoded.bitmap = keptDecodedPicture(point.keptDecoded, source.referenceFor(curve).size());
    return decoded;
}

void takeTimes(SweepPoint& point, CodingTimes encoding, CodingTimes decoding) {
    const TimeSpread encodeWall = spreadOf(std::move(encoding.wall));
    const TimeSpread decodeWall = spreadOf(std::move(decoding.wall));
    point.encodeSeconds = encodeWall.median;
    point.encodeFastest = encodeWall.fastest;
    point.encodeSlowest = encodeWall.slowest;
    point.decodeSeconds = decodeWall.median;
    point.decodeFastest = decodeWall.fastest;
    point.decodeSlowest = decodeWall.slowest;
    point.encodeCpuSeconds = spreadOf(std::move(encoding.cpu)).median;
    point.decodeCpuSeconds = spreadOf(std::move(decoding.cpu)).median;
}

TimeSpread spreadOf(std::vector<double> seconds) {
    if (seconds.empty()) throw Error("No times to take the median of");
    std::sort(seconds.begin(), seconds.end());
    const std::size_t middle = seconds.size() / 2;
    const double median = seconds.size() % 2 == 1 ? seconds[middle] : (seconds[middle - 1] + seconds[middle]) / 2;
    return {median, seconds.front(), seconds.back()};
}

int timedCodingsAtOnce(const SweepSettings& settings) {
    const MeasureOverlap overlap = overlapOf(settings);
    const int points = overlap.codingsAtOnce(std::max(sweepPointCount(settings), 1));
    return std::max(settings.sweepsAtOnce, 1) * points;
}

double megapixelsPerSecond(double megapixels, double seconds) {
    if (std::isnan(seconds)) return seconds;
    return seconds > 0.0 ? megapixels / seconds : std::numeric_limits<double>::infinity();
}

void markTimesUnknown(SweepPoint& point) {
    const double unknown = std::numeric_limits<double>::quiet_NaN();
    point.timingRuns = 0;
    for (double* seconds : {&point.encodeSeconds, &point.decodeSeconds, &point.encodeFastest, &point.encodeSlowest,
                            &point.decodeFastest, &point.decodeSlowest, &point.encodeCpuSeconds, &point.decodeCpuSeconds})
        *seconds = unknown;
}

SweepSource prepareSweep(const DocumentView& document, const SweepSettings& settings) {
    if (document.bitmap == nullptr || document.bitmap->isNull()) {
        throw Error("The document \"" + document.caption + "\" has no picture");
    }
    SweepSource source;
    source.caption = document.caption;
    source.originalSize = originalSizeOf(document);
    source.bitmap = *document.bitmap;
    for (const CodecCurve& curve : settings.curves) {
        if (curve.codec != StillCodec::Avc) continue;
        // A focus the decoder would refuse is refused before the first point is coded.
        const QSize decoded(document.bitmap->width() / 2 * 2, document.bitmap->height() / 2 * 2);
        const std::int32_t passes = stillParametersOf(curve, 80).passes;
        namingFileOnError(document.caption, [&] {
            requireBoundedSharpening(passes, decoded.width(), decoded.height(), "The focus");
        });
        if (document.planes != nullptr && source.planes.empty()) source.planes = document.planes->clone();
    }
    for (const CodecCurve& curve : settings.curves) {
        const ReferencePicture reference = referencePictureOf(curve);
        if (!source.references.contains(reference)) source.references[reference] = referencePicture(reference, document);
    }
    return source;
}

SweepOutcome runSweep(const SweepSource& source, const SweepSettings& settings, const SweepProgress& progress) {
    const BitmapRecycling recycling;
    prepareImageReaders();
    std::vector<SweepTask> tasks;
    for (const CodecCurve& curve : settings.curves) {
        if (!settings.bppTargets.empty()) {
            for (double target : settings.bppTargets) tasks.push_back({&curve, 0, target});
            continue;
        }
        for (int quality : curve.qualitiesOr(settings.qualities)) tasks.push_back({&curve, quality});
    }
    const int total = static_cast<int>(tasks.size());
    std::vector<std::optional<SweepPoint>> points(tasks.size());
    std::vector<std::exception_ptr> failures(tasks.size());
    TaskQueue queue(total, progress);
    const std::shared_ptr<PreparedReferences> prepared =
        source.prepared ? source.prepared : std::make_shared<PreparedReferences>();
    MeasureOverlap overlap = overlapOf(settings);
    const int threads = std::min(total, overlap.threads());
    FailedCurveNames failedCurves;
    std::exception_ptr progressFailure;
    std::mutex progressFailureLock;
    // Codes the next point, on whichever thread calls it; false once none is left to start.
    const auto codeOne = [&]() -> bool {
        std::optional<int> index;
        try {
            index = queue.next();
        } catch (...) {
            const std::lock_guard lock(progressFailureLock);
            if (!progressFailure) progressFailure = std::current_exception();
            queue.stop();
            return false;
        }
        if (!index) return false;
        const std::size_t i = static_cast<std::size_t>(*index);
        if (failedCurves.holds(tasks[i].curve->name)) return true;
        try {
            points[i] = pointOf(source, tasks[i], settings, *prepared, overlap);
        } catch (...) {
            failures[i] = std::current_exception();
            if (curveAloneFailure(tasks[i], failures[i])) failedCurves.add(tasks[i].curve->name);
            else queue.stop();
        }
        return true;
    };
    {
        std::optional<PointHelpers::Offered> offered;
        if (settings.pointHelpers != nullptr) offered.emplace(*settings.pointHelpers, codeOne);
        parallelFor(std::max(threads, 1), threads, [&](int) {
            while (codeOne()) {
            }
        });
    }
    if (progressFailure) std::rethrow_exception(progressFailure);

    SweepOutcome outcome;
    settleFailures(tasks, failures, points, outcome, source.caption);
    outcome.curves = settings.curves;
    outcome.cancelled = queue.cancelled();
    for (std::optional<SweepPoint>& point : points)
        if (point) outcome.points.push_back(std::move(*point));
    if (progress && !outcome.cancelled) progress(total, total);
    return outcome;
}

}  // namespace brenlow
