#include "codecs/sequence_codec.h"

#include <cstdio>
#include <exception>
#include <filesystem>
#include <system_error>

#include "codecs/codec_steps.h"
#include "codecs/field_rules.h"
#include "codecs/frame_pipeline.h"
#include "container/coded_image.h"
#include "imaging/bitmap_bridge.h"
#include "io/bitmap_file.h"
#include "io/error.h"

namespace brenlow {
namespace {

// A frame file holds at most one JPEG of a picture within the picture limit.
constexpr std::uint64_t kMaxFrameFileBytes = 512ull * 1024 * 1024;

// From this frame on a decoded frame's six-digit name is the frame's source bitmap name.
constexpr std::int32_t kFirstUnpaddedFrame = 100000;

using FrameNaming = std::string (*)(const std::string&, std::int32_t);

std::string frameLead(std::int64_t frame) { return "Frame " + std::to_string(frame) + ": "; }

// Puts the frame in front of the cause, which keeps its text, and names the frame's file after it
// as every error names its file, unless the cause names that file already.
[[noreturn]] void throwForFrame(std::int32_t frame, const std::string& file, const std::string& cause,
                                const std::string& causeFile) {
    if (!causeFile.empty()) {
        throw Error(frameLead(frame) + cause, causeFile);
    }
    const bool causeNamesFile = cause.find('"' + file + '"') != std::string::npos;
    throw Error(frameLead(frame) + cause, causeNamesFile ? std::string() : file);
}

// Runs one step of a frame so that a failure in a long run says where it stopped.
template <typename Step>
auto forFrame(std::int32_t frame, const std::string& file, const Step& step) {
    try {
        return step();
    } catch (const Error& error) {
        throwForFrame(frame, file, error.cause(), error.fileName());
    } catch (const std::exception& error) {
        throwForFrame(frame, file, error.what(), {});
    }
}

FrameCommit committingTo(FrameNaming nameOf, const std::string& prefix, const FrameProgress& progress) {
    return [nameOf, prefix, progress](std::int32_t frame, const Bytes& file) {
        const std::string name = nameOf(prefix, frame);
        forFrame(frame, name, [&] { writeFileAtomically(name, file); });
        if (progress) {
            progress(frame + 1);
        }
    };
}

bool entryExists(const std::string& path) {
    std::error_code unknown;
    return std::filesystem::exists(std::filesystem::symlink_status(path, unknown));
}

// A run stops at its first frame without a coded file, so the frames after it can write nothing
// and are not looked at; that keeps the look as short as the run for any LAST.
void refuseToReplaceSourceFrames(const SequenceDecodeOptions& options) {
    for (std::int64_t frame = kFirstUnpaddedFrame; frame <= options.lastFrame; ++frame) {
        const auto number = static_cast<std::int32_t>(frame);
        if (!entryExists(frameCodedName(options.prefix, number))) {
            return;
        }
        const std::string decoded = decodedFrameName(options.prefix, number);
        if (decoded == frameSourceName(options.prefix, number) && entryExists(decoded)) {
            throw Error(frameLead(frame) + "decoding it would write over its source bitmap \"" + decoded +
                        "\", so no frame was decoded; decode into a prefix other than the source frames'");
        }
    }
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
        const std::string source = frameSourceName(options.prefix, frame);
        return forFrame(frame, source, [&] {
            const Bytes jpeg = codeHalfSize(loadBitmapFile(source), options.divisor, options.quality);
            return buildCodedImage(CodedImageKind::SequenceFrame, divisorCode(options.divisor), frame, jpeg);
        });
    };
    runFramesInOrder(options.lastFrame, options.jobs, codeFrame, committingTo(frameCodedName, options.prefix, progress));
}

void decodeSequence(const SequenceDecodeOptions& options, const FrameProgress& progress) {
    refuseToReplaceSourceFrames(options);
    const FrameWork decodeFrame = [&options](std::int32_t frame) {
        const std::string coded = frameCodedName(options.prefix, frame);
        return forFrame(frame, coded, [&] {
            const Bytes file = readWholeFile(coded, kMaxFrameFileBytes);
            // Frames are enlarged but not sharpened.
            return encodeBitmap(
                enlargeDecoded(decodeCodedImage(file, CodedImageKind::SequenceFrame), 0, 0.0f, nullptr));
        });
    };
    runFramesInOrder(options.lastFrame, options.jobs, decodeFrame,
                     committingTo(decodedFrameName, options.prefix, progress));
}

}  // namespace brenlow
