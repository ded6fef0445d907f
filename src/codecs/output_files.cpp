#include "codecs/output_files.h"

#include <filesystem>
#include <span>
#include <vector>

#include "io/bitmap_file.h"
#include "io/error.h"
#include "io/file_io.h"
#include "io/pending_file.h"

namespace brenlow {

void writeOutputs(std::initializer_list<OutputFile> outputs) {
    std::vector<PendingFile> prepared;
    prepared.reserve(outputs.size());
    for (const OutputFile& output : outputs) {
        if (output.bitmap != nullptr) {
            prepared.push_back(prepareBitmapFile(*output.bitmap, output.path));
        } else {
            const std::span<const std::uint8_t> whole[] = {*output.bytes};
            prepared.emplace_back(output.path, whole);
        }
    }
    putInPlaceTogether(prepared);
}

void refuseOverwritingSources(std::initializer_list<std::string> sources, std::initializer_list<std::string> outputs) {
    for (const std::string& output : outputs) {
        for (const std::string& source : sources) {
            if (samePlace(source, output)) {
                throw Error("Refusing to write \"" + output + "\": it is the picture being coded");
            }
        }
    }
}

}  // namespace brenlow
