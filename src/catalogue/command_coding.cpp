#include "catalogue/command_coding.h"

#include "catalogue/command_codec_experiment.h"
#include "catalogue/command_codec_run.h"

namespace brenlow {
namespace {

class CommandCoding final : public CodecCoding {
public:
    explicit CommandCoding(const CommandCodec& codec) : codec_(codec) {}

    Bytes encode(const PictureToCode& picture, int quality, const CodecSettings& settings) const override {
        return commandCodedFile(codec_, settings, picture.bitmap, quality);
    }
    std::uint64_t codedSize(const PictureToCode& picture, int quality, const CodecSettings& settings) const override {
        return commandCodedBytes(codec_, settings, picture.bitmap, quality);
    }
    QImage decode(std::span<const std::uint8_t> file, int quality, const CodecSettings& settings) const override {
        return commandDecodedPicture(codec_, settings, file, quality);
    }
    StillRunResult runStill(const DocumentView& document, int quality, const CodecSettings& settings) const override {
        return runCommandExperiment(document, codec_, quality, settings);
    }

private:
    const CommandCodec& codec_;
};

}  // namespace

std::shared_ptr<const CodecCoding> commandCoding(const CommandCodec& codec) { return std::make_shared<CommandCoding>(codec); }

}  // namespace brenlow
