#include "brenlow/codec.h"

#include "catalogue/codec_coding.h"
#include "catalogue/codec_registry.h"
#include "io/error.h"

namespace brenlow {

CodecInfo codecInfoNamed(const std::string& name) {
    const CodecEntry* entry = codecEntryNamed(name);
    if (entry == nullptr) throw Error("There is no codec \"" + name + "\"; the codecs are " + codecNamesText());
    CodecInfo info;
    info.name = entry->name;
    info.title = entry->title;
    info.extension = entry->extension;
    info.lowestQuality = entry->qualities.lowest;
    info.highestQuality = entry->qualities.highest;
    info.settings = entry->settings;
    info.library = entry->library();
    info.describedByCommands = entry->command != nullptr;
    // A caller's functions may not be called from several threads at once.
    info.severalAtOnce = entry->caller == nullptr;
    return info;
}

Codec::Codec(const std::string& codecText) : curve_(curveNamed(codecText)), info_(codecInfoNamed(curveCodecName(curve_))) {}

std::vector<std::uint8_t> Codec::encode(const Picture& picture, int quality) const {
    if (quality < info_.lowestQuality || quality > info_.highestQuality)
        throw Error(info_.name + " takes qualities from " + std::to_string(info_.lowestQuality) + " to " +
                    std::to_string(info_.highestQuality) + "; " + std::to_string(quality) + " is not one of them");
    if (picture.empty()) throw Error(info_.name + " cannot code an empty picture");
    PictureToCode input;
    input.bitmap = picture.bitmap();
    return codecEntryOf(curve_).coding->encode(input, quality, curve_.settings);
}

Picture Codec::decode(std::span<const std::uint8_t> data, int quality) const {
    return Picture::fromImage(codecEntryOf(curve_).coding->decode(data, quality, curve_.settings));
}

}  // namespace brenlow
