#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "io/error.h"
#include "research/decoded_folder.h"
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

}  // namespace
}  // namespace brenlow::testing
