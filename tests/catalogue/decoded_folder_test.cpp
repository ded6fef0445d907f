#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "catalogue/decoded_folder.h"
#include "io/error.h"
#include "io/file_io.h"
#include "jpeg/jpeg_bridge.h"
#include "support/test_support.h"

namespace brenlow::testing {
namespace {

namespace fs = std::filesystem;

std::vector<int> qualitiesOf(const std::vector<DecodedPoint>& points) {
    std::vector<int> qualities;
    for (const DecodedPoint& point : points) qualities.push_back(point.quality);
    return qualities;
}

std::vector<std::string> labelsOf(const std::vector<DecodedPoint>& points) {
    std::vector<std::string> labels;
    for (const DecodedPoint& point : points) labels.push_back(point.label);
    return labels;
}

// Whole labels are the qualities; any other label makes every point's quality its place in the
// order of the labels' values (names that are no numbers: by name).
TEST(DecodedFolderTest, PointsAreOrderedByTheirLabelsValueAndNumberedWhenNotWhole) {
    const struct {
        std::vector<std::string> folders;
        std::vector<std::string> labels;
        std::vector<int> qualities;
    } cases[] = {
        {{"90", "10", "50"}, {"10", "50", "90"}, {10, 50, 90}},
        {{"0.0130", "0.0018", "0.0067"}, {"0.0018", "0.0067", "0.0130"}, {1, 2, 3}},
        {{"4", "16", "0.5"}, {"0.5", "4", "16"}, {1, 2, 3}},
        {{"low", "high"}, {"high", "low"}, {1, 2}},
    };
    for (const auto& each : cases) {
        TempDir dir;
        for (const std::string& folder : each.folders) fs::create_directory(dir.path() / folder);
        std::ofstream(dir.file("notes.txt")) << "a file is no point";
        const std::vector<DecodedPoint> points = decodedPoints(dir.path().string());
        EXPECT_EQ(labelsOf(points), each.labels);
        EXPECT_EQ(qualitiesOf(points), each.qualities);
    }
    TempDir none;
    EXPECT_NE(messageOf([&] { decodedPoints(none.path().string()); }).find("holds no point"), std::string::npos);
    TempDir same;
    fs::create_directory(same.path() / "0.5");
    fs::create_directory(same.path() / "0.50");
    EXPECT_NE(messageOf([&] { decodedPoints(same.path().string()); }).find("are the same value"), std::string::npos);
}

TEST(DecodedFolderTest, APicturesFilesAreFoundByStemAndItsSizeBySizesCsvFirst) {
    TempDir dir;
    const DecodedPoint point{"40", dir.path().string(), 40};
    std::ofstream(dir.file("a.PNG")) << "p";
    std::ofstream(dir.file("a.jxl")) << "12345";
    std::ofstream(dir.file("b.bmp")) << "p";
    std::ofstream(dir.file("b.ppm")) << "p";
    std::ofstream(dir.file("c.png")) << "p";
    EXPECT_EQ(decodedPictureOf(point, "/refs/a.png"), dir.file("a.PNG"));
    EXPECT_EQ(codedSizeOf(point, "/refs/a.png"), 5u);
    EXPECT_NE(messageOf([&] { decodedPictureOf(point, "refs/b.png"); }).find("more than one decoded picture of b: b.bmp, b.ppm"),
              std::string::npos);
    EXPECT_NE(messageOf([&] { decodedPictureOf(point, "refs/d.png"); }).find("has no decoded picture d.png"),
              std::string::npos);
    EXPECT_NE(messageOf([&] { codedSizeOf(point, "refs/c.png"); }).find("no coded file of c"), std::string::npos);

    std::ofstream(dir.file("sizes.csv")) << "picture,bytes\r\na.png,700\r\nc,9\r\nb.png,x\r\n";
    EXPECT_EQ(codedSizeOf(point, "/refs/a.png"), 700u) << "sizes.csv comes before the file beside";
    EXPECT_EQ(codedSizeOf(point, "/refs/c.bmp"), 9u) << "by stem too";
    EXPECT_NE(messageOf([&] { codedSizeOf(point, "refs/b.png"); }).find("Line 4 is not"), std::string::npos);
    EXPECT_NE(messageOf([&] { codedSizeOf(point, "refs/e.png"); }).find("sizes.csv has no line for e"), std::string::npos);
}

// A label of digits is the point's quality, so it must be one a codec can have: 4294967301 would
// become quality 5 beside the point "5", and the two would count as one point twice.
TEST(DecodedFolderTest, ALabelOfDigitsThatIsNoQualityInRangeIsRefusedNamingItsFolder) {
    for (const char* label : {"4294967301", "99999999999999999999", "1000000001", "-1000000001"}) {
        SCOPED_TRACE(label);
        TempDir dir;
        fs::create_directory(dir.path() / "5");
        fs::create_directory(dir.path() / label);
        EXPECT_EQ(messageOf([&] { decodedPoints(dir.path().string()); }),
                  "The point \"" + std::string(label) +
                      "\" is no quality: a whole-number label lies from -1000000000 to 1000000000: \"" +
                      dir.file(label) + "\"");
    }
    TempDir ends;
    for (const char* label : {"-1000000000", "1000000000", "5"}) fs::create_directory(ends.path() / label);
    EXPECT_EQ(qualitiesOf(decodedPoints(ends.path().string())), (std::vector<int>{-1000000000, 5, 1000000000}));
}

// A decoded picture must be the lossless picture its name says: an empty file or JPEG data under a
// .png or .ppm name (a decoder that wrote the wrong format) says which, not "not a valid bitmap".
TEST(DecodedFolderTest, ADecodedFileThatIsNoPictureOfItsFormatSaysWhatItHolds) {
    TempDir dir;
    const Bytes jpeg = SaveAsJpeg(patternBitmap(16, 16), 90);
    const Bytes text{'n', 'o', ' ', 'p', 'i', 'c', 't', 'u', 'r', 'e'};
    const struct {
        const char* name;
        Bytes bytes;
        const char* cause;
    } cases[] = {
        {"empty.png", {}, "is not a valid PNG file: it is empty"},
        {"jpeg.png", jpeg, "is not a valid PNG file: it holds JPEG data"},
        {"jpeg.ppm", jpeg, "is not a valid PPM file: it holds JPEG data"},
        {"jpeg.bmp", jpeg, "is not a valid bitmap file: it holds JPEG data"},
        {"text.png", text, "is not a valid PNG file: its first bytes are those of no picture format read here"},
        {"text.bmp", text, "is not a valid bitmap file"},
    };
    for (const auto& each : cases) {
        writeFileAtomically(dir.file(each.name), each.bytes);
        EXPECT_EQ(messageOf([&] { loadDecodedPicture(dir.file(each.name)); }),
                  "\"" + dir.file(each.name) + "\" " + each.cause);
    }
}

}  // namespace
}  // namespace brenlow::testing
