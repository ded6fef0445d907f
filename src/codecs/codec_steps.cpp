#include "codecs/codec_steps.h"

#include <algorithm>
#include <future>
#include <utility>

#include "codecs/quantiser.h"
#include "imaging/bitmap_bridge.h"
#include "imaging/enlarge_sharpen.h"
#include "imaging/resampling.h"
#include "io/bitmap_file.h"
#include "io/error.h"
#include "jpeg/jpeg_bridge.h"

namespace brenlow {

void requirePictureAtLeast(int width, int height, int minimum, const std::string& what) {
    if (width < minimum || height < minimum) {
        throw Error(what + " needs a picture of at least " + std::to_string(minimum) + " x " +
                    std::to_string(minimum) + " pixels; this one is " + std::to_string(width) + " x " +
                    std::to_string(height));
    }
}

void requireBoundedSharpening(std::int64_t passes, std::int64_t width, std::int64_t height,
                              const std::string& asker) {
    const std::string asked = asker + " asks for " + std::to_string(passes) + " sharpening passes";
    if (passes > kMaxSharpeningPasses) {
        throw Error(asked + "; at most " + std::to_string(kMaxSharpeningPasses) + " are done");
    }
    constexpr std::int64_t kPixelsPerMegapixel = 1'000'000;
    const std::int64_t countedHeight = std::max(height, kMinSharpeningRowsCounted);
    if (passes <= 0 || width * countedHeight * passes <= kMaxSharpeningMegapixelPasses * kPixelsPerMegapixel) {
        return;
    }
    const std::string counted = countedHeight == height ? std::string()
                                                        : ", counted as " + std::to_string(width) + " x " +
                                                              std::to_string(countedHeight);
    throw Error(asked + " on " + std::to_string(width) + " x " + std::to_string(height) + " pixels" + counted +
                "; at most " + std::to_string(kMaxSharpeningMegapixelPasses) + " megapixel-passes are done");
}

QImage enlargeDecoded(const CodedImage& coded, int passes, float strength, ImagePlanes* planes,
                      BitmapInTheMaking* output, RowsInTheMaking* progress) {
    // Refused before the coded picture's own planes are made: a legal 100-megapixel JPEG would
    // cost a gigabyte of them just to learn that its enlargement is too large.
    requirePictureAtLeast(coded.bitmap.width(), coded.bitmap.height(), 2, "Enlarging the coded picture");
    checkPictureSize(2 * static_cast<std::int64_t>(coded.bitmap.width()),
                     2 * static_cast<std::int64_t>(coded.bitmap.height()), "The decoded picture");
    return EnlargeAndSharpenToBitmap(as24BitPicture(coded.bitmap), dequantisedSampleValues(coded.multiplier), strength, passes, planes,
                                     output, progress);
}

QImage quantisedPicture(ImagePlanes& planes, float divisor) {
    quantisePlanes(planes, divisor);
    return bitmapFromPlanes(planes);
}

Bytes codeQuantised(ImagePlanes& planes, float divisor, std::uint8_t quality) {
    return SaveAsJpeg(quantisedPicture(planes, divisor), quality);
}

namespace {

// Halves a picture of at least 4 x 4 with the given halving step, then quantisedPicture.
template <typename Picture, typename Halve>
QImage halvedAndQuantised(const Picture& full, Halve halve, float divisor) {
    requirePictureAtLeast(full.width(), full.height(), 4, "The AVC codec");
    ImagePlanes half(full.width() / 2, full.height() / 2);
    halve(full, half);
    return quantisedPicture(half, divisor);
}

}  // namespace

QImage halfSizePicture(const ImagePlanes& full, float divisor) { return halvedAndQuantised(full, HalveImage, divisor); }

QImage halfSizePicture(const QImage& full, float divisor) {
    const std::optional<HalvedSampleTable> table = halvedQuantiserTable(divisor);
    if (!table) {
        return halvedAndQuantised(full, HalveBitmap, divisor);
    }
    requirePictureAtLeast(full.width(), full.height(), 4, "The AVC codec");
    return HalveBitmapThroughTable(full, *table);
}

QImage halfSizePicture(const DocumentView& document, float divisor) {
    if (document.planes != nullptr) {
        return halfSizePicture(*document.planes, divisor);
    }
    if (document.bitmap == nullptr) {
        throw Error("The document \"" + document.caption + "\" has no picture");
    }
    return halfSizePicture(*document.bitmap, divisor);
}

Bytes codeHalfSize(const ImagePlanes& full, float divisor, std::uint8_t quality) {
    return SaveAsJpeg(halfSizePicture(full, divisor), quality);
}

Bytes codeHalfSize(const QImage& full, float divisor, std::uint8_t quality) {
    return SaveAsJpeg(halfSizePicture(full, divisor), quality);
}

Bytes codeHalfSize(const DocumentView& document, float divisor, std::uint8_t quality) {
    return SaveAsJpeg(halfSizePicture(document, divisor), quality);
}

QImage quantisedPicture(const QImage& picture, float divisor) {
    const std::optional<ByteTable> table = quantiserTable(divisor);
    if (!table) {
        ImagePlanes planes = planesFromBitmap(picture);
        return quantisedPicture(planes, divisor);
    }
    return mappedBitmap(picture, *table);
}

Bytes codeQuantised(const QImage& picture, float divisor, std::uint8_t quality) {
    return SaveAsJpeg(quantisedPicture(picture, divisor), quality);
}

StillRunResult assembleResult(const std::string& codedPath, std::uint64_t originalSize, std::uint64_t codedSize,
                              DecodedPicture decoded, const SnrTriple* snr) {
    StillRunResult result;
    result.codedPath = codedPath;
    result.figures = makeFigures(originalSize, codedSize);
    result.reportLine = snr == nullptr ? shortReportLine(result.figures) : fullReportLine(result.figures, *snr);
    result.decoded = std::move(decoded);
    return result;
}

StillRunResult makeStillResult(const std::string& codedPath, std::uint64_t originalSize, std::uint64_t codedSize,
                               DecodedPicture decoded, const QImage* reference) {
    if (reference == nullptr) {
        return assembleResult(codedPath, originalSize, codedSize, std::move(decoded), nullptr);
    }
    const SnrTriple snr = ChannelSnr(*reference, decoded.bitmap);
    return assembleResult(codedPath, originalSize, codedSize, std::move(decoded), &snr);
}

StillRunResult writeOutputsAndReport(std::initializer_list<OutputFile> outputs, const std::string& codedPath,
                                     std::uint64_t originalSize, std::uint64_t codedSize, DecodedPicture& decoded,
                                     const QImage& reference, std::span<FileBeingWritten> writing) {
    // Writing waits mostly on the disk, so the ratios are measured meanwhile on another thread.
    std::future<SnrTriple> measuring =
        std::async(std::launch::async, [&] { return ChannelSnr(reference, decoded.bitmap); });
    writeOutputs(outputs, writing);
    const SnrTriple snr = measuring.get();
    return assembleResult(codedPath, originalSize, codedSize, std::move(decoded), &snr);
}

}  // namespace brenlow
