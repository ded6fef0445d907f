#include <gtest/gtest.h>

#include <QByteArray>
#include <string>
#include <vector>

#include "catalogue/codec_coding.h"
#include "catalogue/codec_curve.h"
#include "catalogue/codec_registry.h"
#include "catalogue/command_codec.h"
#include "codecs/document.h"
#include "experiments/sweep.h"
#include "io/bitmap_file.h"
#include "io/error.h"
#include "io/file_io.h"
#include "support/test_support.h"

namespace brenlow::testing {
namespace {

// A codec described by commands that copies the picture it is given, and one handed in by a caller
// that codes through our JPEG codec: every kind of codec is then in the registry when the suite is
// instantiated.
std::vector<std::string> everyRegistryCodec() {
    const CodecEntry& jpeg = knownCodecEntry("jpeg");
    const CodecSettings jpegSettings = resolvedSettings({}, jpeg.settings);
    addCallerCodec({"iface-caller", ".cj", {0, 100}, "interface test functions",
                    {[&jpeg, jpegSettings](const QImage& picture, int quality) {
                         return jpeg.coding->encode({picture}, quality, jpegSettings);
                     },
                     [&jpeg, jpegSettings](std::span<const std::uint8_t> file) {
                         return jpeg.coding->decode(file, 0, jpegSettings);
                     },
                     "1"}});
    addCommandCodecs(parseCommandCodecs(QByteArray(R"({"name": "iface-copy", "encode": ["cp", "{input}", "{output}"],
        "decode": ["cp", "{input}", "{output}"], "format": "ppm", "extension": ".cp", "quality": {"min": 1, "max": 9}})"),
                                        "iface.json"));
    std::vector<std::string> names;
    for (const CodecEntry& entry : codecRegistry()) names.push_back(entry.name);
    return names;
}

int middleQuality(const CodecEntry& entry) { return (entry.qualities.lowest + entry.qualities.highest + 1) / 2; }

class CodecInterfaceTest : public ::testing::TestWithParam<std::string> {
protected:
    const CodecEntry& entry() const { return knownCodecEntry(GetParam()); }
    CodecSettings defaults() const { return resolvedSettings({}, entry().settings); }

    // The first setting at another value than its default, so that settings are seen to reach the codec.
    CodecSettings otherSettings() const {
        CodecSettings settings = defaults();
        if (entry().settings.empty()) return settings;
        const SettingDescription& first = entry().settings.front();
        if (!first.choices.empty()) settings[first.key] = first.choices.back() != first.defaultValue ? first.choices.back()
                                                                                                     : first.choices.front();
        else settings[first.key] = std::to_string(first.defaultValue != std::to_string(first.lowest) ? first.lowest
                                                                                                     : first.highest);
        return settings;
    }
};

TEST_P(CodecInterfaceTest, CodesPixelsAloneAndDecodesThemAtTheirSize) {
    const QImage picture = patternBitmap(32, 24);
    const CodecCoding& codec = *entry().coding;
    const int quality = middleQuality(entry());
    const Bytes file = codec.encode({picture}, quality, defaults());
    ASSERT_FALSE(file.empty());
    EXPECT_EQ(codec.codedSize({picture}, quality, defaults()), file.size());
    EXPECT_EQ(codec.decode(file, quality, defaults()).size(), picture.size());
}

// The coded file is the one the codec's still command writes, and a sweep of the picture codes
// a file of its size and decodes the same picture.
TEST_P(CodecInterfaceTest, BytesAreThoseOfTheStillCommandAndTheSweep) {
    TempDir dir;
    const std::string path = dir.file("picture.bmp");
    saveBitmapFile(patternBitmap(40, 30), path);
    const PictureDocument document = openPictureDocument(path);
    const DocumentView view = document.view();
    const CodecCoding& codec = *entry().coding;
    const int quality = middleQuality(entry());
    const CodecSettings chosen = otherSettings();
    const Bytes file = codec.encode({document.bitmap, &document.planes, sourceFilePicture(view)}, quality, chosen);

    const StillRunResult still = codec.runStill(view, quality, chosen);
    EXPECT_EQ(readWholeFile(still.codedPath), file);

    CodecCurve curve = defaultCurve(entry());
    curve.name = "curve";
    curve.settings = chosen;
    SweepSettings settings;
    settings.curves = {curve};
    settings.qualities = {quality};
    settings.measures = MeasureChoice::none();
    const SweepSource source = prepareSweep(view, settings);
    const SweepOutcome outcome = runSweep(source, settings, {});
    ASSERT_EQ(outcome.points.size(), 1u);
    EXPECT_EQ(outcome.points.front().figures.codedSize, file.size());
    EXPECT_EQ(decodedSweepPoint(source, settings.curves.front(), quality).bitmap.convertToFormat(QImage::Format_BGR888),
              codec.decode(file, quality, chosen).convertToFormat(QImage::Format_BGR888));
}

INSTANTIATE_TEST_SUITE_P(EveryCodec, CodecInterfaceTest, ::testing::ValuesIn(everyRegistryCodec()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                             std::string name = info.param;
                             for (char& c : name)
                                 if (c == '-') c = '_';
                             return name;
                         });

TEST(CodecInterfaceErrorTest, AnUnknownCodecIsAnErrorNamingItAndTheCodecsThereAre) {
    const std::string message = messageOf([] { knownCodecEntry("nosuch"); });
    EXPECT_NE(message.find("\"nosuch\" is not a codec of this build; there are jpeg, avc, ajc"), std::string::npos)
        << message;

    CodecCurve curve;
    curve.name = "gone:level=1";
    setCurveCodec(curve, "gone");
    const std::string described = messageOf([&] { codecEntryOf(curve); });
    EXPECT_NE(described.find("\"gone\" of the curve \"gone:level=1\" is not built in"), std::string::npos) << described;
}

}  // namespace
}  // namespace brenlow::testing
