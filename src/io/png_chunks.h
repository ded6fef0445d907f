#pragma once

#include <cstdint>
#include <span>

namespace brenlow {

// Whether a PNG file's bytes hold each of its chunks whole, up to and including the IEND chunk
// that closes it. The PNG library reports a file cut short on stderr itself before the reader
// fails, so a cut file is found here first and refused in our own words.
bool pngChunksAreWhole(std::span<const std::uint8_t> bytes);

}  // namespace brenlow
