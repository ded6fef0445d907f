#include "catalogue/call_processes.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <mutex>
#include <set>
#include <thread>
#include <unordered_map>
#include <vector>

namespace brenlow {
namespace {

using Clock = std::chrono::steady_clock;

// A process that keeps forking is stopped a generation a round; past this many it is killed as
// far as it was found, and what it forked meanwhile comes to this process as orphans, which the
// next call's end (or the next time no call runs) finds.
constexpr int kMaxStopRounds = 100;
// A killed process normally goes within milliseconds; one stuck in the kernel (a dead network
// file system) is left to be reaped by a later call.
constexpr auto kReapPatience = std::chrono::seconds(2);

struct ProcessEntry {
    pid_t pid = 0;
    pid_t parent = 0;
    pid_t group = 0;
    bool zombie = false;
};

bool readStat(pid_t pid, ProcessEntry& entry) {
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%d/stat", static_cast<int>(pid));
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    char text[512];
    const ssize_t got = ::read(fd, text, sizeof text - 1);
    ::close(fd);
    if (got <= 0) return false;
    text[got] = '\0';
    // "PID (NAME) STATE PARENT GROUP ...": the name may hold spaces and parentheses.
    const char* close = nullptr;
    for (const char* at = text; *at != '\0'; ++at)
        if (*at == ')') close = at;
    char state = 0;
    int parent = 0;
    int group = 0;
    if (close == nullptr || std::sscanf(close + 1, " %c %d %d", &state, &parent, &group) != 3) return false;
    entry = {pid, parent, group, state == 'Z'};
    return true;
}

// Every process the system shows now.
std::vector<ProcessEntry> processTable() {
    std::vector<ProcessEntry> table;
    DIR* folder = ::opendir("/proc");
    if (folder == nullptr) return table;
    while (const dirent* item = ::readdir(folder)) {
        char* end = nullptr;
        const long pid = std::strtol(item->d_name, &end, 10);
        ProcessEntry entry;
        if (pid > 0 && *end == '\0' && readStat(static_cast<pid_t>(pid), entry)) table.push_back(entry);
    }
    ::closedir(folder);
    return table;
}

// Whether NAME=MARK is one of the process's environment entries (as it was when it last ran a program).
bool carriesMark(pid_t pid, const std::string& entry) {
    char path[64];
    std::snprintf(path, sizeof path, "/proc/%d/environ", static_cast<int>(pid));
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    std::string environment;
    char buffer[8192];
    for (ssize_t got; (got = ::read(fd, buffer, sizeof buffer)) > 0;) environment.append(buffer, static_cast<std::size_t>(got));
    ::close(fd);
    const std::string wanted = entry + '\0';
    return environment.starts_with(wanted) || environment.find('\0' + wanted) != std::string::npos;
}

// The programs of the calls running now.
std::mutex callsMutex;
std::set<pid_t> runningCalls;

void becomeSubreaperOnce() {
    static std::once_flag once;
    std::call_once(once, [] { ::prctl(PR_SET_CHILD_SUBREAPER, 1); });
}

std::string freshMark() {
    static std::uint64_t calls = 0;  // under callsMutex
    return std::to_string(::getpid()) + "-" + std::to_string(++calls);
}

// What one call owns of the process table. Used under callsMutex.
class CallTree {
public:
    CallTree(pid_t program, const std::string& mark)
        : program_(program),
          markEntry_(std::string(kCallMarkVariable) + "=" + mark),
          self_(::getpid()),
          alone_(runningCalls.size() == 1) {}

    // Stops the call's processes, round after round, until a round finds no new one: a stopped
    // process forks no more (a pending stop cancels a fork in progress), so its children are
    // all in the next round's table. Returns them all.
    std::set<pid_t> stopAll() {
        std::set<pid_t> stopped;
        for (int round = 0; round < kMaxStopRounds; ++round) {
            bool anyAlive = false;
            for (const ProcessEntry& found : unstoppedMembers(processTable(), stopped)) {
                ::kill(found.pid, SIGSTOP);
                stopped.insert(found.pid);
                anyAlive = anyAlive || !found.zombie;
            }
            if (!anyAlive) break;
        }
        return stopped;
    }

private:
    // A child of this process is one of the call's roots when it is the program, or an orphan of
    // the call's (its group or its mark), or any orphan once no other call runs.
    bool isRoot(const ProcessEntry& entry) const {
        if (entry.pid == program_) return true;
        if (entry.parent != self_ || runningCalls.contains(entry.pid)) return false;
        return alone_ || entry.group == program_ || carriesMark(entry.pid, markEntry_);
    }

    std::vector<ProcessEntry> unstoppedMembers(const std::vector<ProcessEntry>& table, const std::set<pid_t>& stopped) const {
        std::unordered_map<pid_t, std::vector<const ProcessEntry*>> children;
        std::vector<const ProcessEntry*> pending;
        for (const ProcessEntry& entry : table) {
            children[entry.parent].push_back(&entry);
            if (isRoot(entry)) pending.push_back(&entry);
        }
        std::set<pid_t> seen;
        std::vector<ProcessEntry> found;
        while (!pending.empty()) {
            const ProcessEntry* entry = pending.back();
            pending.pop_back();
            if (!seen.insert(entry->pid).second) continue;
            if (!stopped.contains(entry->pid)) found.push_back(*entry);
            const auto below = children.find(entry->pid);
            if (below != children.end()) pending.insert(pending.end(), below->second.begin(), below->second.end());
        }
        return found;
    }

    pid_t program_;
    std::string markEntry_;
    pid_t self_;
    bool alone_;
};

bool processGone(pid_t pid) { return ::kill(pid, 0) != 0 && errno == ESRCH; }

// Each killed process ends as a zombie child of this one (its parent, killed too, hands it on),
// unless it was gone already.
void reap(std::set<pid_t> killed) {
    const Clock::time_point deadline = Clock::now() + kReapPatience;
    while (!killed.empty() && Clock::now() < deadline) {
        for (auto it = killed.begin(); it != killed.end();) {
            const pid_t got = ::waitpid(*it, nullptr, WNOHANG);
            const bool done = got == *it || (got < 0 && errno == ECHILD && processGone(*it));
            it = done ? killed.erase(it) : std::next(it);
        }
        if (!killed.empty()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

}  // namespace

ProgramCall::ProgramCall(const std::function<pid_t(const std::string& mark)>& start) {
    becomeSubreaperOnce();
    // Registered as it starts, so that no other call's end takes it for an orphan.
    const std::lock_guard lock(callsMutex);
    mark_ = freshMark();
    pid_ = start(mark_);
    runningCalls.insert(pid_);
}

ProgramCall::~ProgramCall() {
    if (ended_) return;
    rusage ignored{};
    end(ignored);
}

int ProgramCall::end(rusage& usage) {
    ended_ = true;
    const std::lock_guard lock(callsMutex);
    std::set<pid_t> killed = CallTree(pid_, mark_).stopAll();
    for (const pid_t pid : killed) ::kill(pid, SIGKILL);
    // The program's group too, should a member have hidden from the table (no /proc).
    ::kill(-pid_, SIGKILL);
    killed.erase(pid_);
    reap(std::move(killed));
    int status = 0;
    while (::wait4(pid_, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    runningCalls.erase(pid_);
    return status;
}

}  // namespace brenlow
