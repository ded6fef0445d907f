#include "io/gif_frame.h"

namespace brenlow {
namespace {

constexpr std::size_t kHeaderBytes = 6 + 7;  // signature and version, logical screen descriptor
constexpr std::uint8_t kExtension = 0x21;
constexpr std::uint8_t kImage = 0x2C;
constexpr std::size_t kImageDescriptorBytes = 9;  // after its first byte
constexpr std::uint8_t kColourTableFollows = 0x80;

// Reads forward over the file's blocks; every step fails once the bytes run out.
class GifWalk {
public:
    explicit GifWalk(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    bool skip(std::size_t count) {
        if (bytes_.size() - at_ < count) return false;
        at_ += count;
        return true;
    }

    bool next(std::uint8_t& value) {
        if (at_ >= bytes_.size()) return false;
        value = bytes_[at_++];
        return true;
    }

    std::uint8_t byteAt(std::size_t offset) const { return bytes_[offset]; }
    std::size_t position() const { return at_; }

    // A colour table announced by a packed field's top bit, of 2^(low three bits + 1) entries.
    bool skipColourTable(std::uint8_t packed) {
        return (packed & kColourTableFollows) == 0 || skip(3u << ((packed & 7u) + 1u));
    }

    // Data sub-blocks up to and including the empty one that ends them.
    bool skipSubBlocks() {
        for (std::uint8_t length = 0; next(length);)
            if (length == 0 || !skip(length)) return length == 0;
        return false;
    }

private:
    std::span<const std::uint8_t> bytes_;
    std::size_t at_ = 0;
};

}  // namespace

GifScreen gifScreen(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kHeaderBytes) return {};
    return {bytes[6] | bytes[7] << 8, bytes[8] | bytes[9] << 8};
}

bool gifFirstFrameIsWhole(std::span<const std::uint8_t> bytes) {
    GifWalk walk(bytes);
    if (!walk.skip(kHeaderBytes) || !walk.skipColourTable(walk.byteAt(10))) return false;
    for (std::uint8_t block = 0; walk.next(block);) {
        if (block == kExtension) {
            std::uint8_t label = 0;
            if (!walk.next(label) || !walk.skipSubBlocks()) return false;
        } else if (block == kImage) {
            if (!walk.skip(kImageDescriptorBytes)) return false;
            std::uint8_t codeSize = 0;
            return walk.skipColourTable(walk.byteAt(walk.position() - 1)) && walk.next(codeSize) &&
                   walk.skipSubBlocks();
        } else {
            return false;  // the trailer, or no block at all, before any frame
        }
    }
    return false;
}

}  // namespace brenlow
