#include "codecs/codec_settings.h"

#include <gtest/gtest.h>

#include "io/error.h"
#include "support/test_support.h"

namespace brenlow {
namespace {

using testing::messageOf;

const std::vector<SettingDescription> kDeclared{
    {"speed", "encoder speed", 0, 10, {}, "6"},
    {"yuv", "chroma subsampling", 0, 0, {"420", "444"}, "420"},
};

TEST(CodecChoiceTest, NamesAndSettingsAreReadAndWrittenInOneCanonicalForm) {
    struct Case {
        const char* text;
        const char* canonical;
        const char* curve;
    };
    for (const Case c : {Case{"avif", "avif", "avif"},
                         Case{"avif:yuv=444:speed=4", "avif:speed=4:yuv=444", "avif:speed=4:yuv=444"},
                         Case{"avif:speed=4:label=fast avif", "avif:speed=4", "fast avif"},
                         Case{"jpeg:label=a=b", "jpeg", "a=b"}}) {
        SCOPED_TRACE(c.text);
        const CodecChoice choice = parseCodecChoice(c.text);
        EXPECT_EQ(choice.text(), c.canonical);
        EXPECT_EQ(choice.curveName(), c.curve);
        EXPECT_EQ(parseCodecChoice(choice.text()).text(), choice.text()) << "the canonical text reads back";
    }
}

TEST(CodecChoiceTest, MalformedNamesAreRefusedSayingWhatIsWrong) {
    struct Case {
        const char* text;
        const char* message;
    };
    for (const Case c : {Case{"", "has no name"}, Case{":speed=4", "has no name"},
                         Case{"avif:speed", "\"speed\" is not KEY=VALUE"}, Case{"avif:=4", "\"=4\" is not KEY=VALUE"},
                         Case{"avif:speed=", "\"speed=\" is not KEY=VALUE"}, Case{"avif:", "\"\" is not KEY=VALUE"},
                         Case{"avif:speed=4:speed=5", "gives speed twice"},
                         Case{"avif:label=a:label=b", "gives label twice"}}) {
        SCOPED_TRACE(c.text);
        const std::string message = messageOf([&] { parseCodecChoice(c.text); });
        EXPECT_NE(message.find(c.message), std::string::npos) << message;
    }
}

TEST(CodecSettingsTest, UnknownKeysAndValuesOutsideWhatIsAllowedNameTheCodecTheKeyAndTheChoices) {
    EXPECT_NO_THROW(checkCodecSettings("avif", {{"speed", "0"}, {"yuv", "444"}}, kDeclared));
    EXPECT_NO_THROW(checkCodecSettings("avif", {{"speed", "10"}}, kDeclared));
    struct Case {
        CodecSettings settings;
        const char* message;
    };
    for (const Case& c : {Case{{{"sped", "4"}}, "The codec avif has no setting \"sped\"; it takes speed, yuv"},
                          Case{{{"speed", "11"}}, "The codec avif takes speed 0-10, not \"11\""},
                          Case{{{"speed", "-1"}}, "takes speed 0-10, not \"-1\""},
                          Case{{{"speed", "4.5"}}, "takes speed 0-10, not \"4.5\""},
                          Case{{{"speed", "0x4"}}, "takes speed 0-10, not \"0x4\""},
                          Case{{{"yuv", "422"}}, "The codec avif takes yuv 420, 444, not \"422\""}}) {
        const std::string message = messageOf([&] { checkCodecSettings("avif", c.settings, kDeclared); });
        EXPECT_NE(message.find(c.message), std::string::npos) << message;
    }
    const std::string none = messageOf([] { checkCodecSettings("plain", {{"speed", "1"}}, {}); });
    EXPECT_NE(none.find("it takes none"), std::string::npos) << none;
}

TEST(CodecSettingsTest, ResolvedSettingsHoldEveryDeclaredKeyWithTheGivenValueOrTheDefault) {
    const CodecSettings resolved = resolvedSettings({{"yuv", "444"}}, kDeclared);
    EXPECT_EQ(resolved, (CodecSettings{{"speed", "6"}, {"yuv", "444"}}));
    EXPECT_EQ(settingNumber(resolved, "speed"), 6);
    EXPECT_THROW(settingNumber(resolved, "yuv2"), Error);
    for (const SettingDescription& setting : kDeclared) EXPECT_TRUE(setting.accepts(setting.defaultValue));
}

}  // namespace
}  // namespace brenlow
