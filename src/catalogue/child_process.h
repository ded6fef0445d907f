#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace brenlow {

// How one run of another program ended.
struct ChildOutcome {
    bool timedOut = false;   // killed at the time limit, with all it started
    int exitStatus = -1;     // its exit status, or -1 when a signal ended it
    int signal = 0;          // the signal that ended it, or 0
    std::string stderrTail;  // the last lines it wrote on stderr
    double wallSeconds = 0;
    double cpuSeconds = 0;   // user + system, its own and its waited-for children's

    bool succeeded() const { return !timedOut && exitStatus == 0; }
    // "exited with status 1", "was ended by signal 9", "ran past its time limit of 2 s".
    std::string endText(double timeLimitSeconds) const;
};

// A run given up because this process was told to stop (SIGINT, SIGTERM, SIGHUP). Not an Error,
// so that no caller records it as a failed item: it unwinds to the end, where the stop signal,
// held back meanwhile (StopSignalsDeferred), ends the process.
class ChildRunStopped : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Runs `arguments` (program first, looked up on PATH) without a shell, in `folder`, with stdin
// and stdout on /dev/null and stderr captured, in a process group of its own, with this process's
// environment and the call's mark (see ProgramCall). At the time limit, when the program ends, or
// when a stop signal comes, every process it started is killed, wherever it went (its own group or
// session included), so nothing it started outlives the call; the program itself dies with this
// process when that is killed outright. Safe to call from several threads at once. Throws Error
// when the program cannot be started (not found, not executable), ChildRunStopped after a stop
// signal.
ChildOutcome runChildProcess(const std::vector<std::string>& arguments, const std::string& folder,
                             double timeLimitSeconds);

}  // namespace brenlow
