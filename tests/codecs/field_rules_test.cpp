#include "codecs/field_rules.h"

#include <gtest/gtest.h>

#include <climits>

namespace brenlow {
namespace {

TEST(ReadFieldIntegerTest, ReadsAsAtolDoes) {
    EXPECT_EQ(readFieldInteger("80"), 80);
    EXPECT_EQ(readFieldInteger("  \t42abc"), 42);
    EXPECT_EQ(readFieldInteger("-5"), -5);
    EXPECT_EQ(readFieldInteger("+7"), 7);
    EXPECT_EQ(readFieldInteger("ab"), 0);
    EXPECT_EQ(readFieldInteger(""), 0);
    EXPECT_EQ(readFieldInteger("- 5"), 0);
    EXPECT_EQ(readFieldInteger("4 2"), 4);
}

TEST(ReadFieldIntegerTest, SaturatesInsteadOfOverflowing) {
    EXPECT_EQ(readFieldInteger("99999999999999999999999"), LONG_MAX);
    EXPECT_EQ(readFieldInteger("-99999999999999999999999"), LONG_MIN);
}

TEST(ReadQualityTest, StillCodecsResetEverythingOutsideOneToHundred) {
    for (Command command : {Command::AvcStill, Command::AjcStill}) {
        for (const char* text : {"-5", "0", "ab", "", "101", "200"}) {
            const QualitySetting setting = readQuality(text, command);
            EXPECT_EQ(setting.quality, 80) << text;
            EXPECT_TRUE(setting.wasReset) << text;
        }
        EXPECT_EQ(readQuality("99", command).quality, 99);
        EXPECT_FALSE(readQuality("99", command).wasReset);
        EXPECT_EQ(readQuality("1", command).quality, 1);
    }
}

TEST(ReadQualityTest, JpegAndSequencePassZeroAndLettersOn) {
    for (Command command : {Command::JpegExperiment, Command::SequenceEncoder}) {
        for (const char* text : {"0", "xy", ""}) {
            EXPECT_EQ(readQuality(text, command).quality, 0) << text;
            EXPECT_FALSE(readQuality(text, command).wasReset) << text;
        }
        EXPECT_EQ(readQuality("-5", command).quality, 80);
        EXPECT_TRUE(readQuality("-5", command).wasReset);
        EXPECT_EQ(readQuality("100", command).quality, 100);
    }
}

TEST(ReadQualityTest, HeldAsSignedByte) {
    EXPECT_EQ(readQuality("300", Command::AvcStill).quality, 44);  // 300 - 256
    EXPECT_FALSE(readQuality("300", Command::AvcStill).wasReset);
    EXPECT_TRUE(readQuality("200", Command::JpegExperiment).wasReset);  // -56
}

TEST(ReadDivisorTest, ZeroMeansTwoAndAHalfForStillsOnly) {
    for (Command command : {Command::AvcStill, Command::AjcStill}) {
        for (const char* text : {"0", "", "x", "2"}) {
            EXPECT_EQ(readDivisor(text, command), 2.5f) << text;
        }
        EXPECT_EQ(readDivisor("7", command), 7.5f);
    }
    EXPECT_EQ(readDivisor("0", Command::SequenceEncoder), 0.5f);
    EXPECT_EQ(readDivisor("x", Command::SequenceEncoder), 0.5f);
    EXPECT_EQ(readDivisor("2", Command::SequenceEncoder), 2.5f);
    EXPECT_EQ(divisorFor(0, Command::AvcStill), 2.5f);
    EXPECT_EQ(divisorFor(0, Command::SequenceEncoder), 0.5f);
}

TEST(DivisorCodeTest, TruncatesTowardZero) {
    EXPECT_EQ(divisorCode(2.5f), 2);
    EXPECT_EQ(divisorCode(7.5f), 7);
    EXPECT_EQ(divisorCode(0.5f), 0);
    EXPECT_EQ(divisorCode(300.5f), 44);
}

TEST(ReadFocusTest, NegativeGivesOneAndZeroStays) {
    EXPECT_EQ(readFocus("-3"), 1);
    EXPECT_EQ(readFocus("0"), 0);
    EXPECT_EQ(readFocus("2"), 2);
    EXPECT_EQ(readFocus("x"), 0);
    EXPECT_EQ(readLastFrame("12"), 12);
    EXPECT_EQ(readLastFrame("-1"), -1);
}

TEST(ReadStillFieldsTest, CombinesTheRulesAndReportsTheReset) {
    const StillFieldReading avc = readStillFields(Command::AvcStill, "0", "0", "-3");
    EXPECT_EQ(avc.parameters.quality, 80);
    EXPECT_TRUE(avc.qualityWasReset);
    EXPECT_EQ(avc.parameters.divisor, 2.5f);
    EXPECT_EQ(avc.parameters.passes, 1);

    const StillFieldReading defaults = readStillFields(Command::AjcStill, "80", "2", "2");
    EXPECT_EQ(defaults.parameters.quality, 80);
    EXPECT_FALSE(defaults.qualityWasReset);
    EXPECT_EQ(defaults.parameters.passes, 2);
}

}  // namespace
}  // namespace brenlow
