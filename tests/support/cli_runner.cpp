#include "support/cli_runner.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <csignal>
#include <stdexcept>

#include "support/test_support.h"

namespace brenlow::testing {
namespace {

bool applyLimit(int resource, std::uint64_t bytes) {
    if (bytes == 0) {
        return true;
    }
    const rlimit limit{static_cast<rlim_t>(bytes), static_cast<rlim_t>(bytes)};
    return setrlimit(resource, &limit) == 0;
}

[[noreturn]] void execInChild(const std::vector<std::string>& arguments, const std::filesystem::path& directory,
                              int outFd, int errFd, const CliLimits& limits) {
    if (chdir(directory.c_str()) != 0 || dup2(outFd, STDOUT_FILENO) < 0 || dup2(errFd, STDERR_FILENO) < 0) {
        _exit(127);
    }
    // An ignored SIGXFSZ stays ignored across exec, so the tool sees the failing write.
    if ((limits.fileSizeBytes != 0 && std::signal(SIGXFSZ, SIG_IGN) == SIG_ERR) ||
        !applyLimit(RLIMIT_FSIZE, limits.fileSizeBytes) || !applyLimit(RLIMIT_AS, limits.addressSpaceBytes)) {
        _exit(126);
    }
    std::vector<char*> argv;
    std::string program = BRENLOW_CLI_PATH;
    argv.push_back(program.data());
    std::vector<std::string> copies = arguments;
    for (auto& argument : copies) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    execv(program.c_str(), argv.data());
    _exit(127);
}

void drain(int outFd, int errFd, CliRun& run) {
    std::array<pollfd, 2> fds{{{outFd, POLLIN, 0}, {errFd, POLLIN, 0}}};
    std::string* sinks[2] = {&run.out, &run.err};
    int open = 2;
    char buffer[4096];
    while (open > 0 && poll(fds.data(), fds.size(), -1) > 0) {
        for (std::size_t i = 0; i < fds.size(); ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) {
                continue;
            }
            const ssize_t count = read(fds[i].fd, buffer, sizeof buffer);
            if (count <= 0) {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            } else {
                sinks[i]->append(buffer, static_cast<std::size_t>(count));
            }
        }
    }
}

}  // namespace

CliRun runCli(const std::vector<std::string>& arguments, const std::filesystem::path& workingDirectory,
              const CliLimits& limits) {
    int outPipe[2];
    int errPipe[2];
    if (pipe(outPipe) != 0 || pipe(errPipe) != 0) {
        throw std::runtime_error("pipe failed");
    }
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        close(outPipe[0]);
        close(errPipe[0]);
        execInChild(arguments, workingDirectory, outPipe[1], errPipe[1], limits);
    }
    close(outPipe[1]);
    close(errPipe[1]);
    CliRun run;
    drain(outPipe[0], errPipe[0], run);
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.peakMemoryKb = usage.ru_maxrss;
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return run;
}

CliProcess startCli(const std::vector<std::string>& arguments, const std::filesystem::path& workingDirectory,
                    const std::vector<std::string>& environment) {
    const pid_t child = fork();
    if (child == 0) {
        for (const std::string& setting : environment) {
            if (setting.find('=') == std::string::npos) {
                unsetenv(setting.c_str());
            } else {
                putenv(const_cast<char*>(setting.c_str()));
            }
        }
        const int nowhere = open("/dev/null", O_WRONLY);
        execInChild(arguments, workingDirectory, nowhere, nowhere, {});
    }
    if (child < 0) {
        throw std::runtime_error("fork failed");
    }
    return {child};
}

int waitForCli(const CliProcess& process) {
    int status = 0;
    if (waitpid(process.pid, &status, 0) != process.pid) {
        return -1000;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
}

std::map<std::string, std::string> folderSnapshot(const std::filesystem::path& folder) {
    std::map<std::string, std::string> snapshot;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        const std::string name = std::filesystem::relative(entry.path(), folder).string();
        snapshot[name] = entry.is_directory()      ? "<dir>"
                         : entry.is_regular_file() ? fileBytes(entry.path().string())
                                                   : "<special>";  // a FIFO would block its reader
    }
    return snapshot;
}

std::vector<std::string> addedNames(const std::map<std::string, std::string>& before,
                                    const std::map<std::string, std::string>& after) {
    std::vector<std::string> added;
    for (const auto& [name, bytes] : after) {
        if (!before.contains(name)) {
            added.push_back(name);
        }
    }
    return added;
}

}  // namespace brenlow::testing
