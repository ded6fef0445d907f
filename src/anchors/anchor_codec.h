#pragma once

#include <QImage>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "codecs/codec_settings.h"
#include "io/file_io.h"

namespace brenlow {

// The qualities a codec takes, both ends included; higher is better.
struct QualityRange {
    int lowest = 0;
    int highest = 100;
};

// The furthest from 0 a quality may lie, either way: as far as a described codec may declare, or a
// point decoded elsewhere be labelled.
inline constexpr int kFurthestQuality = 1'000'000'000;

// A codec of today's formats, through its own library, that our codecs are measured against.
// Each one codes lossily from a 24-bit picture and decodes back to one; nothing is written.
class AnchorCodec {
public:
    virtual ~AnchorCodec() = default;

    // "webp": the command-line name.
    virtual std::string name() const = 0;
    // "WebP", "JPEG 2000": as menus and reports name it.
    virtual std::string title() const = 0;
    // ".webp": the extension of its files.
    virtual std::string extension() const = 0;
    virtual QualityRange qualities() const = 0;

    // The settings it takes beside the quality; their defaults are the settings of encode().
    virtual std::vector<SettingDescription> settingDescriptions() const = 0;

    // The file of a Format_BGR888 picture (rows top-down) at a quality within qualities(), with
    // resolved settings (every declared key, each value accepted by its description). Throws Error
    // with the library's reason when it fails.
    virtual Bytes encodeWith(const QImage& picture, int quality, const CodecSettings& settings) const = 0;

    // The same at the default settings.
    Bytes encode(const QImage& picture, int quality) const;

    // The picture of a file, as Format_BGR888. Throws Error for anything that is not a whole
    // file of the format, and for a picture above kMaxPixels before its pixels are allocated.
    virtual QImage decode(std::span<const std::uint8_t> file) const = 0;

    // The library as it runs, "libwebp 1.2.4".
    virtual std::string libraryVersion() const = 0;

    // How quality becomes the library's setting, and the speed or effort used: one line for reports.
    virtual std::string describeSettings(const CodecSettings& settings) const = 0;

    // The same at the default settings.
    std::string settings() const;

    // Every declared setting at its default.
    CodecSettings defaultSettings() const;
};

// The anchor codecs this build has, in the order of their rows in anchor_codec.cpp, which every
// listing keeps. Each lives in a module of its own with its library, all opened by the first call;
// a codec whose module cannot be opened is left out, as one left out of the build.
const std::vector<const AnchorCodec*>& anchorCodecs();

// The built codec of that command-line name, opening its module alone; null when unknown, left out
// of this build or left out for its module.
const AnchorCodec* anchorCodecNamed(std::string_view name);

// Why a codec of this build is left out ("The codec \"webp\" is unavailable: the module ... could
// not be opened: ..."); empty for any other name.
std::string anchorCodecUnavailable(std::string_view name);

// "webp, avif, ..." for the codecs built, for messages.
std::string anchorCodecNames();

}  // namespace brenlow
