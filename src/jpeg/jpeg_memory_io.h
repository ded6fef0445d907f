#pragma once

#include <cstdio>
#include <span>

#include <jpeglib.h>

#include "io/file_io.h"

namespace brenlow::jpeg_detail {

// Compressed data goes into a growing byte vector owned by the caller.
struct VectorDestination {
    jpeg_destination_mgr library{};
    Bytes* output = nullptr;
};
void useVectorDestination(j_compress_ptr info, VectorDestination& destination, Bytes& output);

// Makes `library` the compressor's destination with these ways to start, empty and finish it.
void installDestination(j_compress_ptr info, jpeg_destination_mgr& library, void (*start)(j_compress_ptr),
                        boolean (*empty)(j_compress_ptr), void (*finish)(j_compress_ptr));

// Compressed data comes from a caller's buffer; running out of it is an error, not the
// library's silent end-of-image.
struct SpanSource {
    jpeg_source_mgr library{};
};
void useSpanSource(j_decompress_ptr info, SpanSource& source, std::span<const std::uint8_t> data);

// Makes `library` the decompressor's source with these ways to get more data and skip some; it
// needs nothing done at its start or end.
void installSource(j_decompress_ptr info, jpeg_source_mgr& library, boolean (*fill)(j_decompress_ptr),
                   void (*skip)(j_decompress_ptr, long));

}  // namespace brenlow::jpeg_detail
