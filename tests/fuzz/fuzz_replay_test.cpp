#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>

#include "io/file_io.h"

// The fuzz targets' own entry points, renamed at compile time so that all four live in one binary.
extern "C" {
int brenlow_fuzz_container(const std::uint8_t* data, std::size_t size);
int brenlow_fuzz_jpeg(const std::uint8_t* data, std::size_t size);
int brenlow_fuzz_bitmap(const std::uint8_t* data, std::size_t size);
int brenlow_fuzz_decode(const std::uint8_t* data, std::size_t size);
}

namespace brenlow::testing {
namespace {

namespace fs = std::filesystem;

struct FuzzTarget {
    const char* name;
    int (*replay)(const std::uint8_t*, std::size_t);
};

// Each target's seed corpus and every input that ever made it fail go through the target again:
// they must decode or fail with the core's error, and keep the target's own invariants (it
// aborts otherwise), in every build including the sanitizer one.
TEST(FuzzReplayTest, CorpusAndRegressionInputsKeepEachTargetsInvariants) {
    const FuzzTarget targets[] = {{"container", brenlow_fuzz_container},
                                  {"jpeg", brenlow_fuzz_jpeg},
                                  {"bitmap", brenlow_fuzz_bitmap},
                                  {"decode", brenlow_fuzz_decode}};
    for (const FuzzTarget& target : targets) {
        int replayed = 0;
        for (const fs::path& folder : {fs::path(BRENLOW_FUZZ_CORPUS_DIR) / target.name,
                                      fs::path(BRENLOW_TEST_DATA_DIR) / "regressions" / target.name}) {
            if (!fs::is_directory(folder)) {
                continue;
            }
            for (const auto& entry : fs::directory_iterator(folder)) {
                SCOPED_TRACE(entry.path().string());
                const Bytes input = readWholeFile(entry.path().string());
                EXPECT_EQ(target.replay(input.data(), input.size()), 0);
                ++replayed;
            }
        }
        EXPECT_GT(replayed, 0) << target.name;
    }
}

}  // namespace
}  // namespace brenlow::testing
