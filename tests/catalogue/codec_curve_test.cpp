#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <filesystem>

#include "catalogue/codec_curve.h"
#include "catalogue/codec_registry.h"
#include "codecs/still_codecs.h"
#include "experiments/sweep.h"
#include "io/error.h"
#include "io/file_io.h"
#include "jpeg/jpeg_bridge.h"
#include "measures/measures.h"
#include "results/dataset_run.h"
#include "support/test_support.h"

namespace brenlow::testing {
namespace {

namespace fs = std::filesystem;

std::string errorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const Error& error) {
        return error.what();
    }
    return "(no error)";
}

TEST(CodecCurveTest, ACurveIsNamedAsGivenAndHoldsEverySettingTheRunDefaultsFillingOnlyWhatItLeftOpen) {
    const RunDefaults defaults = runDefaultsOf(5, 3);
    const CodecCurve plain = curveNamed("avc", defaults);
    EXPECT_EQ(plain.name, "avc");
    EXPECT_EQ(plain.settingsText(), "divisor=5:focus=3");
    const CodecCurve own = curveNamed("avc:focus=0:label=sharp-free", defaults);
    EXPECT_EQ(own.name, "sharp-free");
    EXPECT_EQ(own.settingsText(), "divisor=5:focus=0") << "the curve's own focus wins over the run's";
    EXPECT_EQ(curveNamed("jpeg", defaults).settingsText(), "optimize=0:subsampling=420") << "jpeg takes no divisor";

    const StillParameters parameters = stillParametersOf(curveNamed("avc:divisor=0", defaults), 70);
    EXPECT_EQ(parameters.quality, 70);
    EXPECT_FLOAT_EQ(parameters.divisor, 2.5f) << "divisor code 0 means 2.5, as in the toolbar";
    EXPECT_EQ(parameters.passes, 3);
    EXPECT_EQ(stillParametersOf(defaultCurve(StillCodec::Avc, runDefaultsOf(-4, -1)), 50).passes, 1)
        << "a negative focus from the toolbar reads as 1, as the commands read it";
}

TEST(CodecCurveTest, CurvesThatWouldRepeatTheSamePointsAreRefusedNamingBoth) {
    EXPECT_EQ(curvesNamed({"jpeg", "jpeg:optimize=1"}).size(), 2u);
    const struct {
        std::vector<std::string> names;
        std::string message;
    } cases[] = {
        {{"jpeg", "jpeg"}, "The curve \"jpeg\" is named twice"},
        {{"jpeg", "jpeg:subsampling=420"}, "\"jpeg:subsampling=420\" and \"jpeg\" are the same codec at the same settings"},
        {{"jpeg:label=a", "jpeg:optimize=1:label=a"}, "The curve \"a\" is named twice"},
        {{"jpeg:speed=3"}, "The codec jpeg has no setting \"speed\"; it takes optimize, subsampling"},
    };
    for (const auto& [names, message] : cases)
        EXPECT_EQ(errorOf([&] { curvesNamed(names); }), message);
}

// A number in a setting means what it says however it is written: "01" is "1" and "-0" is "0",
// in the curve's name and settings alike, so the same settings under two spellings are refused
// as under two names.
TEST(CodecCurveTest, SettingsAreComparedAsWhatTheyMeanAndWrittenInOneForm) {
    const CodecCurve leadingZero = curveNamed("jpeg:optimize=01");
    EXPECT_EQ(leadingZero.name, "jpeg:optimize=1");
    EXPECT_EQ(leadingZero.settings, curveNamed("jpeg:optimize=1").settings);
    EXPECT_EQ(curveNamed("avc:focus=-0:divisor=007").settingsText(), "divisor=7:focus=0");
    EXPECT_EQ(curveNamed("jpeg:optimize=-0"), curveNamed("jpeg:optimize=0"));
    const struct {
        std::vector<std::string> names;
        std::string message;
    } cases[] = {
        {{"jpeg", "jpeg:optimize=00"}, "\"jpeg:optimize=0\" and \"jpeg\" are the same codec at the same settings"},
        {{"avc", "avc:focus=02:label=b"}, "\"b\" and \"avc\" are the same codec at the same settings"},
        {{"jpeg:optimize=1", "jpeg:optimize=01"}, "The curve \"jpeg:optimize=1\" is named twice"},
    };
    for (const auto& [names, message] : cases)
        EXPECT_EQ(errorOf([&] { curvesNamed(names); }), message);
}

TEST(CodecCurveTest, AnAnchorIsFoundByItsNameOrByItsCodecAndSettings) {
    const std::vector<CodecCurve> curves = curvesNamed({"jpeg:optimize=1:label=opt", "avc"});
    EXPECT_EQ(curveMatching("opt", curves), "opt");
    EXPECT_EQ(curveMatching("jpeg:optimize=1", curves), "opt");
    EXPECT_EQ(curveMatching("avc:divisor=2", curves), "avc") << "the default spelt out is the same curve";
    EXPECT_FALSE(curveMatching("jpeg", curves));
    EXPECT_FALSE(curveMatching("no-such:thing", curves));
}

class CurveSweepTest : public ::testing::Test {
protected:
    CurveSweepTest() {
        saveBitmapFile(patternBitmap(96, 64), path);
        document.emplace(openPictureDocument(path, false));
    }

    SweepOutcome sweep(const std::vector<std::string>& names) {
        SweepSettings settings;
        settings.curves = curvesNamed(names);
        settings.qualities = {30, 70};
        settings.measures = MeasureChoice::none();
        return runSweep(prepareSweep(document->view(), settings), settings);
    }

    TempDir dir;
    std::string path = dir.file("p.bmp");
    std::optional<PictureDocument> document;
};

// Each curve is coded at its own settings: the same bytes as the JPEG library with those options.
TEST_F(CurveSweepTest, OneCodecAtTwoSettingsGivesTwoCurvesCodedAtEach) {
    const SweepOutcome outcome = sweep({"jpeg", "jpeg:subsampling=444:label=full"});
    ASSERT_EQ(outcome.points.size(), 4u);
    const QImage& bitmap = *document->view().bitmap;
    JpegOptions full;
    full.chroma = ChromaSubsampling::Full;
    for (const SweepPoint& point : outcome.points) {
        const bool isFull = point.curve == "full";
        const Bytes expected = SaveAsJpeg(bitmap, static_cast<std::uint8_t>(point.quality), isFull ? full : JpegOptions{});
        EXPECT_EQ(point.figures.codedSize, expected.size()) << point.curve << " at " << point.quality;
    }
    EXPECT_EQ(outcome.points[2].curve, "full");
    EXPECT_NE(outcome.points[0].figures.codedSize, outcome.points[2].figures.codedSize);
    EXPECT_NE(sweepCsv(outcome).find("full,30,"), std::string::npos);
    EXPECT_NE(sweepCsv(outcome).find(",optimize=0:subsampling=444,"), std::string::npos);
}

// A result filed under a curve's name is taken again only when that curve's settings are the same.
TEST_F(CurveSweepTest, AResultMadeAtOtherSettingsUnderTheSameNameIsMadeAgain) {
    DataSetRun run;
    run.pictures = {path};
    run.settings.curves = curvesNamed({"jpeg:label=mine"});
    run.settings.qualities = {40, 60};
    run.settings.measures = MeasureChoice::none();
    run.resultFolder = dir.file("results");
    EXPECT_EQ(runDataSetItems(run).computed, 1);
    EXPECT_EQ(runDataSetItems(run).reused, 1);

    run.settings.curves = curvesNamed({"jpeg:optimize=1:label=mine"});
    const DataSetWork other = runDataSetItems(run);
    EXPECT_EQ(other.replaced, 1);
    EXPECT_EQ(other.reused, 0);
    const DataSetOutcome loaded = loadDataSet({run.resultFolder});
    ASSERT_EQ(loaded.curves.size(), 1u);
    EXPECT_EQ(loaded.curves[0].settingsText(), "optimize=1:subsampling=420");

    run.settings.curves[0].qualities = {50};
    EXPECT_EQ(runDataSetItems(run).replaced, 1) << "a curve's own qualities are part of it";
    EXPECT_EQ(loadDataSet({run.resultFolder}).outcomes[0].sweep.points.size(), 1u);
}

// Folders written before curves had settings name the codec alone; they still resume and merge.
TEST_F(CurveSweepTest, AResultFileWithoutCurveIsTakenAsTheCodecAtItsDefaults) {
    DataSetRun run;
    run.pictures = {path};
    run.settings.curves = defaultCurves({StillCodec::Jpeg, StillCodec::Avc});
    run.settings.qualities = {40};
    run.settings.measures = MeasureChoice::none();
    run.resultFolder = dir.file("old");
    runDataSetItems(run);
    for (const fs::directory_entry& entry : fs::directory_iterator(run.resultFolder)) {
        const Bytes bytes = readWholeFile(entry.path().string());
        QJsonObject object = QJsonDocument::fromJson(QByteArray(reinterpret_cast<const char*>(bytes.data()),
                                                                static_cast<qsizetype>(bytes.size())))
                                 .object();
        object.remove("curve");
        object.remove("curves");
        const QByteArray old = QJsonDocument(object).toJson();
        writeFileAtomically(entry.path().string(), std::span(reinterpret_cast<const std::uint8_t*>(old.constData()),
                                                             static_cast<std::size_t>(old.size())));
    }
    EXPECT_EQ(runDataSetItems(run).reused, 2);
    EXPECT_EQ(loadDataSet({run.resultFolder}).curves, run.settings.curves);
}

// A library codec is known by its name: its curves, at their defaults or not, come back from their
// result files as they were asked for, so a second run takes every result.
TEST_F(CurveSweepTest, ResultsOfLibraryCodecsAreTakenAgainWithTheirCurves) {
    std::vector<std::string> libraries;
    for (const CodecEntry& entry : codecRegistry())
        if (entry.codec == StillCodec::Library) libraries.push_back(entry.name);
    if (libraries.empty()) GTEST_SKIP() << "this build has no library codec";
    DataSetRun run;
    run.pictures = {path};
    run.settings.curves = curvesNamed({"ajc", libraries.front(), libraries.back() + ":label=last"});
    run.settings.qualities = {50};
    run.settings.measures = MeasureChoice::none();
    run.resultFolder = dir.file("libraries");
    EXPECT_EQ(runDataSetItems(run).computed, 3);
    EXPECT_EQ(runDataSetItems(run).reused, 3);
    EXPECT_EQ(loadDataSet({run.resultFolder}).curves, run.settings.curves);
}

// A size target takes the highest quality within it: one quality higher codes above it.
TEST_F(CurveSweepTest, ASizeTargetIsCodedAtTheHighestQualityWithinItOrMarkedMissed) {
    SweepSettings settings;
    settings.curves = curvesNamed({"jpeg", "jpeg:optimize=1"});
    settings.bppTargets = {0.001, 1.5, 3.0};
    settings.measures = MeasureChoice::none();
    const SweepSource source = prepareSweep(document->view(), settings);
    const SweepOutcome outcome = runSweep(source, settings);
    ASSERT_EQ(outcome.points.size(), 6u);
    const QImage& bitmap = *document->view().bitmap;
    const auto bppAt = [&](const SweepPoint& point, int quality) {
        JpegOptions options;
        options.optimizeHuffman = point.curve != "jpeg";
        return bitsPerPixel(SaveAsJpeg(bitmap, static_cast<std::uint8_t>(quality), options).size(), bitmap.width(),
                            bitmap.height());
    };
    for (const SweepPoint& point : outcome.points) {
        SCOPED_TRACE(point.curve + " to " + std::to_string(point.targetBpp));
        if (point.targetBpp < 0.01) {
            EXPECT_TRUE(point.targetMissed);
            EXPECT_EQ(point.quality, 0) << "the lowest quality of the codec";
            continue;
        }
        EXPECT_FALSE(point.targetMissed);
        EXPECT_LE(point.measures.bitsPerPixel, point.targetBpp);
        EXPECT_DOUBLE_EQ(point.measures.bitsPerPixel, bppAt(point, point.quality));
        if (point.quality < 100) {
            EXPECT_GT(bppAt(point, point.quality + 1), point.targetBpp);
        }
    }
    EXPECT_GE(outcome.points[4].quality, outcome.points[1].quality) << "optimised tables fit more quality in a size";
    const std::string csv = sweepCsv(outcome);
    EXPECT_NE(csv.find(",settings,target_bits_per_pixel,target_missed,encode_seconds,"), std::string::npos);
    EXPECT_NE(csv.find(",optimize=0:subsampling=420,0.001000,1,"), std::string::npos);
}

// Results coded to sizes are taken again only for the same targets, and the aggregate is per target.
TEST_F(CurveSweepTest, ADataSetCodedToSizesResumesOnlyWithTheSameTargets) {
    DataSetRun run;
    const std::string second = dir.file("q.bmp");
    saveBitmapFile(patternBitmap(64, 48), second);
    run.pictures = {path, second};
    run.settings.curves = curvesNamed({"jpeg"});
    run.settings.bppTargets = {1.0, 2.0};
    run.settings.measures = MeasureChoice::none();
    run.resultFolder = dir.file("sized");
    EXPECT_EQ(runDataSetItems(run).computed, 2);
    EXPECT_EQ(runDataSetItems(run).reused, 2);
    const DataSetOutcome loaded = loadDataSet({run.resultFolder});
    ASSERT_EQ(loaded.aggregate.size(), 2u);
    EXPECT_EQ(loaded.aggregate[1].targetBpp, 2.0);
    EXPECT_EQ(loaded.aggregate[1].pictures, 2);
    EXPECT_LE(loaded.aggregate[1].bitsPerPixel, 2.0);

    run.settings.bppTargets = {1.0, 2.5};
    EXPECT_EQ(runDataSetItems(run).replaced, 2);
    run.settings.bppTargets = {};
    run.settings.qualities = {50};
    EXPECT_EQ(runDataSetItems(run).replaced, 2) << "points coded at qualities are not those coded to sizes";
}

}  // namespace
}  // namespace brenlow::testing

namespace brenlow::testing {
namespace {

CommandCodec describedCodec(const std::string& name, const std::string& file) {
    return parseCommandCodecs(QByteArray::fromStdString(
                                  R"({"name": ")" + name + R"(", "encode": ["cp", "{input}", "{output}"],
        "decode": ["cp", "{input}", "{output}"], "format": "ppm", "extension": ".x", "quality": {"min": 1, "max": 9},
        "settings": [{"key": "level", "min": 0, "max": 4, "default": 2}]})"),
                              file)
        .front();
}

// The registry is the process's: each test adds codecs of names its own.
TEST(CommandCodecRegistryTest, AddedCodecsAreNamedWithSettingsLikeBuiltOnesAndKeptApartInCurves) {
    addCommandCodecs({describedCodec("reg-a", "a.json")});
    addCommandCodecs({describedCodec("reg-a", "a.json")});  // the same file twice: nothing new
    EXPECT_EQ(errorOf([] { addCommandCodecs({describedCodec("reg-a", "other.json")}); }),
              "The codec \"reg-a\" of other.json is already given by a.json");
    const CodecEntry* entry = codecEntryNamed("reg-a");
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->library(), "commands from a.json");
    const std::vector<std::string> built = availableCodecs();
    EXPECT_EQ(std::count(built.begin(), built.end(), "reg-a"), 0)
        << "the workbench's built codecs stay as they are";

    const std::vector<CodecCurve> curves = curvesNamed({"reg-a", "reg-a:level=4", "jpeg"});
    EXPECT_EQ(curves[0].codec, StillCodec::Command);
    EXPECT_EQ(curves[1].otherCodec, "reg-a");
    EXPECT_EQ(curves[1].settingsText(), "level=4");
    EXPECT_EQ(curves[2].otherCodec, "");
    EXPECT_EQ(curveMatching("reg-a:level=2", curves), "reg-a");
    EXPECT_NE(errorOf([] { curvesNamed({"reg-a", "reg-a:level=2"}); }).find("the same codec at the same settings"),
              std::string::npos);
    EXPECT_NE(errorOf([] { curveNamed("reg-a:level=5"); }).find("level"), std::string::npos);

    // A codec's name read back from a result file: built, added, or neither (coded elsewhere).
    const struct {
        const char* name;
        StillCodec codec;
        const char* other;
    } reads[] = {{"jpeg", StillCodec::Jpeg, ""}, {"reg-a", StillCodec::Command, "reg-a"},
                 {"elsewhere", StillCodec::Command, "elsewhere"}};
    for (const auto& read : reads) {
        CodecCurve curve;
        setCurveCodec(curve, read.name);
        EXPECT_EQ(curve.codec, read.codec) << read.name;
        EXPECT_EQ(curve.otherCodec, read.other) << read.name;
        EXPECT_EQ(curveCodecName(curve), read.name);
    }
}

TEST(CommandCodecRegistryTest, FoldersOfOtherCurvesOnTheSamePicturesMergeAndOthersAreRefused) {
    TempDir dir;
    copyInto(testDataPath("chelsea.bmp"), dir, "p.bmp");
    copyInto(testDataPath("coffee.bmp"), dir, "q.bmp");
    const auto runInto = [&](const std::string& folder, const std::vector<std::string>& codecs,
                             const std::vector<std::string>& pictures, const std::vector<int>& qualities) {
        DataSetRun run;
        for (const std::string& picture : pictures) run.pictures.push_back(dir.file(picture));
        run.settings.curves = curvesNamed(codecs);
        run.settings.qualities = qualities;
        run.settings.measures = MeasureChoice::none();
        run.resultFolder = dir.file(folder);
        runDataSetItems(run);
        return run.resultFolder;
    };
    const std::string jpeg = runInto("jpeg", {"jpeg"}, {"p.bmp", "q.bmp"}, {30, 60, 90});
    const std::string ajc = runInto("ajc", {"ajc"}, {"p.bmp", "q.bmp"}, {20, 50});
    const DataSetOutcome both = loadDataSet({jpeg, ajc});
    ASSERT_EQ(both.curves.size(), 2u);
    EXPECT_EQ(both.curves[1].qualities, (std::vector<int>{20, 50})) << "each run's curves keep their qualities";
    EXPECT_EQ(both.outcomes[1].sweep.points.size(), 5u);
    EXPECT_EQ(both.aggregate.size(), 5u);

    const std::string fewer = runInto("fewer", {"ajc"}, {"p.bmp"}, {20});
    EXPECT_NE(errorOf([&] { loadDataSet({jpeg, fewer}); }).find("hold other pictures"), std::string::npos);
    const std::string overlapping = runInto("overlapping", {"jpeg", "avc"}, {"p.bmp", "q.bmp"}, {30});
    EXPECT_NE(errorOf([&] { loadDataSet({jpeg, overlapping}); }).find("both hold the curve \"jpeg\""),
              std::string::npos);
}

}  // namespace
}  // namespace brenlow::testing
