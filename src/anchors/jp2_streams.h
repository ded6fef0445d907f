#pragma once

#include <openjpeg.h>

#include <cstdint>
#include <memory>
#include <span>

#include "io/file_io.h"

// OpenJPEG streams over memory, so that nothing goes through a file.
namespace brenlow::anchors {

struct StreamDeleter {
    void operator()(opj_stream_t* stream) const { opj_stream_destroy(stream); }
};
using Jp2Stream = std::unique_ptr<opj_stream_t, StreamDeleter>;

// Where an encoder's stream writes; it seeks back to fill in box lengths.
struct Jp2Sink {
    Bytes bytes;
    std::uint64_t position = 0;
};

// Where a decoder's stream reads; the bytes must outlive the stream.
struct Jp2Source {
    std::span<const std::uint8_t> bytes;
    std::uint64_t position = 0;
};

// Streams that write into `sink` and read from `source`. Throw Error when OpenJPEG cannot make one.
Jp2Stream writingStream(Jp2Sink& sink);
Jp2Stream readingStream(Jp2Source& source);

}  // namespace brenlow::anchors
