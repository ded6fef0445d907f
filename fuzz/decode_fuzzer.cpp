// The whole decode path of the command-line tool: a file named .avc or .ajc (the first byte picks
// which) is read, checked, decoded, resampled and, for .avc, written as a bitmap.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "codecs/still_codecs.h"
#include "io/error.h"

namespace {

const std::filesystem::path& workFolder() {
    static const std::filesystem::path folder = [] {
        auto path = std::filesystem::temp_directory_path() / ("brenlow-decode-fuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(path);
        return path;
    }();
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const bool avc = (data[0] & 1) == 0;
    const std::string path = (workFolder() / (avc ? "input.avc" : "input.ajc")).string();
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data + 1), static_cast<std::streamsize>(size - 1));
    try {
        const brenlow::DecodedPicture picture = avc ? brenlow::DecodeAvcFile(path) : brenlow::DecodeAjcFile(path);
        if (picture.bitmap.format() != QImage::Format_BGR888) {
            std::abort();
        }
    } catch (const brenlow::Error&) {
    }
    return 0;
}
