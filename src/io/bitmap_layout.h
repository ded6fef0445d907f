#pragma once

// What a Windows bitmap file's headers say, shared by the readers of its different kinds.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "io/error.h"

namespace brenlow {

inline constexpr std::size_t kFileHeaderSize = 14;
inline constexpr std::size_t kInfoHeaderSize = 40;
inline constexpr std::size_t kCoreHeaderSize = 12;
inline constexpr std::uint32_t kUncompressed = 0;
inline constexpr std::uint32_t kRunLength8 = 1;
inline constexpr std::uint32_t kRunLength4 = 2;
inline constexpr std::uint32_t kBitFields = 3;
inline constexpr std::uint32_t kAlphaBitFields = 6;

struct BitmapLayout {
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::uint32_t infoSize = 0;
    std::uint32_t bitCount = 0;
    std::uint32_t compression = kUncompressed;
    std::uint32_t coloursUsed = 0;  // 0: as many as the bit count allows
    std::uint32_t pixelOffset = 0;
    bool topDown = false;

    std::uint64_t rowBytes() const { return (static_cast<std::uint64_t>(width) * bitCount + 31) / 32 * 4; }
};

inline std::uint32_t readLe32(std::span<const std::uint8_t> data, std::size_t at) {
    return static_cast<std::uint32_t>(data[at]) | static_cast<std::uint32_t>(data[at + 1]) << 8 |
           static_cast<std::uint32_t>(data[at + 2]) << 16 | static_cast<std::uint32_t>(data[at + 3]) << 24;
}

inline std::uint16_t readLe16(std::span<const std::uint8_t> data, std::size_t at) {
    return static_cast<std::uint16_t>(data[at] | data[at + 1] << 8);
}

[[noreturn]] inline void throwNotABitmap(const std::string& name) {
    throw Error("\"" + name + "\" is not a valid bitmap file");
}

}  // namespace brenlow
