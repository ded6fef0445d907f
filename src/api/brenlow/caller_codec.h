#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "brenlow/codec.h"
#include "brenlow/picture.h"

namespace brenlow {

// A codec the caller hands in as two functions (a notebook's own codec): it then goes wherever a
// codec goes, by its name, into curves, sweeps, data sets and result folders.
struct CallerCodecFunctions {
    std::string name;  // letters, digits, '_', '-' and '.'
    std::function<std::vector<std::uint8_t>(const Picture& picture, int quality)> encode;
    std::function<Picture(std::span<const std::uint8_t> data)> decode;
    int lowestQuality = 1;
    int highestQuality = 100;
    // What its results depend on: a data set resumed at another version makes that codec's items again.
    std::string version;
    std::string origin = "the caller's functions";  // where other codecs name their library
    std::string extension = ".bin";                  // of its coded files
};

// Adds the codec for the rest of the process; adding one of the same name again gives later calls
// the new functions and version. Its functions are called one at a time, from the threads of a
// run. Throws UsageError for a name, qualities or extension it cannot take, Error for the name of
// a built codec or of one described by commands.
CodecInfo addCallerCodec(CallerCodecFunctions codec);

}  // namespace brenlow
