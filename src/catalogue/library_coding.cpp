#include "catalogue/library_coding.h"

#include "anchors/anchor_experiment.h"

namespace brenlow {
namespace {

class LibraryCoding final : public CodecCoding {
public:
    explicit LibraryCoding(const AnchorCodec& codec) : codec_(codec) {}

    Bytes encode(const PictureToCode& picture, int quality, const CodecSettings& settings) const override {
        return codec_.encodeWith(picture.bitmap, quality, settings);
    }
    QImage decode(std::span<const std::uint8_t> file, int, const CodecSettings&) const override {
        return codec_.decode(file);
    }
    StillRunResult runStill(const DocumentView& document, int quality, const CodecSettings& settings) const override {
        return runAnchorExperiment(document, codec_, quality, settings);
    }

private:
    const AnchorCodec& codec_;
};

}  // namespace

std::shared_ptr<const CodecCoding> libraryCoding(const AnchorCodec& codec) { return std::make_shared<LibraryCoding>(codec); }

}  // namespace brenlow
