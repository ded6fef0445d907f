#pragma once

#include <QImage>
#include <cstdint>
#include <span>

#include "codecs/codec_settings.h"
#include "codecs/document.h"
#include "codecs/still_codecs.h"
#include "imaging/image_planes.h"
#include "io/file_io.h"

namespace brenlow {

// A picture to code, in every form a codec of ours may code from. A caller with pixels alone
// gives the bitmap; a document also gives what its commands code.
struct PictureToCode {
    QImage bitmap = {};                   // 24-bit, rows top-down
    const ImagePlanes* planes = nullptr;  // the document's planes (AVC halves them); null: made from the bitmap
    QImage sourceFile = {};               // the source file's picture (AJC codes it); null: the bitmap
};

// How one codec of the registry codes: every kind (ours, a library's, one described by commands)
// behind the same calls, so that no caller asks which kind it holds. Calls may come from several
// threads at once.
class CodecCoding {
public:
    virtual ~CodecCoding() = default;

    // The coded file at a quality within the codec's range, with resolved settings (every declared
    // key). Throws Error with the codec's reason.
    virtual Bytes encode(const PictureToCode& picture, int quality, const CodecSettings& settings) const = 0;

    // The size of the file encode would give; a codec run by commands runs its encoder alone.
    virtual std::uint64_t codedSize(const PictureToCode& picture, int quality, const CodecSettings& settings) const;

    // The 24-bit picture of a coded file; the quality and settings it was coded with are given to
    // decoders that take them. Throws Error for a file that is not one of the codec's.
    virtual QImage decode(std::span<const std::uint8_t> file, int quality, const CodecSettings& settings) const = 0;

    // The codec's still command on a document: its coded file (and decoded bitmap) written beside
    // it, with the figures and report line. Throws Error; on failure nothing is written.
    virtual StillRunResult runStill(const DocumentView& document, int quality, const CodecSettings& settings) const = 0;
};

}  // namespace brenlow
