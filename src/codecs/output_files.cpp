#include "codecs/output_files.h"

#include <filesystem>
#include <span>
#include <vector>

#include "io/bitmap_file.h"
#include "io/error.h"
#include "io/file_io.h"
#include "io/pending_file.h"

namespace brenlow {

void writeOutputs(std::initializer_list<OutputFile> outputs) { writeOutputs(outputs, {}); }

void writeOutputs(std::initializer_list<OutputFile> outputs, std::span<FileBeingWritten> writing) {
    std::vector<PendingFile> prepared;
    prepared.reserve(outputs.size() + writing.size());
    for (const OutputFile& output : outputs) {
        if (output.bitmap != nullptr) {
            prepared.push_back(prepareBitmapFile(*output.bitmap, output.path));
        } else {
            const std::span<const std::uint8_t> whole[] = {*output.bytes};
            prepared.emplace_back(output.path, whole);
        }
    }
    for (FileBeingWritten& file : writing) {
        prepared.push_back(file.get());
    }
    putInPlaceTogether(prepared);
}

FileBeingWritten alreadyWritten(PendingFile file) {
    std::promise<PendingFile> written;
    written.set_value(std::move(file));
    return written.get_future();
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

void refuseClashingOutputs(const std::vector<PlannedOutputs>& plan) {
    for (const PlannedOutputs& planned : plan) {
        for (auto output = planned.outputs.begin(); output != planned.outputs.end(); ++output) {
            for (auto earlier = planned.outputs.begin(); earlier != output; ++earlier) {
                if (samePlace(*output, *earlier)) {
                    throw Error("Refusing to code \"" + planned.input + "\": it would write two of its files as \"" +
                                *output + "\", the second replacing the first (its coded file and its decoded bitmap)");
                }
            }
        }
    }
    for (std::size_t i = 0; i < plan.size(); ++i) {
        for (const std::string& output : plan[i].outputs) {
            for (std::size_t j = 0; j < plan.size(); ++j) {
                if (j != i && samePlace(output, plan[j].input)) {
                    throw Error("Refusing to code \"" + plan[i].input + "\": its output \"" + output +
                                "\" is \"" + plan[j].input + "\", another picture of the same command");
                }
            }
            for (std::size_t j = 0; j < i; ++j) {
                for (const std::string& earlier : plan[j].outputs) {
                    if (samePlace(output, earlier)) {
                        throw Error("Refusing to code \"" + plan[i].input + "\": its output \"" + output +
                                    "\" would replace the one \"" + plan[j].input + "\" gives in the same command");
                    }
                }
            }
        }
    }
}

}  // namespace brenlow
