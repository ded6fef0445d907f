#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <vector>

#include <jpeglib.h>

#include "io/file_io.h"

namespace brenlow::jpeg_detail {

// Compressed data handed from an encoder on one thread to a decoder on another, a block at a
// time: the decoder reads each block as soon as the encoder has filled it, so that the two work
// side by side. Blocks never move once written.
class HandedOverStream {
public:
    // A fresh block for the encoder to fill; null when memory runs out.
    std::uint8_t* freshBlock();

    // Hands the first `used` bytes of the block freshBlock gave last to the decoder.
    void handOver(std::size_t used);

    // No more blocks come: the encoder finished or failed. The decoder then reads to the end of
    // what was handed over.
    void close();

    // The next block the decoder has not read, waiting for the encoder; empty at the end.
    std::span<const std::uint8_t> nextBlock();

    // Every byte handed over, in order.
    Bytes joined() const;

    static constexpr std::size_t kBlockBytes = 8 * 1024;

private:
    mutable std::mutex lock_;
    std::condition_variable handed_;
    std::vector<std::unique_ptr<std::uint8_t[]>> blocks_;
    std::vector<std::span<const std::uint8_t>> handedOver_;
    std::size_t read_ = 0;
    bool closed_ = false;
};

// The encoder's end: it writes into the stream's blocks.
struct StreamDestination {
    jpeg_destination_mgr library{};
    HandedOverStream* stream = nullptr;
};
void useStreamDestination(j_compress_ptr info, StreamDestination& destination, HandedOverStream& stream);

// The decoder's end: running out of blocks after the stream is closed is an error, as running
// out of a buffer is.
struct StreamSource {
    jpeg_source_mgr library{};
    HandedOverStream* stream = nullptr;
};
void useStreamSource(j_decompress_ptr info, StreamSource& source, HandedOverStream& stream);

}  // namespace brenlow::jpeg_detail
