#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace brenlow {

// Whether a GIF file's bytes hold its first frame to the end of that frame's data. The reader
// decodes what is there and fills the rest without a word, so a file cut short would pass for a
// whole picture.
bool gifFirstFrameIsWhole(std::span<const std::uint8_t> bytes);

}  // namespace brenlow
