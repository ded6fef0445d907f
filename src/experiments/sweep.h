#pragma once

#include <QImage>
#include <cstdint>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "catalogue/codec_curve.h"
#include "catalogue/still_codec.h"
#include "codecs/document.h"
#include "experiments/coding_clock.h"
#include "experiments/kept_decoded.h"
#include "experiments/timed_run.h"
#include "imaging/image_planes.h"
#include "imaging/quality_metrics.h"
#include "io/error.h"
#include "measures/prepared_reference.h"
#include "measures/still_measures.h"

namespace brenlow {

class PointHelpers;

// The jpeg, avc and ajc curves at their defaults.
std::vector<CodecCurve> defaultSweepCurves();

// What a rate-distortion sweep tries: each curve (a codec at its settings) at each of its
// qualities, and which measures it takes.
struct SweepSettings {
    std::vector<CodecCurve> curves = defaultSweepCurves();
    std::vector<int> qualities{10, 20, 30, 40, 50, 60, 70, 80, 90};  // of the curves without their own
    // Sizes in bits per pixel, ascending: when given, each curve is coded once per target, at the
    // highest quality whose bits per pixel do not exceed it, instead of at the qualities.
    std::vector<double> bppTargets;
    float divisor = 2.5f;     // the divisor and focus the run gave the curves that did not name
    std::int32_t passes = 2;  // their own, as the data set's parameters record them
    MeasureChoice measures;  // the slow measures may be left out
    int threads = 0;         // points coded at once, each holding one decoded picture; 0: one per core
    int timingRuns = 1;      // each point coded and decoded this many times, its times the medians
    int sweepsAtOnce = 1;    // sweeps coding side by side in this process (a data set's items at once)
    // Called with each point and its decoded picture; returns where it kept the picture, so that the
    // point can be shown and checked later without coding it again. Unset: nothing is kept.
    std::function<KeptPicture(const CodecCurve& curve, int quality, const QImage& decoded)> keepDecoded;
    // Where idle threads of the same run take points of this sweep too; null: only its own threads.
    PointHelpers* pointHelpers = nullptr;
};

// Everything a sweep reads, taken from the document and its files up front, so that the sweep
// itself touches no file and may run on another thread while the document changes.
struct SweepSource {
    std::string caption;
    std::uint64_t originalSize = 0;
    QImage bitmap;                            // the document's picture, what the JPEG experiment codes
    ImagePlanes planes;                       // the document's planes, what the AVC codec halves; empty
                                              // when it has none and the AVC codec halves the bitmap
    std::map<ReferencePicture, QImage> references;  // each picture the sweep's curves are measured against
    std::shared_ptr<PreparedReferences> prepared;  // shared with the picture's other runs; null: the sweep's own

    // The picture the curve's points are measured against. Throws std::out_of_range for a curve
    // the source was not prepared for.
    const QImage& referenceFor(const CodecCurve& curve) const { return references.at(referencePictureOf(curve)); }
};

// The points a sweep of the settings codes: each curve's qualities, or the size targets for each curve, added up.
int sweepPointCount(const SweepSettings& settings);

// Reads the source file's size and the reference pictures the curves of `settings` need.
// Throws Error when the document has no picture or a file cannot be read.
SweepSource prepareSweep(const DocumentView& document, const SweepSettings& settings);

// One curve at one quality: the figures and report line its single command would give, and
// every measure.
struct SweepPoint {
    StillCodec codec = StillCodec::Jpeg;  // its kind; the curve names a codec known by its name
    std::string curve;  // the name of its curve
    int quality = 0;
    CompressionFigures figures;
    std::string reportLine;
    StillMeasures measures;
    double encodeSeconds = 0.0;  // wall-clock time of coding alone, then of decoding alone: the
    double decodeSeconds = 0.0;  // median of the timing runs; NaN when unknown (decoded elsewhere)
    double encodeFastest = 0.0;  // the spread of the timing runs, fastest and slowest
    double encodeSlowest = 0.0;
    double decodeFastest = 0.0;
    double decodeSlowest = 0.0;
    int timingRuns = 1;          // 0: not timed (decoded elsewhere)
    double megapixels = 0.0;     // of the reference picture
    double targetBpp = std::numeric_limits<double>::quiet_NaN();  // the size it was coded for, when it was
    bool targetMissed = false;   // even the lowest quality codes above the target: the point is that quality
    // Processor seconds (user + system), the medians of the timing runs: of the coding thread, on
    // which a built-in codec codes alone while timed, or of each call of a described codec's
    // programs with the children they waited for. NaN where unknown (kept before they were recorded,
    // or decoded elsewhere).
    double encodeCpuSeconds = std::numeric_limits<double>::quiet_NaN();
    double decodeCpuSeconds = std::numeric_limits<double>::quiet_NaN();
    bool timesAreCalls = false;  // a codec described by commands: the times are of its programs' calls
    CpuClock cpuClock = CpuClock::CodingThread;  // of a built-in codec: the clock its processor seconds are read on
    std::string label;  // a point decoded elsewhere: its folder's name ("0.0130"), which `quality`
                        // stands for when it is no whole number
    KeptPicture keptDecoded;  // its decoded picture's file, when one is kept: a point decoded elsewhere,
                              // or one of a codec run by commands in a result folder
};

// The median of some times (the mean of the middle two for an even count), and the fastest and
// slowest of them. Throws Error for no times.
struct TimeSpread {
    double median = 0.0;
    double fastest = 0.0;
    double slowest = 0.0;
};
TimeSpread spreadOf(std::vector<double> seconds);

// The point's wall-clock times, each the median of its timing runs, with their spread, and the
// medians of its processor times. Throws Error for no runs.
void takeTimes(SweepPoint& point, CodingTimes encoding, CodingTimes decoding);

// The threads each codec codes on while a sweep times it: the libraries' own thread settings and
// our codecs' kernels alike (CodingOnCallingThread).
inline constexpr int kTimedCodecThreads = 1;

// The codings a sweep of the settings runs side by side, its own points and other sweeps' together:
// above one, its times are taken on shared cores.
int timedCodingsAtOnce(const SweepSettings& settings);

// Speed in megapixels per second; infinity when the clock saw no time pass, NaN when the time is
// unknown (NaN).
double megapixelsPerSecond(double megapixels, double seconds);

// Marks a point whose coding was not timed here (decoded elsewhere): its times become NaN, which
// every writer shows as unknown ("n/a", null) rather than as an instant coding.
void markTimesUnknown(SweepPoint& point);

// A curve whose codec's programs failed at one of its points, with that point's error (the codec,
// the quality and the last lines of the program's stderr).
struct FailedCurve {
    std::string curve;
    Error error;
};

struct SweepOutcome {
    std::vector<CodecCurve> curves;  // as the settings gave them
    std::vector<SweepPoint> points;  // curve by curve in that order, qualities within
    bool cancelled = false;
    std::vector<FailedCurve> failedCurves;  // in the curves' order; none of their points is in `points`
    TimedRun timedRun;  // how its points were timed, as the run that timed them records it; none: unknown
};

// Asked before each point is started, in order, with the number started before it and the total;
// returning false stops the sweep. Called from the sweep's threads, one call at a time.
using SweepProgress = std::function<bool(int done, int total)>;

// Codes and decodes every point in memory, timing each half; writes nothing. Points run on
// settings.threads threads with the same figures as on one. A cancelled sweep keeps the points
// started before it, in order. A curve run by commands whose programs fail is left out with its
// first failed point's error in failedCurves, and the other curves go on, as a data set goes on past
// a failed item. Otherwise throws Error as the single commands do (a picture too small for the AVC
// codec): the error of the first point in order that failed.
SweepOutcome runSweep(const SweepSource& source, const SweepSettings& settings, const SweepProgress& progress = {});

// One point coded and decoded again in memory exactly as runSweep codes it, for a caller that
// shows it beside source.referenceFor(curve). Throws Error as runSweep does.
DecodedPicture decodedSweepPoint(const SweepSource& source, const CodecCurve& curve, int quality);

// A point of a sweep made earlier, to be shown beside source.referenceFor(curve): the
// decoded picture it keeps, as it was measured, or else coded again as decodedSweepPoint does.
// Throws Error as keptDecodedPicture and decodedSweepPoint do.
DecodedPicture decodedStoredPoint(const SweepSource& source, const CodecCurve& curve, const SweepPoint& point);

}  // namespace brenlow
