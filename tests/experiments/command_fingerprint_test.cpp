#include <gtest/gtest.h>

#include <QByteArray>
#include <fstream>

#include "catalogue/command_codec.h"
#include "experiments/command_fingerprint.h"
#include "support/test_support.h"

namespace brenlow::testing {
namespace {

using Parts = std::vector<std::string>;

class CommandFingerprintTest : public ::testing::Test {
protected:
    CommandFingerprintTest() {
        std::ofstream(folder.file("model.bin")) << "weights 1";
        std::ofstream(folder.file("filter.py")) << "STEP = 16";
    }

    // A codec whose encoder reads a model given as --model=FILE and whose decoder runs a script;
    // `extra` keys follow its own.
    CommandCodec codec(const std::string& extra = {}, int highest = 9) const {
        const std::string json = R"({"name": "learned", "encode": ["cp", "--model=)" + folder.file("model.bin") +
                                 R"(", "{input}", "{output}"], "decode": ["cp", ")" + folder.file("filter.py") +
                                 R"(", "{input}", "{output}"], "format": "ppm", "extension": ".l", "quality": {"min": 1,
                                 "max": )" + std::to_string(highest) + "}" + extra + "}";
        return parseCommandCodecs(QByteArray::fromStdString(json), "learned.json").front();
    }

    std::string fingerprint(const std::string& extra = {}, int highest = 9) const {
        return commandCodecFingerprint(codec(extra, highest));
    }

    TempDir folder;
};

TEST_F(CommandFingerprintTest, EachPartThatChangesIsNamedAndNothingElseChangesIt) {
    const std::string first = fingerprint();
    EXPECT_EQ(fingerprint(), first);
    EXPECT_EQ(fingerprint(R"(, "title": "Learned codec")"), first) << "a title changes no figure";

    std::ofstream(folder.file("model.bin")) << "weights 2";
    const std::string retrained = fingerprint();
    EXPECT_EQ(fingerprintChanges(first, retrained), (Parts{"file " + folder.file("model.bin")}))
        << "the file after --model=";
    std::ofstream(folder.file("filter.py")) << "STEP = 64";
    EXPECT_EQ(fingerprintChanges(retrained, fingerprint()), (Parts{"file " + folder.file("filter.py")}));

    EXPECT_EQ(fingerprintChanges(fingerprint(), fingerprint(R"(, "version": 2)")), (Parts{"version 2"}));
    EXPECT_EQ(fingerprintChanges(fingerprint(R"(, "version": "a")"), fingerprint(R"(, "version": "b")")),
              (Parts{"version b", "version a"}));
    EXPECT_EQ(fingerprintChanges(fingerprint(), fingerprint({}, 8)), (Parts{"description"}));
}

TEST_F(CommandFingerprintTest, AProgramIsTheFileThePathLeadsToAndAMissingOneIsSaidSo) {
    EXPECT_NE(fingerprint().find("\nprogram /"), std::string::npos) << fingerprint();
    CommandCodec missing = codec();
    missing.decode.front() = "no-such-program-of-brenlow";
    EXPECT_NE(commandCodecFingerprint(missing).find("\nprogram no-such-program-of-brenlow not found"), std::string::npos);
}

}  // namespace
}  // namespace brenlow::testing
