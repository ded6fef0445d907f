#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace brenlow {

// Whether a GIF file's bytes hold its first frame to the end of that frame's data. The reader
// decodes what is there and fills the rest without a word, so a file cut short would pass for a
// whole picture.
bool gifFirstFrameIsWhole(std::span<const std::uint8_t> bytes);

// The logical screen's width and height from a GIF file's header, 0 where it gives none or the
// bytes end first. The reader makes its picture this size, though it names the first frame's
// size beforehand when the screen is larger than it can make.
struct GifScreen {
    int width = 0;
    int height = 0;
};
GifScreen gifScreen(std::span<const std::uint8_t> bytes);

}  // namespace brenlow
