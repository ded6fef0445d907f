#include "codecs/sequence_codec.h"

#include <cstdio>

#include "codecs/codec_steps.h"
#include "codecs/field_rules.h"
#include "codecs/frame_pipeline.h"
#include "container/coded_image.h"
#include "imaging/bitmap_bridge.h"
#include "io/bitmap_file.h"

namespace brenlow {
namespace {

// A frame file holds at most one JPEG of a picture within the picture limit.
constexpr std::uint64_t kMaxFrameFileBytes = 512ull * 1024 * 1024;

FrameCommit committingTo(std::string (*nameOf)(const std::string&, std::int32_t), const std::string& prefix,
                         const FrameProgress& progress) {
    return [nameOf, prefix, progress](std::int32_t frame, const Bytes& file) {
        writeFileAtomically(nameOf(prefix, frame), file);
        if (progress) {
            progress(frame + 1);
        }
    };
}

}  // namespace

std::string frameSourceName(const std::string& prefix, std::int32_t frame) {
    return prefix + std::to_string(frame) + ".bmp";
}

std::string frameCodedName(const std::string& prefix, std::int32_t frame) {
    return prefix + std::to_string(frame) + ".avc";
}

std::string decodedFrameName(const std::string& prefix, std::int32_t frame) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%06d", static_cast<int>(frame));
    return prefix + digits + ".bmp";
}

void encodeSequence(const SequenceEncodeOptions& options, const FrameProgress& progress) {
    const FrameWork codeFrame = [&options](std::int32_t frame) {
        const Bytes jpeg = codeHalfSize(loadBitmapFile(frameSourceName(options.prefix, frame)), options.divisor,
                                        options.quality);
        return buildCodedImage(CodedImageKind::SequenceFrame, divisorCode(options.divisor), frame, jpeg);
    };
    runFramesInOrder(options.lastFrame, options.jobs, codeFrame, committingTo(frameCodedName, options.prefix, progress));
}

void decodeSequence(const SequenceDecodeOptions& options, const FrameProgress& progress) {
    const FrameWork decodeFrame = [&options](std::int32_t frame) {
        const Bytes file = readWholeFile(frameCodedName(options.prefix, frame), kMaxFrameFileBytes);
        // Frames are enlarged but not sharpened.
        return encodeBitmap(enlargeDecoded(decodeCodedImage(file, CodedImageKind::SequenceFrame), 0, 0.0f, nullptr));
    };
    runFramesInOrder(options.lastFrame, options.jobs, decodeFrame,
                     committingTo(decodedFrameName, options.prefix, progress));
}

}  // namespace brenlow
