#pragma once

#include <QImage>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>

#include "anchors/anchor_codec.h"
#include "catalogue/codec_coding.h"

namespace brenlow {

// The functions of a codec handed in by a caller while the process runs (a notebook's own codec):
// pixels and bytes in memory, no files or programs.
struct CallerFunctions {
    std::function<Bytes(const QImage& bitmap, int quality)> encode;  // given the 24-bit bitmap
    std::function<QImage(std::span<const std::uint8_t> file)> decode;  // any format: taken as 24-bit
    std::string version;  // what its results depend on: results of another version are made again
};

// Such a codec as the registry lists it: known by its name, as a library's codec is.
struct CallerCodec {
    std::string name;
    std::string extension = ".bin";  // of its coded files
    QualityRange qualities{1, 100};
    std::string origin;  // "Python functions": what codes, where a codec names its library
    CallerFunctions functions;
};

// How a codec handed in by a caller codes: its functions, called one at a time, since a caller's
// functions need not be safe on several threads. They may be replaced at any time; a call already
// running finishes with the functions it began with. The functions are copied for each call with
// no lock of the caller's held: a caller shares what they hold rather than copy it.
class CallerCoding final : public CodecCoding {
public:
    explicit CallerCoding(CallerCodec codec);
    CallerCoding(const CallerCoding&) = delete;
    CallerCoding& operator=(const CallerCoding&) = delete;

    Bytes encode(const PictureToCode& picture, int quality, const CodecSettings& settings) const override;
    QImage decode(std::span<const std::uint8_t> file, int quality, const CodecSettings& settings) const override;
    StillRunResult runStill(const DocumentView& document, int quality, const CodecSettings& settings) const override;

    // Later calls take the codec's functions, version and extension; its name stays. Gives the codec
    // replaced, for the caller to let go where no lock of its callers is held.
    CallerCodec replace(CallerCodec codec);
    std::string version() const;
    std::string origin() const;
    const std::string& name() const { return name_; }

private:
    CallerFunctions functions() const;

    const std::string name_;
    // One call at a time. Recursive: a caller's function may call its own codec on the same thread.
    mutable std::recursive_mutex calling_;
    // Guards codec_ alone, so that its version and extension are read while a call runs.
    mutable std::mutex describing_;
    CallerCodec codec_;
};

}  // namespace brenlow
