#include "catalogue/command_codec_experiment.h"

#include <optional>

#include "anchors/anchor_experiment.h"
#include "catalogue/command_codec_run.h"
#include "codecs/codec_steps.h"
#include "codecs/output_files.h"
#include "io/error.h"

namespace brenlow {

StillRunResult runCommandExperiment(const DocumentView& document, const CommandCodec& codec, int quality,
                                    const CodecSettings& settings) {
    const std::string& caption = document.caption;
    const std::string codedPath = codedFileNameFor(caption, codec.extension);
    const std::string decodedPath = outputBaseName(caption) + "~.bmp";
    refuseOverwritingSources({caption}, {codedPath, decodedPath});
    refuseClashingOutputs({{caption, {codedPath, decodedPath}}});
    if (document.bitmap == nullptr) throw Error("The document \"" + caption + "\" has no picture");
    requirePictureAtLeast(document.bitmap->width(), document.bitmap->height(), 1, "The " + codec.name + " codec");
    const std::uint64_t originalSize = originalSizeOf(document);

    // The coded file, of whatever size the program made it, is copied unseen beside the picture
    // a piece at a time while it is there, and put in place with the decoded bitmap.
    std::optional<PendingFile> codedFile;
    CommandPoint point = namingFileOnError(caption, [&] {
        return runCommandCodec(codec, settings, *document.bitmap, quality,
                               [&](const std::string& coded) { codedFile.emplace(PendingFile::copyOf(coded, codedPath)); });
    });
    DecodedPicture decoded;
    decoded.caption = decodedPath;
    decoded.bitmap = std::move(point.decoded);
    const QImage reference = documentFilePicture(document);
    FileBeingWritten written[] = {alreadyWritten(std::move(*codedFile))};
    return writeOutputsAndReport({{decodedPath, nullptr, &decoded.bitmap}}, codedPath, originalSize, point.codedBytes,
                                 decoded, reference, written);
}

}  // namespace brenlow
