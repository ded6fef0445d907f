#include "waiting_run.h"

#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>

namespace brenlow::python {
namespace {

// Python checks for signals this often while a run goes on without reporting.
constexpr std::chrono::milliseconds kSignalCheck{100};

// The latest progress report of a run, and whether it has ended, handed from its threads to the
// waiting one.
class ProgressMailbox {
public:
    void post(const Progress& progress) {
        {
            const std::lock_guard lock(mutex_);
            latest_ = progress;
        }
        wake_.notify_one();
    }

    void finish() {
        {
            const std::lock_guard lock(mutex_);
            finished_ = true;
        }
        wake_.notify_one();
    }

    // The report posted since the last call, if any, after waiting at most `wait` for one or for
    // the end; `finished` says whether the run has ended (its last report is then taken too).
    std::optional<Progress> take(std::chrono::milliseconds wait, bool& finished) {
        std::unique_lock lock(mutex_);
        wake_.wait_for(lock, wait, [this] { return latest_.has_value() || finished_; });
        finished = finished_;
        return std::exchange(latest_, std::nullopt);
    }

private:
    std::mutex mutex_;
    std::condition_variable wake_;
    std::optional<Progress> latest_;
    bool finished_ = false;
};

}  // namespace

void runWhileWaiting(const std::function<void(const RunControl&)>& work, RunControl control,
                     const py::object& progress) {
    ProgressMailbox mailbox;
    control.progress = [&mailbox](const Progress& report) { mailbox.post(report); };
    std::exception_ptr failure;
    std::thread worker([&] {
        try {
            work(control);
        } catch (...) {
            failure = std::current_exception();
        }
        mailbox.finish();
    });
    std::exception_ptr raised;  // by progress or the signal check: ends the run, raised once it has
    for (bool finished = false; !finished;) {
        std::optional<Progress> report;
        {
            py::gil_scoped_release unlocked;
            report = mailbox.take(kSignalCheck, finished);
        }
        if (raised) continue;
        try {
            if (report && !progress.is_none()) progress(report->done, report->total, report->item);
            if (PyErr_CheckSignals() != 0) throw py::error_already_set();
        } catch (...) {
            raised = std::current_exception();
            control.cancel.cancel();
        }
    }
    {
        py::gil_scoped_release unlocked;
        worker.join();
    }
    if (raised) std::rethrow_exception(raised);
    if (failure) std::rethrow_exception(failure);
}

}  // namespace brenlow::python
