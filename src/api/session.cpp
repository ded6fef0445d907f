#include "brenlow/session.h"

#include "catalogue/codec_registry.h"
#include "catalogue/command_codec.h"
#include "measures/measure_table.h"
#include "results/research_json.h"

namespace brenlow {

std::vector<CodecInfo> Session::addCodecFile(const std::string& path) {
    const std::vector<CommandCodec> described = readCommandCodecFile(path);
    addCommandCodecs(described);
    std::vector<CodecInfo> added;
    for (const CommandCodec& codec : described) added.push_back(codecInfoNamed(codec.name));
    return added;
}

std::vector<CodecInfo> Session::codecs() const {
    std::vector<CodecInfo> infos;
    for (const CodecEntry& entry : codecRegistry()) infos.push_back(codecInfoNamed(entry.name));
    return infos;
}

std::vector<MeasureInfo> Session::measures() const {
    std::vector<MeasureInfo> infos;
    for (const MeasureRow& row : measureTable())
        infos.push_back({row.key, row.label, row.unit, row.higherIsBetter, row.group ? row.group : ""});
    return infos;
}

std::map<std::string, std::string> Session::versions() const { return runVersions(); }

}  // namespace brenlow
