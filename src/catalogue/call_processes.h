#pragma once

#include <sys/resource.h>
#include <sys/types.h>

#include <functional>
#include <string>

namespace brenlow {

// The environment variable that marks every process of one call: MARK in NAME=MARK is the call's.
inline constexpr const char* kCallMarkVariable = "BRENLOW_CODEC_CALL";

// One run of another program with all it starts. The first call makes this process a child
// subreaper (PR_SET_CHILD_SUBREAPER): a process the program leaves behind (a double fork, setsid,
// a daemon) becomes a child of this process instead of init's. When the call ends, every process
// of it is stopped, then killed and reaped: the program and all below it, and every orphan that
// came to this process and is the call's by its process group or by the mark its environment
// carries (the program gets it, and it passes it on to what it starts). Calls may run on several
// threads at once: one never touches another's processes. An orphan that is no call's by group
// or mark (it left both) is killed when a call ends with no other running; as this process starts
// other programs only through here, such an orphan is a finished call's.
class ProgramCall {
public:
    // Starts the program: `start` is given the mark for its environment and returns its process
    // id. Its exceptions pass through; nothing is then left to end.
    explicit ProgramCall(const std::function<pid_t(const std::string& mark)>& start);
    // Ends the call as end() does unless it has been ended.
    ~ProgramCall();
    ProgramCall(const ProgramCall&) = delete;
    ProgramCall& operator=(const ProgramCall&) = delete;

    pid_t pid() const { return pid_; }

    // Kills whatever of the call still runs, the program included, and reaps it all. Returns the
    // program's wait status; `usage` gets the resources it and the children it waited for used.
    int end(rusage& usage);

private:
    pid_t pid_ = 0;
    std::string mark_;
    bool ended_ = false;
};

}  // namespace brenlow
