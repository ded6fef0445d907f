#include "imaging/parallel.h"

#include <algorithm>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace brenlow {

namespace {

thread_local int callingThreadScopes = 0;

}  // namespace

CodingOnCallingThread::CodingOnCallingThread() { ++callingThreadScopes; }

CodingOnCallingThread::~CodingOnCallingThread() { --callingThreadScopes; }

bool codingOnCallingThread() { return callingThreadScopes > 0; }

int kernelThreads() {
    static const int cores = std::max(1, static_cast<int>(std::thread::hardware_concurrency()));
    return codingOnCallingThread() ? 1 : cores;
}

void parallelFor(int count, const std::function<void(int)>& task) { parallelFor(count, kernelThreads(), task); }

void parallelFor(int count, int threadCount, const std::function<void(int)>& task) {
    const int threads = std::min(count, codingOnCallingThread() ? 1 : threadCount);
    if (threads <= 1) {
        for (int i = 0; i < count; ++i) {
            task(i);
        }
        return;
    }
    std::exception_ptr failure;
    std::mutex failureLock;
    auto runStripe = [&](int first) {
        for (int i = first; i < count; i += threads) {
            try {
                task(i);
            } catch (...) {
                const std::lock_guard lock(failureLock);
                if (!failure) {
                    failure = std::current_exception();
                }
            }
        }
    };
    {
        std::vector<std::jthread> helpers;
        for (int first = 1; first < threads; ++first) {
            helpers.emplace_back(runStripe, first);
        }
        runStripe(0);
    }
    if (failure) {
        std::rethrow_exception(failure);
    }
}

void parallelRows(int begin, int end, const std::function<void(int, int)>& task, int minRowsPerBand) {
    const int rows = std::max(0, end - begin);
    const int bands = std::clamp(rows / std::max(1, minRowsPerBand), 1, kernelThreads());
    parallelFor(bands, [&](int band) {
        const int bandBegin = begin + static_cast<int>(static_cast<long long>(rows) * band / bands);
        const int bandEnd = begin + static_cast<int>(static_cast<long long>(rows) * (band + 1) / bands);
        task(bandBegin, bandEnd);
    });
}

}  // namespace brenlow
