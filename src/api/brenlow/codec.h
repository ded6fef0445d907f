#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "brenlow/picture.h"
#include "codecs/codec_settings.h"
// The catalogue's own types, which the front ends read: the registry's entries, codec curves,
// library versions, decoded folders.
#include "catalogue/codec_curve.h"
#include "catalogue/codec_registry.h"
#include "catalogue/command_codec_experiment.h"
#include "catalogue/decoded_folder.h"
#include "catalogue/library_versions.h"
#include "catalogue/still_codec.h"

namespace brenlow {

// One setting a codec takes beside the quality: the catalogue's own description.
using SettingInfo = SettingDescription;

// What a codec is, as `brenlow-cli codecs --json` lists it.
struct CodecInfo {
    std::string name;       // "jpeg": as codec strings name it
    std::string title;      // "JPEG": as menus and reports name it
    std::string extension;  // ".jpg"
    int lowestQuality = 0;
    int highestQuality = 100;
    std::vector<SettingInfo> settings;
    std::string defaults;   // what the codec does at its defaults: "lossy, quality as given (0-100), method 4 ..."
    std::string library;    // "libwebp 1.2.4", or the commands' description file
    bool describedByCommands = false;
    bool severalAtOnce = true;  // whether calls may run on several threads at once
};

// A picture coded and decoded once, as a sweep codes and times its point.
struct CodedPicture {
    std::vector<std::uint8_t> data;
    Picture decoded;
    double bitsPerPixel = 0.0;  // of the coded file, per pixel of the picture
    // Each half with the codec on the calling thread alone, as a sweep times its points: wall-clock
    // seconds, and processor seconds on the calling thread's clock.
    double encodeSeconds = 0.0;
    double decodeSeconds = 0.0;
    double encodeCpuSeconds = 0.0;
    double decodeCpuSeconds = 0.0;
};

// A codec at its settings, as a codec string names it ("avif:speed=8:yuv=444"), that codes pictures
// in memory exactly as a sweep codes its points.
class Codec {
public:
    // Throws UsageError naming the codec, the key and what is allowed, or the codecs there are.
    explicit Codec(const std::string& codecText);

    const CodecInfo& info() const { return info_; }
    const CodecCurve& curve() const { return curve_; }

    // The coded file a sweep point of this quality makes. Throws UsageError for a quality outside
    // the codec's range, naming it, or Error with the codec's own reason.
    std::vector<std::uint8_t> encode(const Picture& picture, int quality) const;
    // The picture a coded file holds, as a sweep measures it. Decoders that take the quality (some
    // described by commands) are given `quality`. Throws Error for data that is not the codec's.
    Picture decode(std::span<const std::uint8_t> data, int quality = 0) const;
    // Codes and decodes the picture as a sweep's point of this quality, timed. Throws as encode and
    // decode do.
    CodedPicture code(const Picture& picture, int quality) const;

private:
    CodecCurve curve_;
    CodecInfo info_;
};

// The codec of that name as the registry describes it. Throws UsageError for an unknown name.
CodecInfo codecInfoNamed(const std::string& name);

}  // namespace brenlow
