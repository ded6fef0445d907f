// Pins every output file and report line of the coding commands on the shipped pictures at
// several qualities, so that work on speed cannot change a single bit. The pinned digests were
// recorded with the plain one-sample-at-a-time kernels; BRENLOW_RECORD_GOLDEN=<file> rewrites them.
// The coded and decoded JPEG bytes depend on the JPEG library: the file's first line names the one
// that made them, and a digest that differs under another library says so.
#include <gtest/gtest.h>

#include <QCryptographicHash>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string_view>

#include "codecs/document.h"
#include "codecs/sequence_codec.h"
#include "codecs/still_codecs.h"
#include "jpeg/jpeg_library_version.h"
#include "support/test_support.h"

namespace brenlow {
namespace {

using Digests = std::map<std::string, std::string>;

std::string digestOf(const std::string& path) {
    const std::string bytes = testing::fileBytes(path);
    return QCryptographicHash::hash(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())),
                                    QCryptographicHash::Sha256)
        .toHex()
        .toStdString();
}

void recordStillRun(Digests& digests, const std::string& key, const StillRunResult& result,
                    const std::string& decodedFile) {
    digests[key + " report"] = result.reportLine;
    digests[key + " coded"] = digestOf(result.codedPath);
    if (!decodedFile.empty()) {
        digests[key + " decoded"] = digestOf(decodedFile);
    }
}

// With planes the commands work as for a document window; without, as for the command-line tool.
Digests computeDigests(bool withPlanes) {
    Digests digests;
    for (const std::string picture : {"astronaut", "chelsea", "coffee"}) {
        testing::TempDir dir;
        const std::string source = picture == "astronaut" ? testing::samplePath("astronaut.bmp")
                                                          : testing::testDataPath(picture + ".bmp");
        const std::string path = testing::copyInto(source, dir, picture + ".bmp");
        const PictureDocument document = openPictureDocument(path, withPlanes);
        DocumentView view = document.view();
        view.wantsDecodedPlanes = withPlanes;
        const std::string decoded = dir.file(picture + "~.bmp");
        for (const int quality : {10, 50, 80, 95}) {
            const std::string key = picture + " q" + std::to_string(quality);
            const auto q = static_cast<std::uint8_t>(quality);
            recordStillRun(digests, key + " avc", encodeAvcStill(view, {q, 2.5f, 2}), decoded);
            recordStillRun(digests, key + " ajc", encodeAjcStill(view, {q, 2.5f, 2}), "");
            recordStillRun(digests, key + " jpeg", runJpegExperiment(view, q), decoded);
        }
        recordStillRun(digests, picture + " q80 avc focus5 divisor7",
                       encodeAvcStill(view, {80, 7.5f, 5}), decoded);

        const testing::WorkingDirectory inside(dir.path());
        std::filesystem::create_directories("frames");
        std::filesystem::create_directories("frames~");
        std::filesystem::copy_file(path, "frames/frame0.bmp");
        encodeSequence({kFramePrefix, 0, 80, 2.5f, 1});
        std::filesystem::copy_file("frames/frame0.avc", "frames~/frame0.avc");
        decodeSequence({kDecodedFramePrefix, 0, 1});
        digests[picture + " sequence coded"] = digestOf("frames/frame0.avc");
        digests[picture + " sequence decoded"] = digestOf("frames~/frame000000.bmp");
    }
    return digests;
}

std::string pinnedPath() { return testing::testDataPath("golden_outputs.txt"); }

constexpr std::string_view kLibraryLine = "# made with libjpeg ";

struct PinnedDigests {
    std::string jpegLibrary;  // as jpegLibraryVersion() gave it when they were recorded
    Digests digests;
};

PinnedDigests readPinned() {
    PinnedDigests pinned;
    std::ifstream in(pinnedPath());
    std::string line;
    while (std::getline(in, line)) {
        if (line.starts_with(kLibraryLine)) pinned.jpegLibrary = line.substr(kLibraryLine.size());
        const auto tab = line.find('\t');
        if (tab != std::string::npos) {
            pinned.digests[line.substr(0, tab)] = line.substr(tab + 1);
        }
    }
    return pinned;
}

// Why a digest may differ, beside a change of ours: another JPEG library than the one that made it.
std::string libraryNote(const std::string& pinnedLibrary) {
    if (pinnedLibrary == jpegLibraryVersion()) return "";
    return "; the pinned digests were made with libjpeg " + (pinnedLibrary.empty() ? "(not named)" : pinnedLibrary) +
           " and this build uses libjpeg " + jpegLibraryVersion() +
           ": outputs that pass through JPEG may differ for that reason alone";
}

void expectPinned(const Digests& computed) {
    const PinnedDigests pinned = readPinned();
    const std::string note = libraryNote(pinned.jpegLibrary);
    ASSERT_EQ(pinned.digests.size(), computed.size()) << "pinned digests missing or stale: " << pinnedPath() << note;
    for (const auto& [key, value] : computed) {
        EXPECT_EQ(pinned.digests.at(key), value) << key << note;
    }
}

TEST(GoldenOutputsTest, EveryFileAndReportLineIsUnchanged) {
    const Digests computed = computeDigests(true);
    if (const char* record = std::getenv("BRENLOW_RECORD_GOLDEN")) {
        std::ofstream out(record);
        out << kLibraryLine << jpegLibraryVersion() << '\n';
        for (const auto& [key, value] : computed) {
            out << key << '\t' << value << '\n';
        }
        GTEST_SKIP() << "recorded " << computed.size() << " digests into " << record;
    }
    expectPinned(computed);
}

TEST(GoldenOutputsTest, WorkingFromBitmapsAloneChangesNothing) { expectPinned(computeDigests(false)); }

TEST(GoldenOutputsTest, DigestsMadeWithAnotherJpegLibraryNameBothLibraries) {
    EXPECT_EQ(libraryNote(jpegLibraryVersion()), "");
    const std::string note = libraryNote("80, libjpeg-turbo 3.0.0");
    EXPECT_NE(note.find("made with libjpeg 80, libjpeg-turbo 3.0.0"), std::string::npos) << note;
    EXPECT_NE(note.find("this build uses libjpeg " + jpegLibraryVersion()), std::string::npos) << note;
    EXPECT_EQ(readPinned().jpegLibrary, jpegLibraryVersion()) << "the shipped digests name the library that made them";
}

}  // namespace
}  // namespace brenlow
