#include "brenlow/codec.h"

#include "catalogue/codec_coding.h"
#include "catalogue/codec_registry.h"
#include "experiments/coding_clock.h"
#include "io/error.h"
#include "measures/measures.h"

namespace brenlow {

CodecInfo codecInfoNamed(const std::string& name) {
    const CodecEntry* entry = codecEntryNamed(name);
    if (entry == nullptr) throw UsageError("There is no codec \"" + name + "\"; the codecs are " + codecNamesText());
    CodecInfo info;
    info.name = entry->name;
    info.title = entry->title;
    info.extension = entry->extension;
    info.lowestQuality = entry->qualities.lowest;
    info.highestQuality = entry->qualities.highest;
    info.settings = entry->settings;
    info.defaults = entry->settingsLine(resolvedSettings({}, entry->settings));
    info.library = entry->library();
    info.describedByCommands = entry->command != nullptr;
    // A caller's functions may not be called from several threads at once.
    info.severalAtOnce = entry->caller == nullptr;
    return info;
}

namespace {

// A codec string that does not read is the caller's mistake, not the codec's.
CodecCurve curveOfText(const std::string& codecText) {
    try {
        return curveNamed(codecText);
    } catch (const UsageError&) {
        throw;
    } catch (const Error& error) {
        throw UsageError(error.what());
    }
}

}  // namespace

Codec::Codec(const std::string& codecText) : curve_(curveOfText(codecText)), info_(codecInfoNamed(curveCodecName(curve_))) {}

std::vector<std::uint8_t> Codec::encode(const Picture& picture, int quality) const {
    if (quality < info_.lowestQuality || quality > info_.highestQuality)
        throw UsageError(info_.name + " takes qualities from " + std::to_string(info_.lowestQuality) + " to " +
                         std::to_string(info_.highestQuality) + "; " + std::to_string(quality) + " is not one of them");
    if (picture.empty()) throw Error(info_.name + " cannot code an empty picture");
    PictureToCode input;
    input.bitmap = picture.bitmap();
    return codecEntryOf(curve_).coding->encode(input, quality, curve_.settings);
}

Picture Codec::decode(std::span<const std::uint8_t> data, int quality) const {
    return Picture::fromImage(codecEntryOf(curve_).coding->decode(data, quality, curve_.settings));
}

CodedPicture Codec::code(const Picture& picture, int quality) const {
    // Python or another caller may be busy on other threads: only this thread's clock is the coding's.
    constexpr CpuClock clock = CpuClock::CodingThread;
    CodingTimes encoding, decoding;
    CodedPicture coded;
    coded.data = timedOnCallingThread(1, encoding, clock, [&] { return encode(picture, quality); });
    coded.decoded = timedOnCallingThread(1, decoding, clock, [&] { return decode(coded.data, quality); });
    coded.bitsPerPixel = bitsPerPixel(coded.data.size(), picture.width(), picture.height());
    coded.encodeSeconds = encoding.wall.front();
    coded.decodeSeconds = decoding.wall.front();
    coded.encodeCpuSeconds = encoding.cpu.front();
    coded.decodeCpuSeconds = decoding.cpu.front();
    return coded;
}

}  // namespace brenlow
