#include <gtest/gtest.h>

#include <QByteArray>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <stdexcept>
#include <string>
#include <thread>
#include <mutex>
#include <set>
#include <vector>

#include "catalogue/caller_coding.h"
#include "catalogue/codec_curve.h"
#include "catalogue/codec_registry.h"
#include "catalogue/command_codec.h"
#include "codecs/document.h"
#include "experiments/command_sweep_point.h"
#include "experiments/sweep.h"
#include "io/error.h"
#include "results/dataset_run.h"
#include "support/dataset_pictures.h"
#include "support/test_support.h"

namespace brenlow::testing {
namespace {

// A small lossy codec as a caller would hand one in: the size, then every sample rounded down to a
// step that grows as the quality falls.
Bytes quantised(const QImage& picture, int quality) {
    const QImage bitmap = picture.convertToFormat(QImage::Format_BGR888);
    const int step = 101 - quality;
    const std::uint32_t size[2] = {static_cast<std::uint32_t>(bitmap.width()), static_cast<std::uint32_t>(bitmap.height())};
    Bytes file(sizeof size);
    std::memcpy(file.data(), size, sizeof size);
    for (int y = 0; y < bitmap.height(); ++y) {
        const std::uint8_t* row = bitmap.constScanLine(y);
        for (int x = 0; x < bitmap.width() * 3; ++x) file.push_back(static_cast<std::uint8_t>(row[x] / step * step));
    }
    return file;
}

QImage unquantised(std::span<const std::uint8_t> file) {
    std::uint32_t size[2];
    std::memcpy(size, file.data(), sizeof size);
    QImage bitmap(static_cast<int>(size[0]), static_cast<int>(size[1]), QImage::Format_BGR888);
    const std::size_t rowBytes = static_cast<std::size_t>(bitmap.width()) * 3;
    for (int y = 0; y < bitmap.height(); ++y)
        std::memcpy(bitmap.scanLine(y), file.data() + sizeof size + rowBytes * static_cast<std::size_t>(y), rowBytes);
    return bitmap;
}

CallerCodec quantisingCodec(const std::string& name, const std::string& version = "1") {
    return {name, ".q", {1, 100}, "test functions", {quantised, unquantised, version}};
}

SweepSettings sweepOf(const std::vector<std::string>& codecs, std::vector<int> qualities) {
    SweepSettings settings;
    settings.curves = curvesNamed(codecs);
    settings.qualities = std::move(qualities);
    settings.measures = MeasureChoice::none();
    return settings;
}

TEST(CallerCodecTest, JoinsTheRegistryByNameAndCodesAsItsFunctionsDo) {
    const CodecEntry& entry = addCallerCodec(quantisingCodec("caller-joins", "7"));
    EXPECT_EQ(codecEntryNamed("caller-joins"), &entry);
    EXPECT_EQ(entry.codec, StillCodec::Library);
    EXPECT_EQ(entry.extension, ".q");
    EXPECT_EQ(entry.library(), "test functions, version 7");
    EXPECT_EQ(codecRegistry()[codecRegistry().size() - 1].name, "caller-joins");
    const std::vector<std::string>& built = availableCodecs();
    EXPECT_EQ(std::count(built.begin(), built.end(), "caller-joins"), 0) << "it is not one of the build's";

    const QImage picture = patternBitmap(20, 10);
    EXPECT_EQ(entry.coding->encode({picture}, 60, {}), quantised(picture, 60));
    const CodecCurve curve = curveNamed("caller-joins");
    EXPECT_TRUE(isCallerCurve(curve));
    EXPECT_EQ(&codecEntryOf(curve), &entry);
    EXPECT_EQ(curveLibrary(curve), "test functions, version 7");
}

// A notebook's cell run again: entries and listings taken before stay valid and call the new
// functions; the registry lists the codec once.
TEST(CallerCodecTest, AddedAgainItsEntriesTakeTheNewFunctionsAndVersion) {
    const CodecEntry& first = addCallerCodec(quantisingCodec("caller-again", "1"));
    const CodecList before = codecRegistry();
    const QImage picture = patternBitmap(8, 8);

    CallerCodec changed = quantisingCodec("caller-again", "2");
    changed.functions.encode = [](const QImage&, int) { return Bytes{1, 2, 3}; };
    EXPECT_EQ(&addCallerCodec(changed), &first) << "the same extension and qualities keep the entry";
    EXPECT_EQ(first.coding->encode({picture}, 50, {}), (Bytes{1, 2, 3}));
    EXPECT_EQ(first.caller->version(), "2");

    changed.qualities = {0, 10};
    changed.functions.version = "3";
    const CodecEntry& widened = addCallerCodec(changed);
    EXPECT_NE(&widened, &first);
    EXPECT_EQ(codecEntryNamed("caller-again")->qualities.highest, 10);
    EXPECT_EQ(first.caller->version(), "3") << "one coding behind both entries";
    EXPECT_EQ(std::count_if(before.begin(), before.end(), [&](const CodecEntry& e) { return &e == &first; }), 1);
    const CodecList after = codecRegistry();
    EXPECT_EQ(after.size(), before.size());
    EXPECT_EQ(std::count_if(after.begin(), after.end(), [](const CodecEntry& e) { return e.name == "caller-again"; }), 1);
}

TEST(CallerCodecTest, TheNameOfABuiltOrDescribedCodecIsRefusedEitherWay) {
    const std::string built = messageOf([] { addCallerCodec(quantisingCodec("jpeg")); });
    EXPECT_NE(built.find("\"jpeg\" is already given by this build"), std::string::npos) << built;

    addCommandCodecs(parseCommandCodecs(QByteArray(R"({"name": "caller-described", "encode": ["cp", "{input}", "{output}"],
        "decode": ["cp", "{input}", "{output}"], "format": "ppm", "extension": ".cp", "quality": {"min": 1, "max": 9}})"),
                                        "described.json"));
    const std::string described = messageOf([] { addCallerCodec(quantisingCodec("caller-described")); });
    EXPECT_NE(described.find("already given by described.json"), std::string::npos) << described;

    addCallerCodec(quantisingCodec("caller-first"));
    const std::string handedIn = messageOf([] {
        parseCommandCodecs(QByteArray(R"({"name": "caller-first", "encode": ["cp", "{input}", "{output}"],
            "decode": ["cp", "{input}", "{output}"], "format": "ppm", "extension": ".cp", "quality": {"min": 1, "max": 9}})"),
                           "late.json");
    });
    EXPECT_NE(handedIn.find("handed in by test functions"), std::string::npos) << handedIn;
    EXPECT_EQ(codecEntryNamed("caller-first")->caller->origin(), "test functions");
}

TEST(CallerCodecTest, ItsFunctionsAreCalledOneAtATime) {
    std::atomic<int> inside{0}, most{0};
    CallerCodec counted = quantisingCodec("caller-turns");
    counted.functions.encode = [&](const QImage& picture, int quality) {
        const int now = ++inside;
        most = std::max(most.load(), now);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        --inside;
        return quantised(picture, quality);
    };
    const CodecCoding& coding = *addCallerCodec(counted).coding;
    const QImage picture = patternBitmap(8, 8);
    {
        std::vector<std::jthread> threads;
        for (int i = 0; i < 4; ++i) threads.emplace_back([&] { coding.encode({picture}, 50, {}); });
    }
    EXPECT_EQ(most.load(), 1);
}

// A sweep takes the codec by name as it takes a library's; a function that fails, or a decoder that
// gives a picture of another size, leaves its curve out with its reason, and the sweep goes on.
TEST(CallerCodecTest, ASweepCodesWithItAndAFailingFunctionEndsOnlyItsCurve) {
    addCallerCodec(quantisingCodec("caller-swept"));
    CallerCodec failing = quantisingCodec("caller-fails");
    failing.functions.encode = [](const QImage&, int) -> Bytes { throw Error("ValueError: no such mode"); };
    addCallerCodec(failing);
    CallerCodec shrinking = quantisingCodec("caller-shrinks");
    shrinking.functions.decode = [](std::span<const std::uint8_t> file) { return unquantised(file).copy(0, 0, 40, 20); };
    addCallerCodec(shrinking);
    TempDir dir;
    const std::string path = dir.file("picture.bmp");
    saveBitmapFile(patternBitmap(40, 30), path);
    const PictureDocument document = openPictureDocument(path);
    SweepSettings settings = sweepOf({"caller-swept", "jpeg", "caller-fails", "caller-shrinks"}, {40, 90});

    const SweepOutcome outcome = runSweep(prepareSweep(document.view(), settings), settings);
    ASSERT_EQ(outcome.points.size(), 4u);
    EXPECT_EQ(outcome.points[0].curve, "caller-swept");
    EXPECT_EQ(outcome.points[0].figures.codedSize, quantised(document.bitmap, 40).size());
    EXPECT_LT(outcome.points[0].measures.picture.psnr, outcome.points[1].measures.picture.psnr);
    ASSERT_EQ(outcome.failedCurves.size(), 2u);
    EXPECT_EQ(outcome.failedCurves[0].curve, "caller-fails");
    EXPECT_NE(std::string(outcome.failedCurves[0].error.what()).find("ValueError: no such mode"), std::string::npos);
    const std::string shrunk = outcome.failedCurves[1].error.what();
    EXPECT_NE(shrunk.find("\"caller-shrinks\" decoded its file of quality 40 as 40 x 20 pixels; the picture is 40 x 30"),
              std::string::npos)
        << shrunk;
}

// Its version is that curve's alone: a data set resumed at the same version takes every item; at
// another it makes that codec's items again, says why, and takes the others.
TEST(CallerCodecTest, ADataSetResumedAtAnotherVersionMakesOnlyItsItemsAgainAndSaysSo) {
    TempDir pictures, results;
    addCallerCodec(quantisingCodec("caller-versioned", "first"));
    DataSetRun run;
    run.pictures = makeSmallDataSet(pictures.path().string());
    run.settings = sweepOf({"jpeg", "caller-versioned"}, {50, 90});
    run.resultFolder = results.path().string();
    run.jobs = 2;
    const auto versionsNow = [&] {
        run.versions = {{"brenlow", "test"}};
        run.versions.merge(callerCodecVersions(run.settings.curves));
    };
    versionsNow();
    EXPECT_EQ(run.versions.at("caller-versioned version"), "first");
    const int pictureCount = static_cast<int>(run.pictures.size());
    EXPECT_EQ(runDataSetItems(run).computed, 2 * pictureCount);

    versionsNow();
    const DataSetWork same = runDataSetItems(run);
    EXPECT_EQ(same.reused, 2 * pictureCount);
    EXPECT_TRUE(same.codecChanges.empty());

    addCallerCodec(quantisingCodec("caller-versioned", "second"));
    versionsNow();
    const DataSetWork changed = runDataSetItems(run);
    EXPECT_EQ(changed.computed, pictureCount);
    EXPECT_EQ(changed.reused, pictureCount);
    for (const StoredResult& result : changed.results) {
        const auto version = result.parameters.versions.find("caller-versioned version");
        if (result.curve.name == "jpeg") EXPECT_EQ(version, result.parameters.versions.end()) << "not the jpeg's";
        else EXPECT_EQ(version->second, "second");
    }
    ASSERT_EQ(changed.codecChanges.size(), 1u);
    EXPECT_NE(changed.codecChanges.front().find("\"caller-versioned\" has changed since its results"), std::string::npos);
    EXPECT_NE(changed.codecChanges.front().find("version \"first\" then, \"second\" now"), std::string::npos)
        << changed.codecChanges.front();
}

// The last items of a data set differ in length: the thread whose item is done codes points of the
// item still under way, each once, and every figure is as one thread alone makes it.
TEST(CallerCodecTest, AThreadWithNoItemLeftCodesPointsOfTheItemStillUnderWay) {
    TempDir pictures;
    std::mutex lock;
    std::set<std::thread::id> coders;
    std::vector<int> codedQualities;
    CallerCodec slow = quantisingCodec("caller-slow");
    slow.functions.encode = [&](const QImage& picture, int quality) {
        {
            const std::lock_guard guard(lock);
            coders.insert(std::this_thread::get_id());
            codedQualities.push_back(quality);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(40));
        return quantised(picture, quality);
    };
    addCallerCodec(slow);
    DataSetRun run;
    run.pictures = {makeSmallDataSet(pictures.path().string()).front()};
    run.settings = sweepOf({"caller-slow", "jpeg"}, {50});
    run.settings.curves[0].qualities = {10, 20, 30, 40, 50, 60, 70, 80, 90, 95};
    run.jobs = 2;
    const DataSetWork helped = runDataSetItems(run);
    EXPECT_EQ(coders.size(), 2u) << "the jpeg item's thread helped with the slow item's points";
    std::sort(codedQualities.begin(), codedQualities.end());
    EXPECT_EQ(codedQualities, run.settings.curves[0].qualities) << "each point coded once";

    run.jobs = 1;
    const DataSetWork alone = runDataSetItems(run);
    ASSERT_EQ(helped.results.size(), alone.results.size());
    for (std::size_t item = 0; item < alone.results.size(); ++item) {
        const std::vector<SweepPoint>& expected = alone.results[item].sweep.points;
        const std::vector<SweepPoint>& got = helped.results[item].sweep.points;
        ASSERT_EQ(got.size(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i) {
            EXPECT_EQ(got[i].quality, expected[i].quality);
            EXPECT_EQ(got[i].figures.codedSize, expected[i].figures.codedSize);
            EXPECT_EQ(got[i].measures.picture.psnr, expected[i].measures.picture.psnr);
        }
    }
}

}  // namespace
}  // namespace brenlow::testing
