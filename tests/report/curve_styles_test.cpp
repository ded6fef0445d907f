#include <gtest/gtest.h>

#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "report/curve_styles.h"

namespace brenlow {
namespace {

TEST(CurveStylesTest, ACodecKeepsItsStyleWhateverElseIsDrawnAndInWhateverOrder) {
    const std::vector<CurveStyle> one = curveStyles({"webp", "jpeg", "avc:focus=3"});
    const std::vector<CurveStyle> other = curveStyles({"avc:focus=3", "jxl", "jpeg", "webp"});
    EXPECT_EQ(one[0], other[3]);
    EXPECT_EQ(one[1], other[2]);
    EXPECT_EQ(one[2], other[0]);
    EXPECT_NE(one[0], one[1]);
}

TEST(CurveStylesTest, CurvesDrawnTogetherDifferByMarkerOrDashAndNotByColourAlone) {
    std::vector<std::string> names{"jpeg", "avc", "ajc", "webp", "avif", "jxl", "jp2"};
    for (int i = 0; names.size() < 28; ++i) names.push_back("cmd-" + std::to_string(i));
    const std::vector<CurveStyle> styles = curveStyles(names);
    std::set<std::tuple<MarkerShape, std::vector<double>>> looks;
    for (const CurveStyle& style : styles) {
        looks.insert({style.marker, style.dash});
        EXPECT_EQ(style.colour.size(), 7u);
        EXPECT_EQ(style.colour[0], '#');
    }
    EXPECT_EQ(looks.size(), names.size());
    // Past every distinct style, curves still get one each.
    names.push_back("one-more");
    EXPECT_EQ(curveStyles(names).size(), names.size());
}

TEST(CurveStylesTest, ACodecKeepsItsColourAtOtherSettingsAndOtherCodecsTakeOtherColours) {
    const std::vector<CurveStyle> styles = curveStyles({"jpeg", "avif:speed=8", "webp-m6", "avif", "mine"});
    const CurveStyle& avifPlain = styles[3];
    EXPECT_EQ(styles[1].colour, avifPlain.colour);
    EXPECT_TRUE(styles[1].marker != avifPlain.marker || styles[1].dash != avifPlain.dash);
    EXPECT_TRUE(avifPlain.dash.empty());
    const std::set<std::string> colours{styles[0].colour, styles[1].colour, styles[2].colour, styles[4].colour};
    EXPECT_EQ(colours.size(), 4u) << "jpeg, avif and two codecs of commands drawn together";
}

TEST(CurveStylesTest, TwoNamesThatWouldShareAStyleAreSteppedApart) {
    // Some pair of names among these prefers the same style; in one list they still differ.
    std::vector<std::string> names;
    for (int i = 0; i < 21; ++i) names.push_back("codec-" + std::to_string(i));
    const std::vector<CurveStyle> styles = curveStyles(names);
    EXPECT_EQ(std::set<std::string>(names.begin(), names.end()).size(), names.size());
    for (std::size_t i = 0; i < styles.size(); ++i)
        for (std::size_t j = i + 1; j < styles.size(); ++j) EXPECT_NE(styles[i], styles[j]) << names[i] << " " << names[j];
    EXPECT_EQ(markerName(MarkerShape::Diamond), "diamond");
}

}  // namespace
}  // namespace brenlow
