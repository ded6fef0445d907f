#include "brenlow/requests.h"

#include <gtest/gtest.h>

#include "io/error.h"

namespace brenlow {
namespace {

std::vector<CodecCurve> curvesOfNames(std::vector<std::string> names) {
    SweepRequest request;
    request.curves = std::move(names);
    return curvesOf(request);
}

// Every front end takes its anchor from this one rule, so a folder reopened anywhere compares the same way.
TEST(AnchorRuleTest, JpegWhenSweptElseTheFirstCurveElseWhatWasAsked) {
    SweepRequest request;
    EXPECT_EQ(anchorOf(request, curvesOfNames({"avc", "jpeg", "ajc"})), "jpeg");
    EXPECT_EQ(anchorOf(request, curvesOfNames({"avc", "ajc"})), "avc");
    EXPECT_EQ(anchorOf(request, {}), "");
    // jpeg at its default settings under a label is still the jpeg curve.
    EXPECT_EQ(anchorOf(request, curvesOfNames({"ajc", "jpeg:label=baseline"})), "baseline");

    request.anchor = "ajc";
    EXPECT_EQ(anchorOf(request, curvesOfNames({"jpeg", "ajc"})), "ajc");
    request.anchor = "avc";
    EXPECT_THROW(anchorOf(request, curvesOfNames({"jpeg", "ajc"})), UsageError);
}

TEST(SweepRequestTest, DefaultsAreTheCommandLineDefaults) {
    const SweepRequest request;
    const SweepSettings settings = sweepSettingsOf(request);
    std::vector<std::string> names;
    for (const CodecCurve& curve : settings.curves) names.push_back(curve.name);
    EXPECT_EQ(names, (std::vector<std::string>{"jpeg", "avc", "ajc"}));
    EXPECT_EQ(settings.qualities, (std::vector<int>{10, 20, 30, 40, 50, 60, 70, 80, 90}));
    EXPECT_TRUE(settings.measures.takes("ms_ssim"));
    EXPECT_TRUE(settings.measures.takes("ciede2000"));
    EXPECT_TRUE(settings.measures.takes("butteraugli"));
    EXPECT_FALSE(settings.measures.takes("ssimulacra2"));
    EXPECT_FLOAT_EQ(settings.divisor, 2.5f);  // divisor code 2
    EXPECT_EQ(settings.passes, 2);
}

TEST(SweepRequestTest, OwnQualitiesAndTimedRunsShapeTheSettings) {
    SweepRequest request;
    request.curves = {"jpeg", "avc"};
    request.qualitiesFor = {"avc=20:40:10"};
    request.timingRuns = 3;
    const SweepSettings settings = sweepSettingsOf(request);
    EXPECT_TRUE(settings.curves[0].qualities.empty());
    EXPECT_EQ(settings.curves[1].qualities, (std::vector<int>{20, 30, 40}));
    // Points timed side by side would share the cores.
    EXPECT_EQ(settings.threads, 1);

    request.qualitiesFor = {"webp=20"};
    EXPECT_THROW(sweepSettingsOf(request), Error);
    request.qualitiesFor = {"avc=20", "avc=30"};
    EXPECT_THROW(sweepSettingsOf(request), Error);
}

// The command line's --measures and Python's measures= name the same measures and refuse alike.
TEST(MeasureNamesTest, NamesTakeThoseMeasuresNoneTakesNoneAndOthersAreRefusedNamingThem) {
    const std::vector<std::string> every = measureNamesOf(everyMeasure());
    ASSERT_GE(every.size(), 2u);
    EXPECT_EQ(measureNamesOf(measureChoiceNamed({every.back(), every.front()})),
              (std::vector<std::string>{every.front(), every.back()}));
    EXPECT_TRUE(measureNamesOf(measureChoiceNamed({"none"})).empty());
    EXPECT_TRUE(measureNamesOf(measureChoiceNamed({})).empty());
    try {
        measureChoiceNamed({every.front(), "sharpness"});
        ADD_FAILURE() << "an unknown measure was taken";
    } catch (const UsageError& error) {
        EXPECT_NE(std::string(error.what()).find("\"sharpness\" is not one of " + every.front()), std::string::npos)
            << error.what();
    }
}

}  // namespace
}  // namespace brenlow
