#include "catalogue/caller_coding.h"

#include <utility>

#include "anchors/anchor_experiment.h"
#include "codecs/codec_steps.h"
#include "codecs/output_files.h"
#include "io/error.h"

namespace brenlow {

CallerCoding::CallerCoding(CallerCodec codec) : name_(codec.name), codec_(std::move(codec)) {}

Bytes CallerCoding::encode(const PictureToCode& picture, int quality, const CodecSettings&) const {
    const CallerFunctions current = functions();
    const std::lock_guard turn(calling_);
    Bytes file = current.encode(picture.bitmap, quality);
    if (file.empty())
        throw Error("The codec \"" + name_ + "\" coded the picture at quality " + std::to_string(quality) +
                    " as no bytes at all");
    return file;
}

QImage CallerCoding::decode(std::span<const std::uint8_t> file, int, const CodecSettings&) const {
    const CallerFunctions current = functions();
    const std::lock_guard turn(calling_);
    QImage decoded = current.decode(file);
    if (decoded.isNull()) throw Error("The codec \"" + name_ + "\" decoded no picture");
    return decoded.format() == QImage::Format_BGR888 ? decoded : decoded.convertToFormat(QImage::Format_BGR888);
}

StillRunResult CallerCoding::runStill(const DocumentView& document, int quality, const CodecSettings& settings) const {
    const std::string& caption = document.caption;
    if (document.bitmap == nullptr) throw Error("The document \"" + caption + "\" has no picture");
    std::string extension;
    {
        const std::lock_guard reading(describing_);
        extension = codec_.extension;
    }
    const std::string codedPath = codedFileNameFor(caption, extension);
    const std::string decodedPath = outputBaseName(caption) + "~.bmp";
    refuseOverwritingSources({caption}, {codedPath, decodedPath});
    const std::uint64_t originalSize = originalSizeOf(document);
    const Bytes file = namingFileOnError(caption, [&] { return encode({*document.bitmap}, quality, settings); });
    DecodedPicture decoded;
    decoded.caption = decodedPath;
    decoded.bitmap = namingFileOnError(caption, [&] { return decode(file, quality, settings); });
    return writeOutputsAndReport({{codedPath, &file}, {decodedPath, nullptr, &decoded.bitmap}}, codedPath, originalSize,
                                 file.size(), decoded, documentFilePicture(document));
}

CallerCodec CallerCoding::replace(CallerCodec codec) {
    codec.name = name_;
    const std::lock_guard writing(describing_);
    std::swap(codec_, codec);
    return codec;
}

CallerFunctions CallerCoding::functions() const {
    const std::lock_guard reading(describing_);
    return codec_.functions;
}

std::string CallerCoding::version() const {
    const std::lock_guard reading(describing_);
    return codec_.functions.version;
}

std::string CallerCoding::origin() const {
    const std::lock_guard reading(describing_);
    return codec_.origin;
}

}  // namespace brenlow
