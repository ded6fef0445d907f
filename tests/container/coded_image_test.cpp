#include <gtest/gtest.h>

#include "container/coded_image.h"
#include "io/error.h"
#include "jpeg/jpeg_bridge.h"
#include "support/hostile_files.h"
#include "support/test_support.h"

namespace brenlow {
namespace {

std::string readError(std::span<const std::uint8_t> file, CodedImageKind kind) {
    try {
        unpackCodedImage(file, kind);
    } catch (const Error& error) {
        return error.what();
    }
    return "no error";
}

Bytes fakePayload(std::size_t length) {
    Bytes payload(length, 0x11);
    payload[0] = 0xFF;
    payload[1] = 0xD8;
    return payload;
}

std::uint32_t checksumAt19(const Bytes& file) {
    return static_cast<std::uint32_t>(file[19] | file[20] << 8 | file[21] << 16 | file[22] << 24);
}

TEST(CodedImageHeaderTest, FieldsLieAtTheirOffsetsLittleEndian) {
    const Bytes file = buildCodedImage(CodedImageKind::AvcStill, 2, 2, fakePayload(1000));
    ASSERT_EQ(file.size(), 1042u);
    EXPECT_EQ(file[0], 0x02);
    EXPECT_EQ(std::string(file.begin() + 1, file.begin() + 10), "AvcMarlox");
    EXPECT_EQ(file[10], 0x02);
    EXPECT_EQ(file[15], 40);
    EXPECT_EQ(file[16], 2);
    EXPECT_EQ(file[17], 0);
    EXPECT_EQ(file[18], 2);
    EXPECT_EQ((Bytes{file.begin() + 19, file.begin() + 27}), (Bytes{0x16, 0x04, 0, 0, 2, 0, 0, 0}));
}

TEST(CodedImageHeaderTest, ChecksumExamples) {
    EXPECT_EQ(checksumAt19(buildCodedImage(CodedImageKind::AvcStill, 2, 2, fakePayload(1000))), 1046u);
    EXPECT_EQ(checksumAt19(buildCodedImage(CodedImageKind::AjcStill, 2, 0, fakePayload(1000))), 1043u);
    EXPECT_EQ(checksumAt19(buildCodedImage(CodedImageKind::SequenceFrame, 2, 5, fakePayload(3000))), 3038u);
    EXPECT_EQ(checksumAt19(buildCodedImage(CodedImageKind::AjcStill, 2, 0, fakePayload(10000))), 10043u);
}

TEST(CodedImageHeaderTest, KindsDifferInSignatureTagsAndMask) {
    const Bytes payload = fakePayload(4);
    const Bytes ajc = buildCodedImage(CodedImageKind::AjcStill, 7, 99, payload);
    EXPECT_EQ(std::string(ajc.begin() + 1, ajc.begin() + 10), "AjcMarlox");
    EXPECT_EQ(ajc[16], 1);
    EXPECT_EQ(ajc[18], 7);
    EXPECT_EQ((Bytes{ajc.begin() + 23, ajc.begin() + 27}), (Bytes{0, 0, 0, 0}));  // extra word not set
    EXPECT_EQ(ajc[42], 0xFF ^ 0x5E);
    const Bytes frame = buildCodedImage(CodedImageKind::SequenceFrame, 2, 5, payload);
    EXPECT_EQ(std::string(frame.begin() + 1, frame.begin() + 12), "Avc Encoded");
    EXPECT_EQ(frame[15], 34);
    EXPECT_EQ(frame[23], 5);
    EXPECT_EQ(frame[42], 0xFF ^ 0xC6);
    EXPECT_EQ(buildCodedImage(CodedImageKind::AvcStill, 2, 2, payload)[42], 0xFF ^ 0xA7);
}

TEST(CodedImageReadTest, EachKindRoundTrips) {
    const Bytes jpeg = SaveAsJpeg(testing::patternBitmap(12, 10), 80);
    for (auto kind : {CodedImageKind::AvcStill, CodedImageKind::AjcStill, CodedImageKind::SequenceFrame}) {
        const UnpackedCodedImage unpacked = unpackCodedImage(buildCodedImage(kind, 3, 4, jpeg), kind);
        EXPECT_EQ(unpacked.jpeg, jpeg);
        EXPECT_EQ(unpacked.multiplier, 3.5f);
        // The header is packed: its fields are copied, never bound to a reference.
        EXPECT_EQ(std::int32_t{unpacked.header.extra_word}, kind == CodedImageKind::AjcStill ? 0 : 4);
    }
}

TEST(CodedImageReadTest, FileRoundTripDecodesThePayload) {
    testing::TempDir dir;
    const Bytes jpeg = SaveAsJpeg(testing::patternBitmap(12, 10), 80);
    const std::uint64_t size = writeCodedImage(dir.file("p.avc"), CodedImageKind::AvcStill, 2, 3, jpeg);
    EXPECT_EQ(size, jpeg.size() + 42);
    const CodedImage image = readCodedImage(dir.file("p.avc"), CodedImageKind::AvcStill);
    EXPECT_EQ(image.bitmap.width(), 12);
    EXPECT_EQ(image.bitmap.height(), 10);
    EXPECT_EQ(image.multiplier, 2.5f);
    EXPECT_EQ(image.extraWord, 3);
}

TEST(CodedImageReadTest, ChecksumGuardsLengthTagsAndAvcPassCount) {
    const Bytes jpeg = fakePayload(50);
    Bytes avc = buildCodedImage(CodedImageKind::AvcStill, 2, 2, jpeg);
    Bytes changed = avc;
    changed[20] ^= 0x01;
    EXPECT_EQ(readError(changed, CodedImageKind::AvcStill), kIntegrityLost);
    changed = avc;
    changed[23] = 3;
    EXPECT_EQ(readError(changed, CodedImageKind::AvcStill), kIntegrityLost);
    changed = avc;
    changed.push_back(0);
    EXPECT_EQ(readError(changed, CodedImageKind::AvcStill), kIntegrityLost);

    for (auto kind : {CodedImageKind::AjcStill, CodedImageKind::SequenceFrame}) {
        Bytes other = buildCodedImage(kind, 2, 0, jpeg);
        other[23] = 9;
        other[5] = 'x';   // signature
        other[30] = 0x55;  // reserved
        EXPECT_EQ(readError(other, kind), "no error");
    }
}

TEST(CodedImageReadTest, WrongKindsFailAsTheFormatSays) {
    const Bytes jpeg = fakePayload(50);
    EXPECT_EQ(readError(buildCodedImage(CodedImageKind::AvcStill, 2, 0, jpeg), CodedImageKind::AjcStill),
              kIntegrityLost);
    EXPECT_EQ(readError(buildCodedImage(CodedImageKind::SequenceFrame, 2, 0, jpeg), CodedImageKind::AvcStill),
              kVersionIncompatible);
    EXPECT_EQ(readError(buildCodedImage(CodedImageKind::SequenceFrame, 2, 1, jpeg), CodedImageKind::AvcStill),
              kIntegrityLost);
}

TEST(CodedImageReadTest, ShortFilesFailBeforeAnyPayloadIsRead) {
    EXPECT_EQ(readError(Bytes(10, 0), CodedImageKind::AvcStill), kIntegrityLost);
    EXPECT_EQ(readError(Bytes{}, CodedImageKind::AjcStill), kIntegrityLost);
    const Bytes headerOnly = buildCodedImage(CodedImageKind::AvcStill, 2, 2, {});
    ASSERT_EQ(headerOnly.size(), 42u);
    EXPECT_EQ(readError(headerOnly, CodedImageKind::AvcStill), kVersionIncompatible);
}

TEST(CodedImageReadTest, CorruptPayloadBehindGoodChecksIsAJpegError) {
    testing::TempDir dir;
    Bytes jpeg = SaveAsJpeg(testing::patternBitmap(32, 32), 80);
    jpeg.resize(jpeg.size() / 2);
    writeCodedImage(dir.file("cut.ajc"), CodedImageKind::AjcStill, 2, 0, jpeg);
    try {
        readCodedImage(dir.file("cut.ajc"), CodedImageKind::AjcStill);
        FAIL() << "a cut payload was decoded";
    } catch (const Error& error) {
        EXPECT_EQ(std::string(error.what()).rfind("JPEG error #", 0), 0u);
        EXPECT_EQ(error.fileName(), dir.file("cut.ajc"));
    }
}

Error readFileError(const std::string& path, CodedImageKind kind, const CodedImageCheck& check = {}) {
    try {
        readCodedImage(path, kind, check);
    } catch (const Error& error) {
        return error;
    }
    return Error("no error");
}

// The two read errors keep their texts as the start of the message; the file follows them.
TEST(CodedImageReadTest, ReadErrorsNameTheContainerFile) {
    testing::TempDir dir;
    const Bytes jpeg = SaveAsJpeg(testing::patternBitmap(8, 8), 80);
    writeFileAtomically(dir.file("short.avc"), Bytes(20, 0));
    writeCodedImage(dir.file("frame.avc"), CodedImageKind::SequenceFrame, 2, 0, jpeg);
    const std::pair<std::string, const char*> cases[] = {{dir.file("short.avc"), kIntegrityLost},
                                                         {dir.file("frame.avc"), kVersionIncompatible}};
    for (const auto& [path, text] : cases) {
        const Error error = readFileError(path, CodedImageKind::AvcStill);
        EXPECT_EQ(error.cause(), text);
        EXPECT_EQ(error.fileName(), path);
        EXPECT_EQ(std::string(error.what()), std::string(text) + ": \"" + path + "\"");
    }
    const std::string missing = dir.file("missing.avc");
    const std::string unreadable = readFileError(missing, CodedImageKind::AvcStill).what();
    EXPECT_NE(unreadable.find(missing), std::string::npos) << unreadable;
    EXPECT_EQ(unreadable.find(missing), unreadable.rfind(missing)) << unreadable;
}

// A picture that claims more than its scan data holds: only a reader that decodes fails on it.
Bytes claimingJpeg(int width, int height) {
    return testing::withJpegFrameSize(SaveAsJpeg(testing::patternBitmap(16, 16), 80), width, height);
}

TEST(CodedImageCheckTest, SeesTheHeaderAndFrameSizeBeforeThePixelsAreDecoded) {
    testing::TempDir dir;
    const std::string path = dir.file("claims.avc");
    writeCodedImage(path, CodedImageKind::AvcStill, 2, 7, claimingJpeg(3000, 2000));
    int calls = 0;
    const Error refused = readFileError(path, CodedImageKind::AvcStill,
                                        [&](const CodedImageHeader& header, int width, int height) {
                                            ++calls;
                                            EXPECT_EQ(std::int32_t{header.extra_word}, 7);
                                            EXPECT_EQ(width, 3000);
                                            EXPECT_EQ(height, 2000);
                                            throw Error("refused by the check");
                                        });
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(refused.cause(), "refused by the check");
    EXPECT_EQ(refused.fileName(), path);

    const Error decoded = readFileError(path, CodedImageKind::AvcStill, [](const CodedImageHeader&, int, int) {});
    EXPECT_EQ(decoded.cause().rfind("JPEG error #", 0), 0u) << decoded.what();
}

TEST(CodedImageCheckTest, ANotJpegPayloadFailsBeforeTheCheck) {
    Bytes payload(40, 0x11);
    payload[0] = 0xFF;
    payload[1] = 0xD8;
    bool asked = false;
    try {
        decodeCodedImage(buildCodedImage(CodedImageKind::AjcStill, 2, 0, payload), CodedImageKind::AjcStill,
                         [&](const CodedImageHeader&, int, int) { asked = true; });
        ADD_FAILURE() << "a payload of no JPEG was decoded";
    } catch (const Error& error) {
        EXPECT_EQ(std::string(error.what()).rfind("JPEG error #", 0), 0u) << error.what();
    }
    EXPECT_FALSE(asked);
}

}  // namespace
}  // namespace brenlow
