#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace brenlow {

// How another program is started: without a shell, in `folder`, with stdin and stdout on
// /dev/null and stderr on `stderrFd`, in a process group of its own, with every signal at its
// default and none blocked, and with this process's environment plus `addedVariable`
// ("NAME=value", replacing a NAME this process has).
struct ChildStart {
    std::vector<std::string> arguments;  // program first: found on PATH unless it holds a '/'
    std::string folder;
    int stderrFd = -1;
    std::string addedVariable;
};

// The paths the program is looked up at, in order, as execvp would: as given when it holds a '/',
// else in each PATH entry (an empty one is the folder it runs in).
std::vector<std::string> programCandidates(const std::string& program);

// Starts the program. It is killed (SIGKILL) when the thread that started it ends, so a process
// killed outright (SIGKILL, an out-of-memory kill, a batch system's hard limit) takes it along:
// the thread is to wait for it. Throws Error naming the program when it cannot be started (not
// found, not executable).
pid_t startChild(const ChildStart& start);

}  // namespace brenlow
