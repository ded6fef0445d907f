#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace brenlow::testing {

struct CliRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Runs the built brenlow-cli with these arguments in `workingDirectory` and collects its streams.
CliRun runCli(const std::vector<std::string>& arguments, const std::filesystem::path& workingDirectory);

// Every regular file below a folder (relative name -> bytes), and every folder (name -> "<dir>").
std::map<std::string, std::string> folderSnapshot(const std::filesystem::path& folder);

// The names in `after` that are not in `before`.
std::vector<std::string> addedNames(const std::map<std::string, std::string>& before,
                                    const std::map<std::string, std::string>& after);

}  // namespace brenlow::testing
