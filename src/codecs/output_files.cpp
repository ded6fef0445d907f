#include "codecs/output_files.h"

#include <filesystem>

#include "io/bitmap_file.h"
#include "io/error.h"

namespace brenlow {
namespace {

bool sameFile(const std::string& a, const std::string& b) {
    if (a == b) {
        return true;
    }
    std::error_code error;
    return std::filesystem::equivalent(a, b, error) && !error;
}

}  // namespace

void writeOutputs(std::initializer_list<OutputFile> outputs) {
    for (const OutputFile& output : outputs) {
        std::error_code error;
        if (std::filesystem::is_directory(output.path, error)) {
            throw Error("Cannot write \"" + output.path + "\": it is a folder");
        }
    }
    for (const OutputFile& output : outputs) {
        if (output.bitmap != nullptr) {
            saveBitmapFile(*output.bitmap, output.path);
        } else {
            writeFileAtomically(output.path, *output.bytes);
        }
    }
}

void refuseOverwritingSources(std::initializer_list<std::string> sources, std::initializer_list<std::string> outputs) {
    for (const std::string& output : outputs) {
        for (const std::string& source : sources) {
            if (sameFile(source, output)) {
                throw Error("Refusing to write \"" + output + "\": it is the picture being coded");
            }
        }
    }
}

}  // namespace brenlow
