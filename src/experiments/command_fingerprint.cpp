#include "experiments/command_fingerprint.h"

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <sstream>

#include "catalogue/child_spawn.h"
#include "experiments/kept_decoded.h"
#include "io/error.h"

namespace brenlow {
namespace {

constexpr const char* kDigestMark = " sha256:";

// "file /x/codec.py sha256:HEX", or what keeps the file from being read.
std::string fileLine(const std::string& what, const std::string& path) {
    try {
        return what + " " + path + kDigestMark + fileSha256(path);
    } catch (const Error& error) {
        return what + " " + path + " unreadable: " + error.cause();
    }
}

bool isRegularFile(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

// The file the program is started from: the first candidate execve would run.
std::string programLine(const std::string& program) {
    for (const std::string& candidate : programCandidates(program))
        if (isRegularFile(candidate) && ::access(candidate.c_str(), X_OK) == 0) return fileLine("program", candidate);
    return "program " + program + " not found";
}

// The files an argument names as it stands: a placeholder's value is the run's, not the codec's.
void addNamedFiles(const std::string& argument, std::set<std::string>& lines) {
    if (argument.find('{') != std::string::npos) return;
    const std::size_t equals = argument.find('=');
    const std::string afterEquals = equals == std::string::npos ? std::string() : argument.substr(equals + 1);
    for (const std::string& path : {argument, afterEquals})
        if (!path.empty() && isRegularFile(path)) lines.insert(fileLine("file", path));
}

void addCommand(const std::vector<std::string>& command, std::set<std::string>& lines) {
    lines.insert(programLine(command.front()));
    for (auto argument = command.begin() + 1; argument != command.end(); ++argument) addNamedFiles(*argument, lines);
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// A line as a person names the part: without its digest.
std::string partOf(const std::string& line) {
    const std::size_t digest = line.rfind(kDigestMark);
    return digest == std::string::npos ? line : line.substr(0, digest);
}

}  // namespace

std::string commandCodecFingerprint(const CommandCodec& codec) {
    std::set<std::string> lines;
    addCommand(codec.encode, lines);
    addCommand(codec.decode, lines);
    std::string text = std::string("description") + kDigestMark + codec.descriptionSha256;
    for (const std::string& line : lines) text += "\n" + line;
    // One line a part: a version of several lines would read as several parts.
    std::string version = codec.version;
    std::replace(version.begin(), version.end(), '\n', ' ');
    if (!version.empty()) text += "\nversion " + version;
    return text;
}

std::vector<std::string> fingerprintChanges(const std::string& was, const std::string& now) {
    const std::vector<std::string> before = linesOf(was);
    const std::vector<std::string> after = linesOf(now);
    std::vector<std::string> parts;
    const auto addMissing = [&parts](const std::vector<std::string>& lines, const std::vector<std::string>& other) {
        for (const std::string& line : lines) {
            const std::string part = partOf(line);
            if (std::find(other.begin(), other.end(), line) == other.end() &&
                std::find(parts.begin(), parts.end(), part) == parts.end())
                parts.push_back(part);
        }
    };
    addMissing(after, before);
    addMissing(before, after);
    return parts;
}

}  // namespace brenlow
