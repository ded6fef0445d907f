#include "catalogue/still_codec.h"

#include <utility>

#include "catalogue/codec_registry.h"
#include "io/error.h"

namespace brenlow {

const char* codecName(StillCodec codec) { return codecEntryOf(codec).name.c_str(); }

StillCodec libraryCodecValue(std::string_view name) {
    static constexpr std::pair<std::string_view, StillCodec> kValues[] = {
        {"webp", StillCodec::Webp}, {"avif", StillCodec::Avif}, {"jxl", StillCodec::Jxl}, {"jp2", StillCodec::Jp2}};
    for (const auto& [libraryName, value] : kValues)
        if (libraryName == name) return value;
    throw Error("The library codec \"" + std::string(name) + "\" has no StillCodec value");
}

const AnchorCodec* anchorCodecOf(StillCodec codec) {
    for (const CodecEntry& entry : codecRegistry())
        if (entry.codec == codec) return entry.anchor;
    return nullptr;
}

const std::vector<StillCodec>& availableCodecs() {
    // Built once: the built-in codecs never change, and every caller then walks the same list.
    static const std::vector<StillCodec> codecs = [] {
        std::vector<StillCodec> built;
        for (const CodecEntry& entry : codecRegistry())
            if (entry.codec != StillCodec::Command) built.push_back(entry.codec);
        return built;
    }();
    return codecs;
}

std::optional<StillCodec> codecNamed(const std::string& name) {
    const CodecEntry* entry = codecEntryNamed(name);
    return entry != nullptr ? std::optional(entry->codec) : std::nullopt;
}

// Codecs described by commands report and measure as the anchors do.
bool reportsSnr(StillCodec codec) { return codec == StillCodec::Command || codecEntryOf(codec).reportsSnr; }

QImage referencePictureFor(StillCodec codec, const DocumentView& document) {
    return codec != StillCodec::Command && codecEntryOf(codec).againstSourceFile ? sourceFilePicture(document) : documentFilePicture(document);
}

}  // namespace brenlow
