#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace brenlow::testing {

struct CliRun {
    int exitCode = -1;
    std::string out;
    std::string err;
    long peakMemoryKb = 0;  // the child's largest resident set
    double seconds = 0.0;   // wall-clock time of the run
};

// Resource limits set in the child before the tool starts; 0 leaves a limit as it is.
struct CliLimits {
    std::uint64_t addressSpaceBytes = 0;
    std::uint64_t fileSizeBytes = 0;  // writes beyond it fail with EFBIG instead of a signal
};

// Runs the built brenlow-cli with these arguments in `workingDirectory` and collects its streams.
CliRun runCli(const std::vector<std::string>& arguments, const std::filesystem::path& workingDirectory,
              const CliLimits& limits = {});

// A tool started in the background with its output thrown away, for tests that stop it.
struct CliProcess {
    int pid = -1;
};

// Starts brenlow-cli like runCli, with extra environment variables ("NAME=value"; "NAME" alone removes one).
CliProcess startCli(const std::vector<std::string>& arguments, const std::filesystem::path& workingDirectory,
                    const std::vector<std::string>& environment = {});

// Waits for the tool: its exit status, or minus the signal that ended it.
int waitForCli(const CliProcess& process);

// Every regular file below a folder (relative name -> bytes), and every folder (name -> "<dir>").
std::map<std::string, std::string> folderSnapshot(const std::filesystem::path& folder);

// The names in `after` that are not in `before`.
std::vector<std::string> addedNames(const std::map<std::string, std::string>& before,
                                    const std::map<std::string, std::string>& after);

// A command line in parts, and two of them joined.
using Arguments = std::vector<std::string>;

inline Arguments operator+(Arguments first, const Arguments& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

}  // namespace brenlow::testing
