#include "experiments/own_outputs.h"

#include <algorithm>
#include <filesystem>
#include <map>

#include "catalogue/codec_registry.h"
#include "catalogue/still_codec.h"

namespace brenlow {
namespace {

namespace fs = std::filesystem;

// 0 for a file no codec writes (a source), 1 for the JPEG experiment's .jpg (a source too when
// nothing else shares its name), 2 for another codec's file.
int codedRank(const fs::path& path) {
    const std::string extension = path.extension().string();
    if (extension == codecEntryOf(StillCodec::Jpeg).extension) return 1;
    for (const CodecEntry& entry : codecRegistry())
        if (entry.extension == extension) return 2;
    return 0;
}

bool isDecodedResult(const fs::path& path) {
    const std::string stem = path.stem().string();
    return !stem.empty() && stem.back() == '~';
}

bool isNamed(const std::string& picture, const std::vector<std::string>& named) {
    return std::find(named.begin(), named.end(), picture) != named.end();
}

}  // namespace

std::vector<std::string> withoutOwnOutputs(const std::vector<std::string>& pictures,
                                           const std::vector<std::string>& named,
                                           std::vector<LeftOutPicture>* leftOut) {
    // The likeliest source of each name: the file of the lowest rank sharing it.
    std::map<fs::path, const std::string*> sources;
    for (const std::string& picture : pictures) {
        const fs::path path(picture);
        if (isDecodedResult(path)) continue;
        const auto [found, added] = sources.emplace(path.parent_path() / path.stem(), &picture);
        if (!added && codedRank(path) < codedRank(*found->second)) found->second = &picture;
    }
    // Why a picture is an output rather than a source; "" for a source.
    const auto outputReason = [&](const std::string& picture) -> std::string {
        const fs::path path(picture);
        if (isNamed(picture, named)) return {};
        if (isDecodedResult(path)) return "a decoded result";
        const std::string& source = *sources.at(path.parent_path() / path.stem());
        if (source != picture && codedRank(path) > codedRank(source))
            return "coded from " + fs::path(source).filename().string();
        return {};
    };
    std::vector<std::string> kept;
    for (const std::string& picture : pictures) {
        const std::string why = outputReason(picture);
        if (why.empty()) kept.push_back(picture);
        else if (leftOut != nullptr) leftOut->push_back({picture, why});
    }
    return kept;
}

}  // namespace brenlow
