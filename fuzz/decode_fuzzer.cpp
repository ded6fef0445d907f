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

// Every input is written and every output synced to disk: in memory where the system offers a
// folder for it, which makes the target ten times faster.
std::filesystem::path scratchRoot() {
    std::error_code error;
    if (std::filesystem::is_directory("/dev/shm", error) && ::access("/dev/shm", W_OK) == 0) {
        return "/dev/shm";
    }
    return std::filesystem::temp_directory_path();
}

// A folder of this process's own, removed when the fuzzer ends.
class WorkFolder {
public:
    WorkFolder() : path_(scratchRoot() / ("brenlow-decode-fuzz-" + std::to_string(::getpid()))) {
        std::filesystem::create_directories(path_);
    }
    ~WorkFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

const std::filesystem::path& workFolder() {
    static const WorkFolder folder;
    return folder.path();
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
