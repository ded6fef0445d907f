#include "catalogue/library_versions.h"

#include <QtGlobal>

#include "anchors/anchor_codec.h"
#include "source_commit.h"

namespace brenlow {

std::string programVersion() { return BRENLOW_VERSION; }

std::string sourceCommit() { return BRENLOW_SOURCE_COMMIT; }

std::string qtVersion() { return qVersion(); }

std::vector<std::pair<std::string, std::string>> anchorLibraryVersions() {
    std::vector<std::pair<std::string, std::string>> versions;
    for (const AnchorCodec* codec : anchorCodecs()) {
        const std::string text = codec->libraryVersion();
        const std::size_t space = text.find(' ');
        versions.emplace_back(text.substr(0, space), space == std::string::npos ? "" : text.substr(space + 1));
    }
    return versions;
}

std::vector<std::string> buildDetailLines() {
    std::vector<std::string> lines{"commit " + sourceCommit(), "Qt " + qtVersion(), "libjpeg " + jpegLibraryVersion()};
    for (const auto& [library, version] : anchorLibraryVersions()) lines.push_back(library + " " + version);
    return lines;
}

}  // namespace brenlow
