#include "cli/run_outputs.h"

#include <filesystem>
#include <system_error>

#include "brenlow/studies.h"
#include "io/error.h"
#include "io/file_io.h"
#include "io/pending_file.h"

namespace brenlow::cli {
namespace {

namespace fs = std::filesystem;

void addFolderFiles(const std::string& folder, std::vector<std::string>& files) {
    files.push_back(manifestPath(folder));
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        if (it->is_regular_file(error)) files.push_back(it->path().string());
}

std::vector<std::string> namedOutputs(const Request& request) {
    std::vector<std::string> outputs;
    for (const std::string& output : {request.aggregateCsvPath, request.htmlPath})
        if (!output.empty()) outputs.push_back(output);
    return outputs;
}

// As --out makes its result folder, so that "--aggregate-csv results/a.csv" and "--out results/b" agree.
void makeFolderOf(const std::string& output) {
    const fs::path folder = fs::path(output).parent_path();
    if (folder.empty()) return;
    std::error_code error;
    fs::create_directories(folder, error);
    if (error)
        throw Error("Cannot write \"" + output + "\": its folder cannot be made (" + error.message() + ")");
}

}  // namespace

std::vector<std::string> dataSetInputs(const Request& request, const std::vector<std::string>& pictures,
                                       const std::vector<std::string>& resultFolders) {
    std::vector<std::string> inputs = pictures;
    inputs.insert(inputs.end(), request.importFiles.begin(), request.importFiles.end());
    for (const std::string& folder : resultFolders) addFolderFiles(folder, inputs);
    return inputs;
}

void checkDataSetOutputs(const Request& request, const std::vector<std::string>& inputs) {
    checkOutputs(namedOutputs(request), inputs);
}

void checkOutputs(const std::vector<std::string>& outputs, const std::vector<std::string>& inputs) {
    for (const std::string& output : outputs)
        for (const std::string& input : inputs)
            if (samePlace(output, input))
                throw Error("Refusing to write \"" + output + "\": it is one of the run's inputs (\"" + input +
                            "\"); name another file");
    for (const std::string& output : outputs) {
        makeFolderOf(output);
        checkCanBeWritten(output);
    }
}

}  // namespace brenlow::cli
