#include "cli_runner.h"

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <stdexcept>

#include "support/test_support.h"

namespace brenlow::testing {
namespace {

[[noreturn]] void execInChild(const std::vector<std::string>& arguments, const std::filesystem::path& directory,
                              int outFd, int errFd) {
    if (chdir(directory.c_str()) != 0 || dup2(outFd, STDOUT_FILENO) < 0 || dup2(errFd, STDERR_FILENO) < 0) {
        _exit(127);
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

CliRun runCli(const std::vector<std::string>& arguments, const std::filesystem::path& workingDirectory) {
    int outPipe[2];
    int errPipe[2];
    if (pipe(outPipe) != 0 || pipe(errPipe) != 0) {
        throw std::runtime_error("pipe failed");
    }
    const pid_t child = fork();
    if (child == 0) {
        close(outPipe[0]);
        close(errPipe[0]);
        execInChild(arguments, workingDirectory, outPipe[1], errPipe[1]);
    }
    close(outPipe[1]);
    close(errPipe[1]);
    CliRun run;
    drain(outPipe[0], errPipe[0], run);
    int status = 0;
    waitpid(child, &status, 0);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

std::map<std::string, std::string> folderSnapshot(const std::filesystem::path& folder) {
    std::map<std::string, std::string> snapshot;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        const std::string name = std::filesystem::relative(entry.path(), folder).string();
        snapshot[name] = entry.is_directory() ? "<dir>" : fileBytes(entry.path().string());
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
