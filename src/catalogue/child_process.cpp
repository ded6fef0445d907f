#include "catalogue/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <sstream>

#include "catalogue/call_processes.h"
#include "catalogue/child_spawn.h"
#include "io/error.h"
#include "io/temporary_names.h"

namespace brenlow {
namespace {

using Clock = std::chrono::steady_clock;

// Enough to see why a program failed; a chatty encoder's progress never grows the buffer past it.
constexpr std::size_t kKeptStderrBytes = 16384;
constexpr std::size_t kTailLines = 8;
constexpr int kPollMilliseconds = 20;

// Closes what it holds on every way out.
class Descriptor {
public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    ~Descriptor() { reset(); }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    void reset() {
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
    }

private:
    int fd_;
};

void keepTail(std::string& kept, const char* data, std::size_t size) {
    kept.append(data, size);
    if (kept.size() > kKeptStderrBytes) kept.erase(0, kept.size() - kKeptStderrBytes);
}

// Reads what is there without waiting; false once the writers have all closed it.
bool drain(int fd, std::string& kept) {
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got > 0) {
            keepTail(kept, buffer, static_cast<std::size_t>(got));
            continue;
        }
        if (got < 0 && errno == EINTR) continue;
        return got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
    }
}

std::string lastLines(const std::string& text) {
    const std::size_t end = text.find_last_not_of("\r\n");
    if (end == std::string::npos) return {};
    std::size_t start = end + 1;
    for (std::size_t lines = 0; lines < kTailLines && start > 0; ++lines) {
        const std::size_t newline = text.rfind('\n', start - 1);
        start = newline == std::string::npos ? 0 : newline;
    }
    if (text[start] == '\n') ++start;
    return text.substr(start, end + 1 - start);
}

// True once the child has ended; it stays a zombie, so its process group id is not reused
// before the group is killed.
bool hasEnded(pid_t pid) {
    siginfo_t info{};
    return ::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == pid;
}

double secondsOf(const timeval& time) { return static_cast<double>(time.tv_sec) + time.tv_usec / 1e6; }

std::string stoppedText(const std::vector<std::string>& arguments) {
    return "\"" + arguments.front() + "\" was stopped: this program was told to stop";
}

}  // namespace

std::string ChildOutcome::endText(double timeLimitSeconds) const {
    std::ostringstream text;
    if (timedOut) text << "ran past its time limit of " << timeLimitSeconds << " s";
    else if (signal != 0) text << "was ended by signal " << signal << " (" << strsignal(signal) << ")";
    else text << "exited with status " << exitStatus;
    return text.str();
}

ChildOutcome runChildProcess(const std::vector<std::string>& arguments, const std::string& folder,
                             double timeLimitSeconds) {
    if (arguments.empty() || arguments.front().empty()) throw Error("No program to run");
    // A stop signal waits while the program runs, until it is killed and the call unwound.
    const StopSignalsDeferred signalsWait;
    if (stopSignalWaiting()) throw ChildRunStopped(stoppedText(arguments));
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) throw Error(std::string("Cannot make a pipe: ") + std::strerror(errno));
    Descriptor reader(ends[0]);
    Descriptor writer(ends[1]);
    ::fcntl(reader.get(), F_SETFL, O_NONBLOCK);

    const Clock::time_point started = Clock::now();
    const Clock::time_point deadline =
        started + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(timeLimitSeconds));
    ProgramCall call([&](const std::string& mark) {
        return startChild({arguments, folder, writer.get(), std::string(kCallMarkVariable) + "=" + mark});
    });
    const pid_t pid = call.pid();
    writer.reset();

    ChildOutcome outcome;
    std::string kept;
    bool open = true;
    bool stopped = false;
    while (!hasEnded(pid)) {
        if (Clock::now() >= deadline) {
            outcome.timedOut = true;
            break;
        }
        if (stopSignalWaiting()) {
            stopped = true;
            break;
        }
        pollfd watched{reader.get(), POLLIN, 0};
        if (open && ::poll(&watched, 1, kPollMilliseconds) > 0) open = drain(reader.get(), kept);
        else if (!open) ::usleep(kPollMilliseconds * 1000);
    }
    // Whatever it left running would hold the pipe and the folder.
    rusage usage{};
    const int status = call.end(usage);
    if (stopped) throw ChildRunStopped(stoppedText(arguments));
    if (open) drain(reader.get(), kept);
    outcome.wallSeconds = std::chrono::duration<double>(Clock::now() - started).count();
    outcome.cpuSeconds = secondsOf(usage.ru_utime) + secondsOf(usage.ru_stime);
    if (!outcome.timedOut && WIFEXITED(status)) outcome.exitStatus = WEXITSTATUS(status);
    if (!outcome.timedOut && WIFSIGNALED(status)) outcome.signal = WTERMSIG(status);
    outcome.stderrTail = lastLines(kept);
    return outcome;
}

}  // namespace brenlow
