#include "anchors/jp2_streams.h"

#include <algorithm>
#include <cstring>

#include "io/error.h"

namespace brenlow::anchors {
namespace {

// OpenJPEG's answer for "nothing more".
constexpr OPJ_SIZE_T kNoBytes = static_cast<OPJ_SIZE_T>(-1);

OPJ_SIZE_T writeToSink(void* buffer, OPJ_SIZE_T count, void* user) {
    Jp2Sink& sink = *static_cast<Jp2Sink*>(user);
    const std::uint64_t end = sink.position + count;
    if (end > sink.bytes.size()) sink.bytes.resize(end);
    std::memcpy(sink.bytes.data() + sink.position, buffer, count);
    sink.position = end;
    return count;
}

OPJ_OFF_T skipInSink(OPJ_OFF_T count, void* user) {
    Jp2Sink& sink = *static_cast<Jp2Sink*>(user);
    if (count < 0 && static_cast<std::uint64_t>(-count) > sink.position) return -1;
    sink.position += count;
    return count;
}

OPJ_BOOL seekInSink(OPJ_OFF_T position, void* user) {
    if (position < 0) return OPJ_FALSE;
    static_cast<Jp2Sink*>(user)->position = static_cast<std::uint64_t>(position);
    return OPJ_TRUE;
}

OPJ_SIZE_T readFromSource(void* buffer, OPJ_SIZE_T count, void* user) {
    Jp2Source& source = *static_cast<Jp2Source*>(user);
    const std::uint64_t left = source.bytes.size() - source.position;
    if (left == 0) return kNoBytes;
    const std::size_t taken = static_cast<std::size_t>(std::min<std::uint64_t>(count, left));
    std::memcpy(buffer, source.bytes.data() + source.position, taken);
    source.position += taken;
    return taken;
}

OPJ_OFF_T skipInSource(OPJ_OFF_T count, void* user) {
    Jp2Source& source = *static_cast<Jp2Source*>(user);
    const auto size = static_cast<OPJ_OFF_T>(source.bytes.size());
    const OPJ_OFF_T target = std::clamp<OPJ_OFF_T>(static_cast<OPJ_OFF_T>(source.position) + count, 0, size);
    const OPJ_OFF_T skipped = target - static_cast<OPJ_OFF_T>(source.position);
    source.position = static_cast<std::uint64_t>(target);
    return skipped == 0 && count != 0 ? -1 : skipped;
}

OPJ_BOOL seekInSource(OPJ_OFF_T position, void* user) {
    Jp2Source& source = *static_cast<Jp2Source*>(user);
    if (position < 0 || static_cast<std::uint64_t>(position) > source.bytes.size()) return OPJ_FALSE;
    source.position = static_cast<std::uint64_t>(position);
    return OPJ_TRUE;
}

Jp2Stream newStream(bool reading) {
    Jp2Stream stream(opj_stream_create(OPJ_J2K_STREAM_CHUNK_SIZE, reading ? OPJ_TRUE : OPJ_FALSE));
    if (!stream) throw Error("JPEG 2000: not enough memory for a stream");
    return stream;
}

}  // namespace

Jp2Stream writingStream(Jp2Sink& sink) {
    Jp2Stream stream = newStream(false);
    opj_stream_set_user_data(stream.get(), &sink, nullptr);
    opj_stream_set_write_function(stream.get(), writeToSink);
    opj_stream_set_skip_function(stream.get(), skipInSink);
    opj_stream_set_seek_function(stream.get(), seekInSink);
    return stream;
}

Jp2Stream readingStream(Jp2Source& source) {
    Jp2Stream stream = newStream(true);
    opj_stream_set_user_data(stream.get(), &source, nullptr);
    opj_stream_set_user_data_length(stream.get(), source.bytes.size());
    opj_stream_set_read_function(stream.get(), readFromSource);
    opj_stream_set_skip_function(stream.get(), skipInSource);
    opj_stream_set_seek_function(stream.get(), seekInSource);
    return stream;
}

}  // namespace brenlow::anchors
