#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

#include "io/bitmap_file.h"
#include "support/cli_runner.h"
#include "support/test_support.h"

namespace brenlow::testing {
namespace {

namespace fs = std::filesystem;

// An environment variable for the commands a test starts, taken back when the test ends.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const std::string& value) : name_(name) {
        if (const char* before = std::getenv(name)) before_ = before;
        setenv(name, value.c_str(), 1);
    }
    ~ScopedVariable() {
        if (before_)
            setenv(name_, before_->c_str(), 1);
        else
            unsetenv(name_);
    }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    const char* name_;
    std::optional<std::string> before_;
};

class ModuleCliTest : public ::testing::Test {
protected:
    ModuleCliTest() { copyInto(samplePath("astronaut.bmp"), cwd, "astronaut.bmp"); }

    // A folder of modules holding the build's own, less `left`.
    void layOutModulesWithout(const std::string& left) {
        for (const auto& module : fs::directory_iterator(BRENLOW_MODULE_BUILD_DIR)) {
            if (module.path().filename() != "brenlow_module_" + left + ".so")
                fs::create_symlink(module.path(), modules.path() / module.path().filename());
        }
    }

    TempDir cwd;
    TempDir modules;
};

// The dynamic loader names on stderr every object it loads when LD_DEBUG=files.
bool loaded(const CliRun& run, const std::string& object) { return run.err.find("file=" + object) != std::string::npos; }
bool loadedModule(const CliRun& run) { return run.err.find("brenlow_module_") != std::string::npos; }

TEST_F(ModuleCliTest, OurCodecsAndTheDecoderStartWithoutAnyCodecLibrary) {
    const ScopedVariable trace("LD_DEBUG", "files");
    for (const Arguments& command : {Arguments{"avc", "astronaut.bmp"}, Arguments{"jpeg", "astronaut.bmp"},
                                     Arguments{"ajc", "astronaut.bmp"}, Arguments{"decode", "astronaut.avc"},
                                     Arguments{"code", "--codec", "avc", "astronaut.bmp"}}) {
        const CliRun run = runCli(command, cwd.path());
        ASSERT_EQ(run.exitCode, 0) << command[0] << ": " << run.err;
        EXPECT_FALSE(loadedModule(run)) << command[0];
        for (const char* library : {"libwebp.so", "libavif.so", "libjxl.so", "libhwy.so", "libopenjp2.so"})
            EXPECT_FALSE(loaded(run, library)) << command[0] << " loaded " << library;
    }
}

TEST_F(ModuleCliTest, CompareLoadsTheJpegXlLibraryOnlyForButteraugli) {
    ASSERT_EQ(runCli({"jpeg", "astronaut.bmp"}, cwd.path()).exitCode, 0);
    const ScopedVariable trace("LD_DEBUG", "files");
    const CliRun plain = runCli({"compare", "--measures", "ms_ssim,ciede2000", "astronaut.bmp", "astronaut~.bmp"}, cwd.path());
    ASSERT_EQ(plain.exitCode, 0) << plain.err;
    EXPECT_FALSE(loadedModule(plain));
    for (const char* library : {"libavif.so", "libjxl.so", "libopenjp2.so"}) EXPECT_FALSE(loaded(plain, library)) << library;

    const CliRun withButteraugli =
        runCli({"compare", "--measures", "butteraugli", "astronaut.bmp", "astronaut~.bmp"}, cwd.path());
    ASSERT_EQ(withButteraugli.exitCode, 0) << withButteraugli.err;
    EXPECT_NE(withButteraugli.err.find("brenlow_module_jxl.so"), std::string::npos);
    EXPECT_FALSE(loaded(withButteraugli, "libavif.so"));
}

// Scripts code one picture per call: coding with a library codec opens its module alone.
TEST_F(ModuleCliTest, CodingWithALibraryCodecOpensItsModuleAlone) {
    const ScopedVariable trace("LD_DEBUG", "files");
    for (const std::string codec : {"webp", "jp2"}) {
        const CliRun run = runCli({"code", "--codec", codec, "astronaut.bmp"}, cwd.path());
        ASSERT_EQ(run.exitCode, 0) << codec << ": " << run.err;
        for (const std::string module : {"webp", "avif", "jxl", "jp2"})
            EXPECT_EQ(run.err.find("/brenlow_module_" + module + ".so") != std::string::npos, module == codec)
                << codec << " and the module " << module;
        EXPECT_FALSE(loaded(run, "libavif.so")) << codec;
    }
}

// Qt's image plugins cost a start some 200 page faults: compare makes them only for a picture that
// needs them, never for a pair of bitmaps; nor does it open the JPEG XL module for pictures too
// small for Butteraugli.
TEST_F(ModuleCliTest, CompareOfBitmapsStartsWithoutImagePluginsOrAModuleItDoesNotUse) {
    ASSERT_EQ(runCli({"jpeg", "astronaut.bmp"}, cwd.path()).exitCode, 0);
    saveBitmapFile(patternBitmap(6, 6), cwd.file("small.bmp"));
    saveBitmapFile(patternBitmap(6, 6).mirrored(true, false), cwd.file("small2.bmp"));
    ASSERT_TRUE(patternBitmap(512, 512).save(QString::fromStdString(cwd.file("pattern.png")), "PNG"));
    const ScopedVariable trace("LD_DEBUG", "files");
    const CliRun bitmaps = runCli({"compare", "--measures", "none", "astronaut.bmp", "astronaut~.bmp"}, cwd.path());
    ASSERT_EQ(bitmaps.exitCode, 0) << bitmaps.err;
    EXPECT_EQ(bitmaps.err.find("/imageformats/"), std::string::npos);
    const CliRun small = runCli({"compare", "small.bmp", "small2.bmp"}, cwd.path());
    ASSERT_EQ(small.exitCode, 0) << small.err;
    EXPECT_FALSE(loadedModule(small));
    const CliRun png = runCli({"compare", "--measures", "none", "astronaut.bmp", "pattern.png"}, cwd.path());
    ASSERT_EQ(png.exitCode, 0) << png.err;
    EXPECT_NE(png.err.find("/imageformats/"), std::string::npos);
}

TEST_F(ModuleCliTest, AMissingModuleLeavesItsCodecOutAndSaysWhy) {
    layOutModulesWithout("webp");
    const ScopedVariable folder("BRENLOW_MODULE_DIR", modules.path().string());
    const CliRun listing = runCli({"codecs"}, cwd.path());
    ASSERT_EQ(listing.exitCode, 0) << listing.err;
    EXPECT_EQ(listing.out.find("webp ("), std::string::npos) << listing.out;
    EXPECT_NE(listing.out.find("jpeg ("), std::string::npos) << listing.out;

    // Checked with the codec's name, as a codec this build lacks is.
    const CliRun coded = runCli({"code", "--codec", "webp", "astronaut.bmp"}, cwd.path());
    EXPECT_EQ(coded.exitCode, 2);
    EXPECT_NE(coded.err.find("The codec \"webp\" is unavailable: the module brenlow_module_webp.so could not be opened"),
              std::string::npos)
        << coded.err;
    EXPECT_NE(coded.err.find("No such file"), std::string::npos) << coded.err;
    EXPECT_FALSE(fs::exists(cwd.path() / "astronaut.webp"));
    // The other codecs go on as before.
    EXPECT_EQ(runCli({"avc", "astronaut.bmp"}, cwd.path()).exitCode, 0);
}

TEST_F(ModuleCliTest, AModuleThatFailsToOpenNamesTheLoadersReason) {
    layOutModulesWithout("jp2");
    std::ofstream(modules.path() / "brenlow_module_jp2.so") << std::string(200, 'x');
    const ScopedVariable folder("BRENLOW_MODULE_DIR", modules.path().string());
    const CliRun coded = runCli({"code", "--codec", "jp2", "astronaut.bmp"}, cwd.path());
    EXPECT_EQ(coded.exitCode, 2);
    EXPECT_NE(coded.err.find("brenlow_module_jp2.so could not be opened"), std::string::npos) << coded.err;
    EXPECT_NE(coded.err.find("invalid ELF header"), std::string::npos) << coded.err;
    EXPECT_FALSE(fs::exists(cwd.path() / "astronaut.jp2"));
}

TEST_F(ModuleCliTest, WithoutTheJpegXlModuleButteraugliIsUndefinedAndTheOtherMeasuresStay) {
    ASSERT_EQ(runCli({"jpeg", "astronaut.bmp"}, cwd.path()).exitCode, 0);
    const CliRun whole = runCli({"compare", "--json", "astronaut.bmp", "astronaut~.bmp"}, cwd.path());
    ASSERT_EQ(whole.exitCode, 0) << whole.err;
    layOutModulesWithout("jxl");
    const ScopedVariable folder("BRENLOW_MODULE_DIR", modules.path().string());
    const CliRun without = runCli({"compare", "--json", "astronaut.bmp", "astronaut~.bmp"}, cwd.path());
    ASSERT_EQ(without.exitCode, 0) << without.err;
    EXPECT_EQ(whole.out.find("\"butteraugli_max\":null"), std::string::npos) << whole.out;
    EXPECT_NE(without.out.find("\"butteraugli_max\":null"), std::string::npos) << without.out;
    EXPECT_NE(without.out.find(whole.out.substr(whole.out.find("\"psnr\""), 20)), std::string::npos) << without.out;
}

}  // namespace
}  // namespace brenlow::testing
