#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "catalogue/codec_registry.h"
#include "io/error.h"
#include "support/test_support.h"

namespace brenlow::testing {
namespace {

std::string descriptionOf(const std::string& name) {
    return R"({"name": ")" + name + R"(", "encode": ["cp", "{input}", "{output}"],
        "decode": ["cp", "{input}", "{output}"], "format": "ppm", "extension": ".x", "quality": {"min": 1, "max": 9}})";
}

CommandCodec codecOf(const std::string& name, const std::string& file) {
    return parseCommandCodecs(QByteArray::fromStdString(descriptionOf(name)), file).front();
}

// A library codec looked up by name before any listing (it opens its module alone) gets the entry
// every later listing holds, in the library codecs' order after ours.
TEST(CodecRegistryTest, ALibraryCodecLookedUpAloneIsTheEntryTheListingHoldsLater) {
    const std::vector<const AnchorCodec*>& anchors = anchorCodecs();
    if (anchors.size() < 2) GTEST_SKIP() << "this build has fewer than two library codecs";
    const std::string last = anchors.back()->name();
    const CodecEntry* alone = codecEntryNamed(last);
    ASSERT_NE(alone, nullptr);
    EXPECT_EQ(alone, codecEntryNamed(last));
    EXPECT_EQ(alone->anchor, anchors.back());
    const CodecList listing = codecRegistry();
    ASSERT_GE(listing.size(), 3 + anchors.size());
    EXPECT_EQ(&listing[3 + anchors.size() - 1], alone);
    for (std::size_t i = 0; i < anchors.size(); ++i) EXPECT_EQ(listing[3 + i].anchor, anchors[i]) << i;
    EXPECT_EQ(codecEntryNamed(last), alone);
}

// The registry is the process's: each test adds codecs of names its own.
TEST(CodecRegistryTest, CodecsAddedWhileOtherThreadsListAndLookUpAreSeenWholeAndNeverMove) {
    constexpr int kAdded = 300;
    std::atomic<bool> adding{true};
    std::atomic<int> faults{0};
    std::vector<std::thread> readers;
    for (int reader = 0; reader < 3; ++reader) {
        readers.emplace_back([&] {
            std::size_t seen = 0;
            while (adding.load()) {
                std::size_t listed = 0;
                for (const CodecEntry& entry : codecRegistry()) {
                    // A half-made entry has no name yet, or is not the one its name finds.
                    if (entry.name.empty() || codecEntryNamed(entry.name) != &entry) ++faults;
                    ++listed;
                }
                if (listed < seen || codecEntryNamed("jpeg") == nullptr) ++faults;
                seen = listed;
            }
        });
    }
    const std::size_t before = codecRegistry().size();
    const CodecEntry* first = nullptr;
    for (int i = 0; i < kAdded; ++i) {
        const std::string name = "race-" + std::to_string(i);
        addCommandCodecs({codecOf(name, name + ".json")});
        if (i == 0) first = codecEntryNamed(name);
    }
    adding = false;
    for (std::thread& reader : readers) reader.join();

    EXPECT_EQ(faults.load(), 0);
    EXPECT_EQ(codecRegistry().size(), before + kAdded);
    EXPECT_EQ(codecEntryNamed("race-0"), first) << "an entry stays where it was made";
    EXPECT_EQ(codecRegistry()[before + kAdded - 1].name, "race-" + std::to_string(kAdded - 1));
}

// The workbench names a file by its full path, the command line as typed: the same file either way.
TEST(CodecRegistryTest, AFileAddedAgainByAnotherPathAddsNothingAndAFileThatClashesAddsNoneOfItsCodecs) {
    TempDir dir;
    std::ofstream(dir.file("same.json")) << descriptionOf("reg-same");
    addCommandCodecs(readCommandCodecFile(dir.file("same.json")));
    const std::size_t count = codecRegistry().size();
    EXPECT_NO_THROW(addCommandCodecs(readCommandCodecFile((dir.path() / "." / "same.json").string())));
    EXPECT_EQ(codecRegistry().size(), count);
    EXPECT_EQ(codecEntryNamed("reg-same")->library(), "commands from " + dir.file("same.json"));

    std::ofstream(dir.file("both.json")) << "[" << descriptionOf("reg-fresh") << "," << descriptionOf("reg-same")
                                         << "]";
    try {
        addCommandCodecs(readCommandCodecFile(dir.file("both.json")));
        ADD_FAILURE() << "a codec of another file's name was taken";
    } catch (const Error& error) {
        EXPECT_EQ(std::string(error.what()), "The codec \"reg-same\" of " + dir.file("both.json") +
                                                 " is already given by " + dir.file("same.json"));
    }
    EXPECT_EQ(codecEntryNamed("reg-fresh"), nullptr) << "a file that fails adds none of its codecs";
    EXPECT_EQ(codecRegistry().size(), count);
}

}  // namespace
}  // namespace brenlow::testing
