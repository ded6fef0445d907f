#include "brenlow/caller_codec.h"

#include <algorithm>
#include <cctype>
#include <utility>

#include "catalogue/caller_coding.h"
#include "catalogue/codec_registry.h"
#include "io/error.h"

namespace brenlow {
namespace {

bool plainName(const std::string& name) {
    return !name.empty() && std::all_of(name.begin(), name.end(), [](unsigned char c) {
        return std::isalnum(c) != 0 || c == '_' || c == '-' || c == '.';
    });
}

void checkCallerCodec(const CallerCodecFunctions& codec) {
    const std::string intro = "The codec \"" + codec.name + "\": ";
    if (!plainName(codec.name))
        throw UsageError(intro + "a codec's name is one or more letters, digits, '_', '-' and '.'");
    if (!codec.encode || !codec.decode) throw UsageError(intro + "it needs both an encode and a decode function");
    const auto within = [](int quality) { return quality >= -kFurthestQuality && quality <= kFurthestQuality; };
    if (codec.lowestQuality > codec.highestQuality || !within(codec.lowestQuality) || !within(codec.highestQuality))
        throw UsageError(intro + "its qualities run from a lowest to a highest, within " +
                         std::to_string(kFurthestQuality) + " of 0; " + std::to_string(codec.lowestQuality) +
                         " to " + std::to_string(codec.highestQuality) + " is not such a range");
    if (codec.extension.size() < 2 || codec.extension.front() != '.' || !plainName(codec.extension.substr(1)))
        throw UsageError(intro + "its extension \"" + codec.extension + "\" is not a dot and a name, such as \".bin\"");
}

}  // namespace

CodecInfo addCallerCodec(CallerCodecFunctions codec) {
    checkCallerCodec(codec);
    CallerCodec added{codec.name, codec.extension, {codec.lowestQuality, codec.highestQuality}, codec.origin, {}};
    added.functions.version = codec.version;
    added.functions.encode = [encode = std::move(codec.encode)](const QImage& bitmap, int quality) {
        return encode(Picture::fromImage(bitmap), quality);
    };
    added.functions.decode = [decode = std::move(codec.decode)](std::span<const std::uint8_t> data) {
        return decode(data).image();
    };
    return codecInfoNamed(addCallerCodec(std::move(added)).name);
}

}  // namespace brenlow
