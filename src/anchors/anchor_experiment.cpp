#include "anchors/anchor_experiment.h"

#include "codecs/codec_steps.h"
#include "codecs/output_files.h"
#include "io/error.h"

namespace brenlow {
namespace {

void requireQualityWithin(const AnchorCodec& codec, int quality) {
    const QualityRange range = codec.qualities();
    if (quality < range.lowest || quality > range.highest) {
        throw Error("The " + codec.name() + " quality " + std::to_string(quality) + " is not between " +
                    std::to_string(range.lowest) + " and " + std::to_string(range.highest));
    }
}

}  // namespace

std::string anchorCodedFileName(const std::string& caption, const AnchorCodec& codec) {
    return codedFileNameFor(caption, codec.extension());
}

std::string codedFileNameFor(const std::string& caption, const std::string& extension) {
    const std::string plain = outputBaseName(caption) + extension;
    return plain == caption ? outputBaseName(caption) + "~" + extension : plain;
}

CodedStill codeAnchorStill(const QImage& picture, const AnchorCodec& codec, int quality, const std::string& caption) {
    return codeAnchorStill(picture, codec, quality, caption, codec.defaultSettings());
}

CodedStill codeAnchorStill(const QImage& picture, const AnchorCodec& codec, int quality, const std::string& caption,
                           const CodecSettings& settings) {
    requireQualityWithin(codec, quality);
    CodedStill coded;
    coded.file = codec.encodeWith(picture, quality, settings);
    coded.decoded.caption = caption;
    coded.decoded.bitmap = codec.decode(coded.file);
    return coded;
}

StillRunResult runAnchorExperiment(const DocumentView& document, const AnchorCodec& codec, int quality) {
    return runAnchorExperiment(document, codec, quality, codec.defaultSettings());
}

StillRunResult runAnchorExperiment(const DocumentView& document, const AnchorCodec& codec, int quality,
                                   const CodecSettings& settings) {
    const std::string& caption = document.caption;
    const std::string codedPath = anchorCodedFileName(caption, codec);
    const std::string decodedPath = outputBaseName(caption) + "~.bmp";
    refuseOverwritingSources({caption}, {codedPath, decodedPath});
    const std::uint64_t originalSize = originalSizeOf(document);
    if (document.bitmap == nullptr) {
        throw Error("The document \"" + caption + "\" has no picture");
    }
    requirePictureAtLeast(document.bitmap->width(), document.bitmap->height(), 1, "The " + codec.name() + " codec");

    CodedStill coded = namingFileOnError(
        caption, [&] { return codeAnchorStill(*document.bitmap, codec, quality, decodedPath, settings); });
    const QImage reference = documentFilePicture(document);

    return writeOutputsAndReport({{codedPath, &coded.file}, {decodedPath, nullptr, &coded.decoded.bitmap}}, codedPath,
                                 originalSize, coded.file.size(), coded.decoded, reference);
}

}  // namespace brenlow
