#include <gtest/gtest.h>

#include <filesystem>

#include "brenlow/figures.h"
#include "io/error.h"
#include "support/test_support.h"

namespace brenlow::testing {
namespace {

namespace fs = std::filesystem;

TEST(FiguresTest, AFigureIsNamedByItsEndingAndADataSetWithoutPointsWritesNone) {
    for (const auto& [name, format] : std::vector<std::pair<std::string, FigureFormat>>{
             {"a.svg", FigureFormat::Svg}, {"b.PDF", FigureFormat::Pdf}, {"dir.x/c.png", FigureFormat::Png}})
        EXPECT_EQ(figureFormatOfFile(name), format) << name;
    EXPECT_NE(messageOf([] { figureFormatOfFile("chart.jpg"); }).find("\"chart.jpg\""), std::string::npos);
    EXPECT_NE(messageOf([] { figureFormatOfFile("chart"); }).find(".svg, .pdf or .png"), std::string::npos);

    const TempDir dir;
    FigureRequest request;
    request.folder = dir.file("figures");
    request.format = FigureFormat::Svg;
    const std::string message = messageOf([&] { writeFigures(DataSetOutcome{}, request); });
    EXPECT_NE(message.find("No measure of the data set has a point to draw"), std::string::npos) << message;
    EXPECT_FALSE(fs::exists(request.folder));
}

}  // namespace
}  // namespace brenlow::testing
