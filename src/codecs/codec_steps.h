#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>

#include "codecs/output_files.h"
#include "codecs/still_codecs.h"
#include "container/coded_image.h"
#include "imaging/image_planes.h"
#include "io/bitmap_file.h"
#include "io/error.h"
#include "io/file_io.h"

namespace brenlow {

// Sharpening passes beyond this are refused: a crafted extra_word of two billion would never end.
inline constexpr std::int32_t kMaxSharpeningPasses = 1000;

// Sharpening work (enlarged megapixels x passes) beyond this is refused: by the decoder as soon as
// the JPEG frame header gives the size, by the encoder before it codes, so that it never writes a
// file its decoder refuses. In the Release build on a 2-core machine busy with other builds, a pass
// over an enlarged megapixel took 4 ms (100 megapixels, 20 passes) to 9 ms (2000 x 1000 pixels,
// 1000 passes), so the slowest accepted decodes take under 20 s, where a 5000 x 5000 picture asking
// for 1000 passes would have taken over an hour. 100 megapixels at the default focus of 2 use a
// tenth of it, 12 megapixels about a hundredth.
// Under the fuzzers' instrumentation and sanitizers a pass costs some ten times as much, so their
// builds accept a fiftieth: the slowest input they accept still ends well within their timeout.
#ifdef BRENLOW_FUZZING
inline constexpr std::int64_t kMaxSharpeningMegapixelPasses = 40;
#else
inline constexpr std::int64_t kMaxSharpeningMegapixelPasses = 2000;
#endif

// Every pass holds a few rows of the picture's width in memory, so a picture is counted as at
// least this many rows tall: 1000 passes over 131000 x 14 pixels would otherwise hold 11 GB of
// rows. It bounds the passes' rows to some 170 MB whatever the shape.
inline constexpr std::int64_t kMinSharpeningRowsCounted = 1000;

// Throws Error, its message starting with `asker` ("The file", "The focus"), when `passes` is above
// kMaxSharpeningPasses or its work on an enlarged picture of width x height is above the budget.
// No passes (or a negative count, which does none) cost nothing.
void requireBoundedSharpening(std::int64_t passes, std::int64_t width, std::int64_t height,
                              const std::string& asker);

// Runs a step that codes the picture of `fileName`: its errors that name no file name that one.
template <typename Step>
auto namingFileOnError(const std::string& fileName, Step step) -> decltype(step()) {
    try {
        return step();
    } catch (const Error& error) {
        throw error.concerning(fileName);
    }
}

// Throws Error naming `what` unless the picture is at least minimum x minimum pixels.
void requirePictureAtLeast(int width, int height, int minimum, const std::string& what);

// The coded picture multiplied back (capped at 255), enlarged twofold and sharpened `passes`
// times, as a 24-bit bitmap; `planes`, when not null, receives the sharpened planes. Throws Error
// when the coded picture is smaller than 2 x 2.
// The bitmap is `output`'s picture when one is given.
// `progress`, when given, is told the bitmap and its finished rows as they are made.
QImage enlargeDecoded(const CodedImage& coded, int passes, float strength, ImagePlanes* planes,
                      BitmapInTheMaking* output = nullptr, RowsInTheMaking* progress = nullptr);

// The planes quantised in place with the divisor, as the 24-bit picture the JPEG library codes.
QImage quantisedPicture(ImagePlanes& planes, float divisor);

// A 24-bit picture quantised at full size (through a table of its 256 byte values): exactly what
// quantisedPicture makes of the picture's planes.
QImage quantisedPicture(const QImage& picture, float divisor);

// A picture of at least 4 x 4 halved (an odd last row or column is dropped), then quantised as
// quantisedPicture does; from a 24-bit bitmap without full-size planes. Throws Error when smaller.
QImage halfSizePicture(const ImagePlanes& full, float divisor);
QImage halfSizePicture(const QImage& full, float divisor);

// The same of the document's planes, or of its bitmap when it has none.
QImage halfSizePicture(const DocumentView& document, float divisor);

// quantisedPicture coded as JPEG at the quality.
Bytes codeQuantised(ImagePlanes& planes, float divisor, std::uint8_t quality);
Bytes codeQuantised(const QImage& picture, float divisor, std::uint8_t quality);

// halfSizePicture coded as JPEG at the quality.
Bytes codeHalfSize(const ImagePlanes& full, float divisor, std::uint8_t quality);
Bytes codeHalfSize(const QImage& full, float divisor, std::uint8_t quality);
Bytes codeHalfSize(const DocumentView& document, float divisor, std::uint8_t quality);

// The outcome of a still command from its figures: the full report line against `reference`
// (its file's pixels against the decoded bitmap's bytes), or the short one when there is none.
StillRunResult makeStillResult(const std::string& codedPath, std::uint64_t originalSize, std::uint64_t codedSize,
                               DecodedPicture decoded, const QImage* reference);

// The same with the ratios already measured; null for the short report line.
StillRunResult assembleResult(const std::string& codedPath, std::uint64_t originalSize, std::uint64_t codedSize,
                              DecodedPicture decoded, const SnrTriple* snr);

// writeOutputs, then makeStillResult with the full report line against `reference`; `decoded`
// (which the outputs may point into) is moved into the result only once everything is written.
// Nothing is reported when a write fails.
// Files already being written are put in place after `outputs`.
StillRunResult writeOutputsAndReport(std::initializer_list<OutputFile> outputs, const std::string& codedPath,
                                     std::uint64_t originalSize, std::uint64_t codedSize, DecodedPicture& decoded,
                                     const QImage& reference, std::span<FileBeingWritten> writing = {});

}  // namespace brenlow
