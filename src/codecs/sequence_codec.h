#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace brenlow {

// Frame bitmaps and frame files live under this prefix; decoded frames under the second.
inline constexpr const char* kFramePrefix = "frames/frame";
inline constexpr const char* kDecodedFramePrefix = "frames~/frame";

// prefix + i (no leading zeros) + ".bmp" / ".avc".
std::string frameSourceName(const std::string& prefix, std::int32_t frame);
std::string frameCodedName(const std::string& prefix, std::int32_t frame);
// prefix + i with at least six digits + ".bmp" (frame 7: "frame000007.bmp").
std::string decodedFrameName(const std::string& prefix, std::int32_t frame);

// Called after each frame with the number of frames finished so far, in order, on the caller's thread.
using FrameProgress = std::function<void(int framesDone)>;

struct SequenceEncodeOptions {
    std::string prefix = kFramePrefix;
    std::int32_t lastFrame = 0;  // frames 0..lastFrame; none when negative
    std::uint8_t quality = 80;
    float divisor = 2.5f;
    int jobs = 1;  // frames coded at a time; the files are the same for any value
};

// Codes prefix+i.bmp into prefix+i.avc for every frame. Stops at the first frame that fails with
// its Error, whose cause starts with the frame ("Frame 7: ") and which names the frame's file;
// frames written before it stay.
void encodeSequence(const SequenceEncodeOptions& options, const FrameProgress& progress = {});

struct SequenceDecodeOptions {
    std::string prefix = kDecodedFramePrefix;
    std::int32_t lastFrame = 0;
    int jobs = 1;
};

// Decodes prefix+i.avc into prefix+iiiiii.bmp for every frame (multiply back, enlarge, no
// sharpening). Stops at the first failing frame with its Error, named as the encoder's are; frames
// written before it stay. From frame 100000 on the decoded name is the source bitmap's name: when
// such a file exists for a frame the run would reach, it throws before any frame is written.
void decodeSequence(const SequenceDecodeOptions& options, const FrameProgress& progress = {});

}  // namespace brenlow
