#include "io/png_chunks.h"

#include <cstring>

namespace brenlow {
namespace {

constexpr std::size_t kSignatureBytes = 8;
constexpr std::size_t kChunkFrameBytes = 12;  // length, type and the CRC after the data
constexpr std::uint32_t kLongestChunk = 0x7FFFFFFF;

std::uint32_t readBe32(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint32_t>(bytes[at]) << 24 | static_cast<std::uint32_t>(bytes[at + 1]) << 16 |
           static_cast<std::uint32_t>(bytes[at + 2]) << 8 | bytes[at + 3];
}

}  // namespace

bool pngChunksAreWhole(std::span<const std::uint8_t> bytes) {
    std::size_t at = kSignatureBytes;
    while (bytes.size() >= at && bytes.size() - at >= kChunkFrameBytes) {
        const std::uint32_t length = readBe32(bytes, at);
        if (length > kLongestChunk || bytes.size() - at - kChunkFrameBytes < length) return false;
        if (std::memcmp(bytes.data() + at + 4, "IEND", 4) == 0) return true;
        at += kChunkFrameBytes + length;
    }
    return false;
}

}  // namespace brenlow
