#include "jpeg/jpeg_stream.h"

#include <cstring>
#include <new>

#include <jerror.h>

#include "jpeg/jpeg_error_manager.h"
#include "jpeg/jpeg_memory_io.h"

namespace brenlow::jpeg_detail {

std::uint8_t* HandedOverStream::freshBlock() {
    try {
        auto block = std::make_unique<std::uint8_t[]>(kBlockBytes);
        const std::lock_guard guard(lock_);
        blocks_.push_back(std::move(block));
        handedOver_.reserve(blocks_.size());
        return blocks_.back().get();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

void HandedOverStream::handOver(std::size_t used) {
    {
        const std::lock_guard guard(lock_);
        // Room was reserved with the block, so this never allocates.
        handedOver_.emplace_back(blocks_.back().get(), used);
    }
    handed_.notify_one();
}

void HandedOverStream::close() {
    {
        const std::lock_guard guard(lock_);
        closed_ = true;
    }
    handed_.notify_one();
}

std::span<const std::uint8_t> HandedOverStream::nextBlock() {
    std::unique_lock guard(lock_);
    handed_.wait(guard, [this] { return closed_ || read_ < handedOver_.size(); });
    return read_ < handedOver_.size() ? handedOver_[read_++] : std::span<const std::uint8_t>();
}

Bytes HandedOverStream::joined() const {
    const std::lock_guard guard(lock_);
    std::size_t size = 0;
    for (const auto& block : handedOver_) size += block.size();
    Bytes bytes(size);
    std::size_t at = 0;
    for (const auto& block : handedOver_) {
        std::memcpy(bytes.data() + at, block.data(), block.size());
        at += block.size();
    }
    return bytes;
}

namespace {

HandedOverStream& streamOf(j_compress_ptr info) { return *reinterpret_cast<StreamDestination*>(info->dest)->stream; }

HandedOverStream& streamOf(j_decompress_ptr info) { return *reinterpret_cast<StreamSource*>(info->src)->stream; }

// The library's jump out of a failure must leave no object with a destructor behind, so the
// blocks are asked for in frames that have returned before failWith is called.
void startBlock(j_compress_ptr info) {
    std::uint8_t* block = streamOf(info).freshBlock();
    if (block == nullptr) {
        failWith(reinterpret_cast<j_common_ptr>(info), JERR_OUT_OF_MEMORY);
    }
    info->dest->next_output_byte = block;
    info->dest->free_in_buffer = HandedOverStream::kBlockBytes;
}

boolean handOverFullBlock(j_compress_ptr info) {
    streamOf(info).handOver(HandedOverStream::kBlockBytes);
    startBlock(info);
    return TRUE;
}

void handOverLastBlock(j_compress_ptr info) {
    streamOf(info).handOver(HandedOverStream::kBlockBytes - info->dest->free_in_buffer);
    streamOf(info).close();
}

boolean readNextBlock(j_decompress_ptr info) {
    const std::span<const std::uint8_t> block = streamOf(info).nextBlock();
    if (block.empty()) {
        failWith(reinterpret_cast<j_common_ptr>(info), JERR_INPUT_EOF);
    }
    info->src->next_input_byte = block.data();
    info->src->bytes_in_buffer = block.size();
    return TRUE;
}

void skipInput(j_decompress_ptr info, long count) {
    while (count > static_cast<long>(info->src->bytes_in_buffer)) {
        count -= static_cast<long>(info->src->bytes_in_buffer);
        readNextBlock(info);
    }
    if (count > 0) {
        info->src->next_input_byte += count;
        info->src->bytes_in_buffer -= static_cast<std::size_t>(count);
    }
}

}  // namespace

void useStreamDestination(j_compress_ptr info, StreamDestination& destination, HandedOverStream& stream) {
    destination.stream = &stream;
    installDestination(info, destination.library, startBlock, handOverFullBlock, handOverLastBlock);
}

void useStreamSource(j_decompress_ptr info, StreamSource& source, HandedOverStream& stream) {
    source.stream = &stream;
    installSource(info, source.library, readNextBlock, skipInput);
}

}  // namespace brenlow::jpeg_detail
