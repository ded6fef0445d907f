#include "report/machine_description.h"

#include <unistd.h>

#include <climits>
#include <fstream>
#include <thread>

#include "experiments/timed_run.h"

namespace brenlow {
namespace {

std::string hostName() {
    char name[HOST_NAME_MAX + 1] = {};
    return gethostname(name, sizeof name - 1) == 0 && name[0] != '\0' ? std::string(name) : "unknown";
}

std::string trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// The value of the first "key<blanks><separator>value" line of a system file, quotes taken off.
std::string valueOf(const char* file, const std::string& key, char separator) {
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);) {
        const std::size_t at = line.find(separator);
        if (at == std::string::npos || trimmed(line.substr(0, at)) != key) continue;
        std::string value = trimmed(line.substr(at + 1));
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
        return value.empty() ? "unknown" : value;
    }
    return "unknown";
}

}  // namespace

std::string machineDescription() {
    const unsigned cores = std::thread::hardware_concurrency();
    return "host: " + hostName() + "\nCPU: " + processorName() +
           "\ncores: " + (cores > 0 ? std::to_string(cores) : std::string("unknown")) +
           "\nsystem: " + valueOf("/etc/os-release", "PRETTY_NAME", '=') + "\n";
}

}  // namespace brenlow
