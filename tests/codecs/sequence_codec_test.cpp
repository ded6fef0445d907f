#include "codecs/sequence_codec.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <vector>

#include "codecs/codec_steps.h"
#include "container/coded_image.h"
#include "io/bitmap_file.h"
#include "io/error.h"
#include "jpeg/jpeg_bridge.h"
#include "support/test_support.h"

namespace brenlow {
namespace {

using testing::TempDir;
using testing::fileBytes;
using testing::patternBitmap;
namespace fs = std::filesystem;

// The Error a call throws, if any.
template <typename Call>
std::optional<Error> thrownError(const Call& call) {
    try {
        call();
    } catch (const Error& error) {
        return error;
    }
    return std::nullopt;
}

// A frame's error leads with the frame and names its file, in the cause or beside it.
void expectFrameError(const std::optional<Error>& error, int frame, const std::string& file) {
    ASSERT_TRUE(error.has_value()) << "frame " << frame << " did not fail";
    EXPECT_EQ(error->cause().rfind("Frame " + std::to_string(frame) + ": ", 0), 0u) << error->what();
    const bool fileNamed = error->fileName() == file || error->cause().find('"' + file + '"') != std::string::npos;
    EXPECT_TRUE(fileNamed) << error->what();
}

TEST(FrameNamesTest, SourcesWithoutLeadingZerosDecodedWithSixDigitsAtLeast) {
    EXPECT_EQ(frameSourceName(kFramePrefix, 10), "frames/frame10.bmp");
    EXPECT_EQ(frameCodedName(kFramePrefix, 0), "frames/frame0.avc");
    EXPECT_EQ(decodedFrameName(kDecodedFramePrefix, 0), "frames~/frame000000.bmp");
    EXPECT_EQ(decodedFrameName("f", 42), "f000042.bmp");
    EXPECT_EQ(decodedFrameName("f", 100000), "f100000.bmp");
    EXPECT_EQ(decodedFrameName("f", 1234567), "f1234567.bmp");
}

class SequenceTest : public ::testing::Test {
protected:
    void writeFrame(int frame, int width, int height) {
        saveBitmapFile(patternBitmap(width, height), frameSourceName(prefix, frame));
    }

    SequenceEncodeOptions encodeOptions(std::int32_t last, int jobs) const {
        SequenceEncodeOptions options;
        options.prefix = prefix;
        options.lastFrame = last;
        options.jobs = jobs;
        return options;
    }

    TempDir dir;
    std::string prefix = dir.file("frame");
};

TEST_F(SequenceTest, FramesCarryTheirNumberAndDecodeToEvenSizes) {
    writeFrame(0, 64, 48);
    writeFrame(1, 641, 481);
    writeFrame(2, 33, 10);
    encodeSequence(encodeOptions(2, 1));

    for (int frame = 0; frame <= 2; ++frame) {
        const Bytes file = readWholeFile(frameCodedName(prefix, frame));
        const UnpackedCodedImage unpacked = unpackCodedImage(file, CodedImageKind::SequenceFrame);
        EXPECT_EQ(unpacked.header.format_tag, 34);
        EXPECT_EQ(unpacked.header.codec_id, 2);
        EXPECT_EQ(unpacked.header.divisor_code, 2);
        // The header is packed: its fields are copied, never bound to a reference.
        EXPECT_EQ(std::int32_t{unpacked.header.extra_word}, frame);
        EXPECT_EQ(std::uint32_t{unpacked.header.checksum}, file.size() - 42 + 34 + 2 + 0 + 2);
    }
    QImage coded;
    LoadJpeg(coded, unpackCodedImage(readWholeFile(frameCodedName(prefix, 1)), CodedImageKind::SequenceFrame).jpeg);
    EXPECT_EQ(coded.size(), QSize(320, 240));

    SequenceDecodeOptions decode;
    decode.prefix = prefix;
    decode.lastFrame = 2;
    decodeSequence(decode);
    EXPECT_EQ(loadBitmapFile(decodedFrameName(prefix, 0)).size(), QSize(64, 48));
    EXPECT_EQ(loadBitmapFile(decodedFrameName(prefix, 1)).size(), QSize(640, 480));
    EXPECT_EQ(loadBitmapFile(decodedFrameName(prefix, 2)).size(), QSize(32, 10));
}

TEST_F(SequenceTest, DivisorHalfIsCodedAsZero) {
    writeFrame(0, 16, 16);
    SequenceEncodeOptions options = encodeOptions(0, 1);
    options.divisor = 0.5f;
    encodeSequence(options);
    EXPECT_EQ(readWholeFile(frameCodedName(prefix, 0))[18], 0);
}

TEST_F(SequenceTest, FrameTenReadsFrameTenBitmap) {
    for (int frame = 0; frame <= 10; ++frame) {
        writeFrame(frame, 8 + frame, 8);
    }
    encodeSequence(encodeOptions(10, 1));
    QImage coded;
    LoadJpeg(coded, unpackCodedImage(readWholeFile(prefix + "10.avc"), CodedImageKind::SequenceFrame).jpeg);
    EXPECT_EQ(coded.size(), QSize(9, 4));
}

TEST_F(SequenceTest, SeveralJobsWriteTheSameFilesAndReportInOrder) {
    for (int frame = 0; frame <= 4; ++frame) {
        writeFrame(frame, 40 + 3 * frame, 30);
    }
    std::vector<int> oneAtATime;
    encodeSequence(encodeOptions(4, 1), [&](int done) { oneAtATime.push_back(done); });
    std::vector<std::string> single;
    for (int frame = 0; frame <= 4; ++frame) {
        single.push_back(fileBytes(frameCodedName(prefix, frame)));
        fs::remove(frameCodedName(prefix, frame));
    }

    std::vector<int> threeAtATime;
    encodeSequence(encodeOptions(4, 3), [&](int done) { threeAtATime.push_back(done); });

    EXPECT_EQ(oneAtATime, (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(threeAtATime, oneAtATime);
    for (int frame = 0; frame <= 4; ++frame) {
        EXPECT_EQ(fileBytes(frameCodedName(prefix, frame)), single[frame]) << frame;
    }
}

TEST_F(SequenceTest, MissingFrameStopsAndKeepsEarlierFramesOnly) {
    writeFrame(0, 16, 16);
    writeFrame(1, 16, 16);
    writeFrame(3, 16, 16);
    std::vector<int> progress;
    expectFrameError(
        thrownError([&] { encodeSequence(encodeOptions(3, 4), [&](int done) { progress.push_back(done); }); }), 2,
        frameSourceName(prefix, 2));

    EXPECT_EQ(progress, (std::vector<int>{1, 2}));
    EXPECT_TRUE(fs::exists(frameCodedName(prefix, 1)));
    EXPECT_FALSE(fs::exists(frameCodedName(prefix, 3)));  // coded in flight, never written

    SequenceDecodeOptions decode;
    decode.prefix = prefix;
    decode.lastFrame = 3;
    decode.jobs = 2;
    expectFrameError(thrownError([&] { decodeSequence(decode); }), 2, frameCodedName(prefix, 2));
    EXPECT_TRUE(fs::exists(decodedFrameName(prefix, 1)));
    EXPECT_FALSE(fs::exists(decodedFrameName(prefix, 2)));
}

TEST_F(SequenceTest, NegativeLastFrameCodesNothing) {
    writeFrame(0, 16, 16);
    int calls = 0;
    encodeSequence(encodeOptions(-1, 2), [&](int) { ++calls; });
    EXPECT_EQ(calls, 0);
    EXPECT_FALSE(fs::exists(frameCodedName(prefix, 0)));
}

TEST_F(SequenceTest, StillFileUnderFrameNameFailsFrameChecks) {
    writeCodedImage(frameCodedName(prefix, 0), CodedImageKind::AvcStill, 2, 0, SaveAsJpeg(patternBitmap(8, 8), 80));
    SequenceDecodeOptions decode;
    decode.prefix = prefix;
    const std::optional<Error> error = thrownError([&] { decodeSequence(decode); });
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->cause(), "Frame 0: " + std::string(kVersionIncompatible));
    EXPECT_EQ(error->fileName(), frameCodedName(prefix, 0));
    EXPECT_FALSE(fs::exists(decodedFrameName(prefix, 0)));
}

TEST_F(SequenceTest, FrameErrorsLeadWithTheFrameAndNameItsFile) {
    writeFrame(0, 16, 16);
    writeFrame(1, 3, 3);
    const std::optional<Error> tooSmall = thrownError([&] { codeHalfSize(patternBitmap(3, 3), 2.5f, 80); });
    ASSERT_TRUE(tooSmall.has_value());
    const std::optional<Error> frameTooSmall = thrownError([&] { encodeSequence(encodeOptions(1, 2)); });
    expectFrameError(frameTooSmall, 1, frameSourceName(prefix, 1));
    EXPECT_EQ(frameTooSmall->cause(), "Frame 1: " + tooSmall->cause());

    fs::remove(frameCodedName(prefix, 0));
    fs::create_directory(frameCodedName(prefix, 0));
    expectFrameError(thrownError([&] { encodeSequence(encodeOptions(0, 1)); }), 0, frameCodedName(prefix, 0));

    fs::remove(frameCodedName(prefix, 0));
    encodeSequence(encodeOptions(0, 1));
    fs::create_directory(decodedFrameName(prefix, 0));
    SequenceDecodeOptions decode;
    decode.prefix = prefix;
    expectFrameError(thrownError([&] { decodeSequence(decode); }), 0, decodedFrameName(prefix, 0));
}

// Frame 100000 is decoded to prefix100000.bmp, the name of its source bitmap.
TEST_F(SequenceTest, DecodeRefusesToReplaceASourceFrameBeforeWritingAny) {
    writeFrame(0, 16, 16);
    encodeSequence(encodeOptions(0, 1));
    fs::copy_file(frameCodedName(prefix, 0), frameCodedName(prefix, 100000));
    writeFrame(100000, 20, 20);
    const std::string source = fileBytes(frameSourceName(prefix, 100000));
    SequenceDecodeOptions decode;
    decode.prefix = prefix;
    decode.lastFrame = 100000;
    decode.jobs = 2;
    int progressCalls = 0;

    const std::optional<Error> refusal = thrownError([&] { decodeSequence(decode, [&](int) { ++progressCalls; }); });

    expectFrameError(refusal, 100000, frameSourceName(prefix, 100000));
    EXPECT_NE(refusal->cause().find("prefix"), std::string::npos) << refusal->what();
    EXPECT_EQ(progressCalls, 0);
    EXPECT_FALSE(fs::exists(decodedFrameName(prefix, 0)));
    EXPECT_EQ(fileBytes(frameSourceName(prefix, 100000)), source);

    // Without its coded file the run stops at frame 1 and never reaches frame 100000.
    fs::remove(frameCodedName(prefix, 100000));
    expectFrameError(thrownError([&] { decodeSequence(decode); }), 1, frameCodedName(prefix, 1));
    EXPECT_TRUE(fs::exists(decodedFrameName(prefix, 0)));
    EXPECT_EQ(fileBytes(frameSourceName(prefix, 100000)), source);
}

}  // namespace
}  // namespace brenlow
