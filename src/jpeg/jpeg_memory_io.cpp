#include "jpeg/jpeg_memory_io.h"

#include <new>

#include <jerror.h>

#include "jpeg/jpeg_error_manager.h"

namespace brenlow::jpeg_detail {
namespace {

constexpr std::size_t kInitialOutputBytes = 64 * 1024;

VectorDestination& destinationOf(j_compress_ptr info) { return *reinterpret_cast<VectorDestination*>(info->dest); }

// No exception may cross the library's C frames: a failed allocation becomes a library error.
void growOutput(j_compress_ptr info, std::size_t size) {
    bool grown = true;
    try {
        destinationOf(info).output->resize(size);
    } catch (const std::bad_alloc&) {
        grown = false;
    }
    if (!grown) {
        failWith(reinterpret_cast<j_common_ptr>(info), JERR_OUT_OF_MEMORY);
    }
}

void startOutput(j_compress_ptr info) {
    Bytes& output = *destinationOf(info).output;
    growOutput(info, kInitialOutputBytes);
    info->dest->next_output_byte = output.data();
    info->dest->free_in_buffer = output.size();
}

boolean extendOutput(j_compress_ptr info) {
    Bytes& output = *destinationOf(info).output;
    const std::size_t used = output.size();
    growOutput(info, used * 2);
    info->dest->next_output_byte = output.data() + used;
    info->dest->free_in_buffer = output.size() - used;
    return TRUE;
}

void finishOutput(j_compress_ptr info) {
    Bytes& output = *destinationOf(info).output;
    output.resize(output.size() - info->dest->free_in_buffer);
}

void startInput(j_decompress_ptr) {}

boolean inputExhausted(j_decompress_ptr info) {
    failWith(reinterpret_cast<j_common_ptr>(info), JERR_INPUT_EOF);
}

void skipInput(j_decompress_ptr info, long count) {
    if (count <= 0) {
        return;
    }
    if (static_cast<std::size_t>(count) > info->src->bytes_in_buffer) {
        failWith(reinterpret_cast<j_common_ptr>(info), JERR_INPUT_EOF);
    }
    info->src->next_input_byte += count;
    info->src->bytes_in_buffer -= static_cast<std::size_t>(count);
}

void finishInput(j_decompress_ptr) {}

}  // namespace

void installDestination(j_compress_ptr info, jpeg_destination_mgr& library, void (*start)(j_compress_ptr),
                        boolean (*empty)(j_compress_ptr), void (*finish)(j_compress_ptr)) {
    library.init_destination = start;
    library.empty_output_buffer = empty;
    library.term_destination = finish;
    info->dest = &library;
}

void useVectorDestination(j_compress_ptr info, VectorDestination& destination, Bytes& output) {
    destination.output = &output;
    installDestination(info, destination.library, startOutput, extendOutput, finishOutput);
}

void installSource(j_decompress_ptr info, jpeg_source_mgr& library, boolean (*fill)(j_decompress_ptr),
                   void (*skip)(j_decompress_ptr, long)) {
    library.init_source = startInput;
    library.fill_input_buffer = fill;
    library.skip_input_data = skip;
    library.resync_to_restart = jpeg_resync_to_restart;
    library.term_source = finishInput;
    info->src = &library;
}

void useSpanSource(j_decompress_ptr info, SpanSource& source, std::span<const std::uint8_t> data) {
    installSource(info, source.library, inputExhausted, skipInput);
    source.library.next_input_byte = data.data();
    source.library.bytes_in_buffer = data.size();
}

}  // namespace brenlow::jpeg_detail
