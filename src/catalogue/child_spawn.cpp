#include "catalogue/child_spawn.h"

#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "io/error.h"

extern char** environ;

namespace brenlow {
namespace {

// The new process shares this one's memory until it runs the program (as posix_spawn's does, so
// that a large process starts one cheaply), on a stack of its own.
constexpr std::size_t kStackBytes = 256 * 1024;

// Everything the new process needs, made before it exists: between the clone and the exec it
// calls only what is safe in a copy of a process with threads.
struct Preparation {
    std::vector<std::string> candidates;  // the program's paths to try, in PATH's order
    std::vector<const char*> candidatePaths;
    std::vector<char*> argv;
    std::vector<char*> envp;
    const char* folder = nullptr;
    int stderrFd = -1;
    pid_t parent = 0;
    int error = 0;  // written by the new process when it cannot run the program
};

}  // namespace

std::vector<std::string> programCandidates(const std::string& program) {
    if (program.find('/') != std::string::npos) return {program};
    const char* path = std::getenv("PATH");
    std::istringstream entries(path != nullptr ? path : "/bin:/usr/bin");
    std::vector<std::string> candidates;
    for (std::string entry; std::getline(entries, entry, ':');)
        candidates.push_back(entry.empty() ? program : entry + "/" + program);
    if (path != nullptr && *path != '\0' && path[std::strlen(path) - 1] == ':') candidates.push_back(program);
    return candidates;
}

namespace {

void prepareEnvironment(Preparation& preparation, const ChildStart& start) {
    const std::string name = start.addedVariable.substr(0, start.addedVariable.find('=') + 1);
    for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry)
        if (name.empty() || std::strncmp(*entry, name.c_str(), name.size()) != 0) preparation.envp.push_back(*entry);
    if (!start.addedVariable.empty()) preparation.envp.push_back(const_cast<char*>(start.addedVariable.c_str()));
    preparation.envp.push_back(nullptr);
}

// Puts `fd` at `target`, kept open across the exec.
bool placeAt(int fd, int target) {
    if (fd == target) return ::fcntl(target, F_SETFD, 0) == 0;
    return ::dup2(fd, target) == target;
}

bool placeNullAt(int target, int flags) {
    const int fd = ::open("/dev/null", flags | O_CLOEXEC);
    return fd >= 0 && placeAt(fd, target);
}

// The new process, sharing memory with the blocked parent: no allocation, no lock, no sanitizer.
__attribute__((no_sanitize("address", "undefined"))) int runProgram(void* data) {
    Preparation& preparation = *static_cast<Preparation*>(data);
    // First every handler away, while every signal is still blocked: a handler of the parent's
    // must never run here, in its memory.
    struct sigaction standard {};
    standard.sa_handler = SIG_DFL;
    for (int signal = 1; signal < NSIG; ++signal) ::sigaction(signal, &standard, nullptr);
    // Killed with the starting thread; if the parent died before this line, it goes at once.
    const bool set = ::prctl(PR_SET_PDEATHSIG, SIGKILL) == 0 && ::getppid() == preparation.parent &&
                     ::setpgid(0, 0) == 0 && placeAt(preparation.stderrFd, 2) && placeNullAt(0, O_RDONLY) &&
                     placeNullAt(1, O_WRONLY) && ::chdir(preparation.folder) == 0;
    if (!set) {
        preparation.error = errno;
        ::_exit(127);
    }
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    // As execvp: a missing file sends it on to the next entry, a file it may not run is the
    // answer when no other runs, any other failure ends the search.
    int error = ENOENT;
    for (const char* candidate : preparation.candidatePaths) {
        ::execve(candidate, preparation.argv.data(), preparation.envp.data());
        if (errno == EACCES) {
            error = EACCES;
        } else if (errno != ENOENT && errno != ENOTDIR && errno != ESTALE && errno != ENODEV && errno != ETIMEDOUT) {
            error = errno;
            break;
        }
    }
    preparation.error = error;
    ::_exit(127);
}

}  // namespace

pid_t startChild(const ChildStart& start) {
    const std::string& program = start.arguments.front();
    Preparation preparation;
    preparation.candidates = programCandidates(program);
    for (const std::string& candidate : preparation.candidates) preparation.candidatePaths.push_back(candidate.c_str());
    for (const std::string& argument : start.arguments) preparation.argv.push_back(const_cast<char*>(argument.c_str()));
    preparation.argv.push_back(nullptr);
    prepareEnvironment(preparation, start);
    preparation.folder = start.folder.c_str();
    preparation.stderrFd = start.stderrFd;
    preparation.parent = ::getpid();

    void* stack = ::mmap(nullptr, kStackBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_STACK, -1, 0);
    if (stack == MAP_FAILED) throw Error("Cannot start \"" + program + "\": " + std::strerror(errno));
    sigset_t all, before;
    sigfillset(&all);
    ::pthread_sigmask(SIG_BLOCK, &all, &before);
    const pid_t pid = ::clone(runProgram, static_cast<char*>(stack) + kStackBytes, CLONE_VM | CLONE_VFORK | SIGCHLD,
                              &preparation);
    const int cloneError = errno;
    ::pthread_sigmask(SIG_SETMASK, &before, nullptr);
    ::munmap(stack, kStackBytes);
    if (pid < 0) throw Error("Cannot start \"" + program + "\": " + std::strerror(cloneError));
    if (preparation.error != 0) {
        while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
        }
        throw Error("Cannot start \"" + program + "\": " + std::strerror(preparation.error));
    }
    return pid;
}

}  // namespace brenlow
