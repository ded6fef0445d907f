#include "experiments/sweep.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <stdexcept>
#include <filesystem>
#include <functional>
#include <time.h>
#include <utility>

#include "catalogue/codec_registry.h"
#include "codecs/still_codecs.h"
#include "experiments/sweep_report.h"
#include "imaging/parallel.h"
#include "io/bitmap_file.h"
#include "io/error.h"
#include "io/file_io.h"
#include "jpeg/jpeg_bridge.h"
#include "support/test_support.h"

namespace brenlow {
namespace {

using testing::TempDir;
namespace fs = std::filesystem;

int filesIn(const TempDir& dir) {
    return static_cast<int>(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()));
}

// An odd-sized photograph: the AVC codec then decodes a picture one column smaller.
class SweepTest : public ::testing::Test {
protected:
    SweepTest() : document(openPictureDocument(testing::copyInto(testing::testDataPath("chelsea.bmp"), dir))) {}

    SweepOutcome sweep(const SweepSettings& settings, const SweepProgress& progress = {}) {
        return runSweep(prepareSweep(document.view(), settings), settings, progress);
    }

    TempDir dir;
    PictureDocument document;
};

// The sweep decodes every AVC point: a focus the decoder would refuse is refused before any is coded.
TEST(SweepFocusTest, AFocusTheDecoderWouldRefuseIsRefusedUpFront) {
    TempDir dir;
    const std::string path = dir.file("big.bmp");
    saveBitmapFile(testing::patternBitmap(2000, 1200), path);
    const PictureDocument document = openPictureDocument(path, false);
    SweepSettings settings;
    settings.curves = defaultCurves({StillCodec::Jpeg, StillCodec::Avc}, runDefaultsOf(2, 1000));
    try {
        prepareSweep(document.view(), settings);
        FAIL() << "the focus was accepted";
    } catch (const Error& error) {
        EXPECT_EQ(std::string(error.what()).rfind("The focus asks for 1000 sharpening passes on 2000 x 1200 pixels", 0), 0u)
            << error.what();
        EXPECT_NE(std::string(error.what()).find(path), std::string::npos) << error.what();
    }
    settings.curves = defaultCurves({StillCodec::Jpeg});
    EXPECT_NO_THROW(prepareSweep(document.view(), settings));
}

TEST_F(SweepTest, EveryPointEqualsItsSingleCommandAndNothingIsWritten) {
    SweepSettings settings;
    settings.qualities = {35, 80};
    const SweepOutcome outcome = sweep(settings);
    ASSERT_EQ(outcome.points.size(), 6u);
    EXPECT_FALSE(outcome.cancelled);
    EXPECT_EQ(filesIn(dir), 1) << "the sweep codes in memory";

    for (const SweepPoint& point : outcome.points) {
        SCOPED_TRACE(std::string(codecName(point.codec)) + " at " + std::to_string(point.quality));
        const StillParameters parameters{static_cast<std::uint8_t>(point.quality), settings.divisor, settings.passes};
        const StillRunResult single =
            point.codec == StillCodec::Jpeg  ? runJpegExperiment(document.view(), parameters.quality)
            : point.codec == StillCodec::Avc ? encodeAvcStill(document.view(), parameters)
                                             : encodeAjcStill(document.view(), parameters);
        EXPECT_EQ(point.reportLine, single.reportLine);
        EXPECT_EQ(point.figures.codedSize, single.figures.codedSize);
        EXPECT_EQ(point.figures.compressionRatio, single.figures.compressionRatio);
        const StillMeasures measures = measureStill(referencePictureFor(point.codec, document.view()),
                                                    single.decoded.bitmap, single.figures.codedSize);
        EXPECT_EQ(point.measures.picture.psnr, measures.picture.psnr);
        EXPECT_EQ(point.measures.picture.ssimLuma, measures.picture.ssimLuma);
        EXPECT_EQ(point.measures.bitsPerPixel, 8.0 * single.figures.codedSize / (451 * 300));
    }
}

TEST_F(SweepTest, HigherQualityCostsMoreBitsAndGivesMoreFidelity) {
    SweepSettings settings;
    settings.qualities = {20, 90};
    const SweepOutcome outcome = sweep(settings);
    for (std::size_t i = 0; i < outcome.points.size(); i += 2) {
        const StillMeasures& low = outcome.points[i].measures;
        const StillMeasures& high = outcome.points[i + 1].measures;
        EXPECT_LT(low.bitsPerPixel, high.bitsPerPixel);
        EXPECT_LT(low.picture.psnr, high.picture.psnr);
        EXPECT_LT(low.picture.ssimLuma, high.picture.ssimLuma);
    }
}

TEST_F(SweepTest, ProgressCountsThePointsAndFalseStopsTheSweep) {
    SweepSettings settings;
    settings.curves = defaultCurves({StillCodec::Avc, StillCodec::Jpeg});
    settings.qualities = {30, 60, 90};
    std::vector<int> seen;
    const SweepOutcome whole = sweep(settings, [&](int done, int total) {
        EXPECT_EQ(total, 6);
        seen.push_back(done);
        return true;
    });
    EXPECT_EQ(seen, (std::vector<int>{0, 1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(whole.points[3].codec, StillCodec::Jpeg) << "codec by codec, in the order asked";

    const SweepOutcome stopped = sweep(settings, [](int done, int) { return done < 2; });
    EXPECT_TRUE(stopped.cancelled);
    ASSERT_EQ(stopped.points.size(), 2u);
    EXPECT_EQ(stopped.points[1].reportLine, whole.points[1].reportLine);
}

// Every figure of every point, bit for bit; the timings may differ.
void expectSamePoints(const SweepOutcome& a, const SweepOutcome& b) {
    ASSERT_EQ(a.points.size(), b.points.size());
    for (std::size_t i = 0; i < a.points.size(); ++i) {
        const SweepPoint& p = a.points[i];
        const SweepPoint& q = b.points[i];
        SCOPED_TRACE(std::string(codecName(p.codec)) + " " + std::to_string(p.quality));
        EXPECT_EQ(p.codec, q.codec);
        EXPECT_EQ(p.quality, q.quality);
        EXPECT_EQ(p.reportLine, q.reportLine);
        EXPECT_EQ(p.figures.codedSize, q.figures.codedSize);
        EXPECT_EQ(p.measures.bitsPerPixel, q.measures.bitsPerPixel);
        const PictureMeasures& m = p.measures.picture;
        const PictureMeasures& n = q.measures.picture;
        for (const auto& [x, y] : {std::pair{m.psnrRed, n.psnrRed}, {m.psnrGreen, n.psnrGreen}, {m.psnrBlue, n.psnrBlue},
                                   {m.psnr, n.psnr}, {m.psnrLuma, n.psnrLuma}, {m.ssimLuma, n.ssimLuma},
                                   {m.msSsimLuma, n.msSsimLuma}, {m.ciede2000, n.ciede2000},
                                   {m.butteraugliMax, n.butteraugliMax}, {m.butteraugli3Norm, n.butteraugli3Norm},
                                   {m.ssimulacra2, n.ssimulacra2}})
            EXPECT_TRUE(x == y || (std::isnan(x) && std::isnan(y))) << x << " against " << y;
    }
}

TEST_F(SweepTest, OneThreadOrTwoAndPlanesOrBitmapGiveTheSamePointsInTheSameOrder) {
    SweepSettings settings;
    settings.qualities = {20, 55, 90};
    settings.measures = MeasureChoice::only({"ms_ssim", "ciede2000"});
    settings.threads = 1;
    const SweepOutcome one = sweep(settings);
    settings.threads = 2;
    const SweepOutcome two = sweep(settings);
    ASSERT_EQ(one.points.size(), 9u);
    EXPECT_EQ(two.points[3].codec, StillCodec::Avc);
    EXPECT_EQ(two.points[3].quality, 20);
    expectSamePoints(one, two);

    // Without planes the AVC codec halves the bitmap itself, to the same bytes.
    DocumentView bitmapOnly = document.view();
    bitmapOnly.planes = nullptr;
    const SweepSource source = prepareSweep(bitmapOnly, settings);
    EXPECT_TRUE(source.planes.empty());
    expectSamePoints(one, runSweep(source, settings));
}

TEST_F(SweepTest, PointsMeasuredWhileTheNextIsCodedGiveTheFiguresOfOneAtATime) {
    // One thread per sweep measures each point while the next is coded; timed twice, each point
    // keeps the machine to itself; two threads code two points at once. The slow measures all run.
    SweepSettings settings;
    settings.curves = defaultCurves({StillCodec::Jpeg, StillCodec::Avc});
    settings.qualities = {25, 80};
    settings.measures = MeasureChoice::every();
    settings.threads = 1;
    const SweepOutcome overlapped = sweep(settings);
    settings.timingRuns = 2;
    expectSamePoints(overlapped, sweep(settings));
    settings.timingRuns = 1;
    settings.threads = 2;
    expectSamePoints(overlapped, sweep(settings));
    EXPECT_EQ(overlapped.points.size(), 4u);
}

TEST_F(SweepTest, TheErrorOfTheFirstFailingPointInOrderIsThrown) {
    SweepSettings settings;
    settings.curves = defaultCurves({StillCodec::Jpeg, StillCodec::Ajc});
    settings.qualities = {50, 60};
    settings.threads = 2;
    SweepSource source = prepareSweep(document.view(), settings);
    source.references.erase(ReferencePicture::SourceFile);
    EXPECT_THROW(runSweep(source, settings), std::out_of_range);
    std::atomic<int> asked{0};
    source.references.erase(ReferencePicture::DocumentFile);
    EXPECT_THROW(runSweep(source, settings, [&](int, int) { return ++asked > 0; }), std::out_of_range);
    EXPECT_LE(asked, 2) << "no point is started after one failed";
}

TEST_F(SweepTest, RefusesADocumentWithoutPictureOrAPictureTooSmallForTheAvcCodec) {
    const DocumentView empty{document.caption, nullptr, nullptr};
    EXPECT_THROW(prepareSweep(empty, SweepSettings{}), Error);

    const std::string tiny = dir.file("tiny.bmp");
    const QImage picture = testing::patternBitmap(3, 3);
    picture.save(QString::fromStdString(tiny), "BMP");
    const PictureDocument small = openPictureDocument(tiny);
    SweepSettings settings;
    settings.qualities = {50};
    EXPECT_THROW(runSweep(prepareSweep(small.view(), settings), settings), Error);
}

TEST_F(SweepTest, CsvHasAHeaderAndOneQuotedRowPerPoint) {
    SweepSettings settings;
    settings.curves = defaultCurves({StillCodec::Ajc});
    settings.qualities = {50, 70};
    const SweepOutcome outcome = sweep(settings);
    const std::string csv = sweepCsv(outcome);
    const std::string header =
        "codec,quality,coded_size,original_size,ratio,bits_per_pixel,psnr_r,psnr_g,psnr_b,psnr,psnr_y,ssim_y,report,"
        "ms_ssim_y,ms_ssim_y_db,ciede2000,butteraugli_max,butteraugli_3norm,ssimulacra2,settings,encode_seconds,decode_seconds,"
        "encode_megapixels_per_second,decode_megapixels_per_second,encode_cpu_seconds,decode_cpu_seconds\r\n";
    ASSERT_EQ(csv.substr(0, header.size()), header);
    const SweepPoint& first = outcome.points[0];
    const std::string row = "ajc,50," + std::to_string(first.figures.codedSize) + ",406854,";
    EXPECT_EQ(csv.substr(header.size(), row.size()), row);
    const PictureMeasures& m = first.measures.picture;
    const std::string perceptual = formatMeasure(m.msSsimLuma, 6) + "," + formatMeasure(m.msSsimLumaDb, 4) + "," +
                                   formatMeasure(m.ciede2000, 4) + "," + formatMeasure(m.butteraugliMax, 4) + "," +
                                   formatMeasure(m.butteraugli3Norm, 4) + "," + formatMeasure(m.ssimulacra2, 4);
    const std::string timing = formatMeasure(first.encodeSeconds, 6) + "," + formatMeasure(first.decodeSeconds, 6) + "," +
                               formatMeasure(megapixelsPerSecond(first.megapixels, first.encodeSeconds), 2) + "," +
                               formatMeasure(megapixelsPerSecond(first.megapixels, first.decodeSeconds), 2) + "," +
                               formatMeasure(first.encodeCpuSeconds, 6) + "," + formatMeasure(first.decodeCpuSeconds, 6);
    EXPECT_NE(csv.find(",\"" + first.reportLine + "\"," + perceptual + ",divisor=2," + timing + "\r\n"), std::string::npos)
        << "the settings column comes before the timing columns";
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 3);
}

TEST_F(SweepTest, DeltaRatesOfTheOwnCodecsAgainstJpeg) {
    SweepSettings settings;
    settings.qualities = {20, 40, 60, 80, 90};
    const SweepOutcome outcome = sweep(settings);
    const std::vector<DeltaRow> rows = deltaTable(outcome, "jpeg", {CurveMeasure("psnr")});
    ASSERT_EQ(rows.size(), 4u) << "AVC and AJC, each cubic and PCHIP";
    EXPECT_EQ(rows[0].curve, "avc");
    EXPECT_EQ(rows[2].curve, "ajc");
    EXPECT_EQ(rows[3].interpolation, BdInterpolation::Pchip);
    EXPECT_EQ(curveOf(outcome, "avc", CurveMeasure("ssim_y")).size(), 5u);
    // The curve of a codec against itself is the zero check of the whole path.
    const auto jpeg = curveOf(outcome, "jpeg", CurveMeasure("psnr"));
    EXPECT_NEAR(bjontegaardDeltaRate(jpeg, jpeg), 0.0, 1e-9);

    settings.curves = defaultCurves({StillCodec::Avc});
    EXPECT_TRUE(deltaTable(sweep(settings), "jpeg").empty());
}

// Where a lower score is better, a codec that reaches the anchor's scores with fewer bits must
// come out negative, as it does on PSNR, and its quality delta must be in the measure's own sense.
TEST(DeltaTableTest, MeasuresWhereLowerIsBetterAreTurnedRound) {
    SweepOutcome outcome;
    for (StillCodec codec : {StillCodec::Jpeg, StillCodec::Library}) {
        for (int step = 0; step < 5; ++step) {
            SweepPoint point;
            point.codec = codec;
            point.curve = codec == StillCodec::Library ? "webp" : codecName(codec);
            point.measures.bitsPerPixel = (0.5 + 0.25 * step) * (codec == StillCodec::Library ? 0.8 : 1.0);
            point.measures.picture.psnr = 30.0 + 2.0 * step;
            point.measures.picture.ciede2000 = 4.0 - 0.5 * step;
            outcome.points.push_back(point);
        }
    }
    for (const DeltaRow& row : deltaTable(outcome, "jpeg", {CurveMeasure("psnr"), CurveMeasure("ciede2000")})) {
        SCOPED_TRACE(std::string(measureKey(row.measure)) + " " + interpolationName(row.interpolation));
        EXPECT_NEAR(row.rate.value, -20.0, 1e-6);
        EXPECT_FALSE(row.rate.weakOverlap);
        if (row.measure == CurveMeasure("ciede2000")) EXPECT_LT(row.quality.value, 0.0);
        else EXPECT_GT(row.quality.value, 0.0);
    }
}

}  // namespace
}  // namespace brenlow

namespace brenlow {
namespace {

TEST(TimeSpreadTest, MedianFastestAndSlowestOfOddAndEvenCounts) {
    struct Case {
        std::vector<double> seconds;
        double median, fastest, slowest;
    };
    for (const Case& c : {Case{{0.5}, 0.5, 0.5, 0.5}, Case{{3.0, 1.0, 2.0}, 2.0, 1.0, 3.0},
                          Case{{4.0, 1.0, 3.0, 2.0}, 2.5, 1.0, 4.0}, Case{{0.1, 9.0, 0.2, 0.3, 0.2}, 0.2, 0.1, 9.0}}) {
        const TimeSpread spread = spreadOf(c.seconds);
        EXPECT_DOUBLE_EQ(spread.median, c.median);
        EXPECT_DOUBLE_EQ(spread.fastest, c.fastest);
        EXPECT_DOUBLE_EQ(spread.slowest, c.slowest);
    }
    EXPECT_THROW(spreadOf({}), Error);
}

// Timing a point several times changes its times, never its figures.
TEST_F(SweepTest, TimingRunsGiveTheSameFiguresWithTheMedianInsideItsSpread) {
    SweepSettings settings;
    settings.curves = defaultCurves({StillCodec::Jpeg, StillCodec::Ajc});
    settings.qualities = {40};
    settings.measures = MeasureChoice::none();
    const SweepOutcome once = sweep(settings);
    settings.timingRuns = 3;
    const SweepOutcome thrice = sweep(settings);
    ASSERT_EQ(thrice.points.size(), once.points.size());
    for (std::size_t i = 0; i < once.points.size(); ++i) {
        const SweepPoint& point = thrice.points[i];
        EXPECT_EQ(point.reportLine, once.points[i].reportLine);
        EXPECT_EQ(point.figures.codedSize, once.points[i].figures.codedSize);
        EXPECT_EQ(point.timingRuns, 3);
        EXPECT_LE(point.encodeFastest, point.encodeSeconds);
        EXPECT_LE(point.encodeSeconds, point.encodeSlowest);
        EXPECT_LE(point.decodeFastest, point.decodeSeconds);
        EXPECT_LE(point.decodeSeconds, point.decodeSlowest);
        // Each run's processor seconds lie within its wall-clock seconds on the one coding thread,
        // so the medians keep that order too.
        EXPECT_GT(point.encodeCpuSeconds, 0.0);
        EXPECT_GT(point.decodeCpuSeconds, 0.0);
        EXPECT_LE(point.encodeCpuSeconds, point.encodeSeconds + 1e-4);
        EXPECT_LE(point.decodeCpuSeconds, point.decodeSeconds + 1e-4);
    }
}

double processCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// The processor seconds of the process, and of the calling thread alone, while `code` runs.
std::pair<double, double> processAndThreadCpu(const std::function<void()>& code) {
    const double process = processCpuSeconds();
    const double thread = threadCpuSeconds();
    code();
    return {processCpuSeconds() - process, threadCpuSeconds() - thread};
}

// A point's processor time is read off the coding thread's clock, so every built-in codec (each
// library's threads and our own kernels) must do all its work on that thread while timed.
TEST_F(SweepTest, TimedCodecsCodeOnTheCallingThreadAloneWithTheSameFiles) {
    ::setenv("OPJ_NUM_THREADS", "ALL_CPUS", 1);  // OpenJPEG would take its workers from here
    SweepSettings settings;
    settings.curves.clear();
    for (const CodecEntry& entry : codecRegistry())
        if (entry.command == nullptr) settings.curves.push_back(defaultCurve(entry));
    const SweepSource source = prepareSweep(document.view(), settings);
    for (const CodecCurve& curve : settings.curves) {
        SCOPED_TRACE(curve.name);
        DecodedPicture timed;
        const auto [process, thread] = processAndThreadCpu([&] {
            const CodingOnCallingThread oneThread;
            timed = decodedSweepPoint(source, curve, 50);
        });
        EXPECT_GT(thread, 0.0);
        EXPECT_LE(process, thread * 1.1 + 0.005) << "processor time spent off the coding thread";
        EXPECT_EQ(timed.bitmap, decodedSweepPoint(source, curve, 50).bitmap) << "the same picture on every core";
    }
    ::unsetenv("OPJ_NUM_THREADS");
    // Untimed, libjxl codes on workers of its own: the check above would see it.
    const CodecCurve* jxl = findCurve(settings.curves, "jxl");
    if (jxl == nullptr || kernelThreads() == 1) return;
    const auto [process, thread] = processAndThreadCpu([&] { decodedSweepPoint(source, *jxl, 50); });
    EXPECT_GT(process, thread * 1.1 + 0.005);
}


// A bitmap whose name holds ".jpg" has two pictures to be measured against: the JPEG its name leads
// to, for the JPEG experiment and the library codecs, and the bitmap file itself, for the AVC and
// AJC codecs (which AJC also codes). An edited document holds neither, so the sweep reads both.
TEST(SweepReferencesTest, EveryCodecOfOneSweepIsMeasuredAgainstItsOwnPicture) {
    TempDir dir;
    const std::string path = testing::copyInto(testing::testDataPath("chelsea.bmp"), dir, "p.jpg.bmp");
    const QImage sourceFile = loadBitmapFile(path);
    const QImage other = testing::patternBitmap(sourceFile.width(), sourceFile.height());
    writeFileAtomically(dir.file("p.jpg.jpg"), SaveAsJpeg(other, 90));
    const QImage documentFile = loadDocumentPicture(path);
    QImage edited = sourceFile.copy();
    edited.invertPixels();
    const DocumentView view{path, &edited};

    SweepSettings settings;
    settings.curves = defaultCurves({StillCodec::Jpeg, StillCodec::Avc, StillCodec::Ajc});
    for (const CodecEntry& entry : codecRegistry())
        if (entry.codec == StillCodec::Library) settings.curves.push_back(defaultCurve(entry));
    settings.qualities = {60};
    settings.measures = MeasureChoice::none();
    const SweepSource source = prepareSweep(view, settings);
    const SweepOutcome outcome = runSweep(source, settings);
    ASSERT_EQ(outcome.points.size(), settings.curves.size());
    EXPECT_EQ(source.references.size(), 2u) << "one picture per kind of reference, however many codecs";
    for (std::size_t i = 0; i < settings.curves.size(); ++i) {
        const CodecCurve& curve = settings.curves[i];
        SCOPED_TRACE(curve.name);
        const bool againstSourceFile = curve.codec == StillCodec::Avc || curve.codec == StillCodec::Ajc;
        const QImage& expected = againstSourceFile ? sourceFile : documentFile;
        const QImage decoded = decodedSweepPoint(source, curve, 60).bitmap;
        const SweepPoint& point = outcome.points[i];
        EXPECT_EQ(point.measures.picture.psnr,
                  measureStill(expected, decoded, point.figures.codedSize, MeasureChoice::none()).picture.psnr);
    }
    const SweepPoint& ajc = outcome.points[2];
    EXPECT_GT(ajc.measures.picture.psnr, 30.0) << "AJC codes the source file, not the edited picture";
}

}  // namespace
}  // namespace brenlow
