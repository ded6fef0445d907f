#pragma once

#include <string>
#include <vector>

#include "cli/command_line.h"

namespace brenlow::cli {

// Every file a data set command reads: its pictures, its --import files, and each result folder's
// files, its manifest even before it is written.
std::vector<std::string> dataSetInputs(const Request& request, const std::vector<std::string>& pictures,
                                       const std::vector<std::string>& resultFolders);

// Checks the files a data set command writes at its end (--aggregate-csv, --html) before any work, and
// makes their folders as --out makes its own:
// throws Error when one of them is one of the inputs, however spelt, or cannot be written there, so
// that a run of hours neither replaces its own inputs nor is thrown away for want of its output.
void checkDataSetOutputs(const Request& request, const std::vector<std::string>& inputs);

// The same for any list of files a command is about to write.
void checkOutputs(const std::vector<std::string>& outputs, const std::vector<std::string>& inputs);

}  // namespace brenlow::cli
