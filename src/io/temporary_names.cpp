#include "io/temporary_names.h"

#include <signal.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <atomic>
#include <cstring>
#include <mutex>
#include <random>
#include <utility>

namespace brenlow {
namespace {

enum SlotState : int { kFree, kFilling, kHeld };

// A signal handler may only read memory that is always there: fixed slots, no allocation.
struct Slot {
    std::atomic<int> state{kFree};
    char path[4096] = {};
};

constexpr int kSlotCount = 64;
std::array<Slot, kSlotCount> slots;

constexpr std::array<int, 3> kStopSignals = {SIGINT, SIGTERM, SIGHUP};
std::array<struct sigaction, kStopSignals.size()> previousActions{};

void removeHeldNames() {
    for (Slot& slot : slots) {
        if (slot.state.load(std::memory_order_acquire) == kHeld) {
            ::unlink(slot.path);
        }
    }
}

// While a command puts its outputs in place, a stop signal waits until the whole set is there.
std::atomic<int> settingInPlace{0};
std::atomic<int> deferredSignal{0};

void restorePreviousAction(int signal) {
    for (std::size_t i = 0; i < kStopSignals.size(); ++i) {
        if (kStopSignals[i] == signal) {
            ::sigaction(signal, &previousActions[i], nullptr);
        }
    }
}

void onStopSignal(int signal) {
    if (settingInPlace.load() > 0) {
        deferredSignal.store(signal);
        return;
    }
    const int savedErrno = errno;
    removeHeldNames();
    restorePreviousAction(signal);
    errno = savedErrno;
    ::raise(signal);
}

// A signal that was ignored when the handlers came (nohup's SIGHUP) stays ignored.
void installHandlersOnce() {
    static std::once_flag once;
    std::call_once(once, [] {
        for (std::size_t i = 0; i < kStopSignals.size(); ++i) {
            struct sigaction previous {};
            if (::sigaction(kStopSignals[i], nullptr, &previous) != 0 || previous.sa_handler == SIG_IGN) {
                continue;
            }
            previousActions[i] = previous;
            struct sigaction action {};
            action.sa_handler = onStopSignal;
            sigemptyset(&action.sa_mask);
            for (const int other : kStopSignals) {
                sigaddset(&action.sa_mask, other);
            }
            ::sigaction(kStopSignals[i], &action, nullptr);
        }
    });
}

int claimSlot(const std::string& path) {
    if (path.size() >= sizeof(Slot::path)) {
        return -1;
    }
    for (int i = 0; i < kSlotCount; ++i) {
        int expected = kFree;
        if (slots[i].state.compare_exchange_strong(expected, kFilling, std::memory_order_acq_rel)) {
            std::memcpy(slots[i].path, path.c_str(), path.size() + 1);
            slots[i].state.store(kHeld, std::memory_order_release);
            return i;
        }
    }
    return -1;
}

}  // namespace

VisibleTemporaryName::VisibleTemporaryName(std::string path) : path_(std::move(path)) {
    installHandlersOnce();
    slot_ = claimSlot(path_);
}

VisibleTemporaryName::~VisibleTemporaryName() {
    if (slot_ >= 0) {
        slots[slot_].state.store(kFree, std::memory_order_release);
    }
}

StopSignalsDeferred::StopSignalsDeferred() {
    installHandlersOnce();
    settingInPlace.fetch_add(1);
}

StopSignalsDeferred::~StopSignalsDeferred() {
    if (settingInPlace.fetch_sub(1) == 1) {
        if (const int signal = deferredSignal.exchange(0); signal != 0) {
            removeHeldNames();
            restorePreviousAction(signal);
            ::raise(signal);
        }
    }
}

bool stopSignalWaiting() { return deferredSignal.load() != 0; }

std::string freshHiddenName(const std::string& folder) {
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    thread_local std::mt19937_64 generator{std::random_device{}()};
    std::uniform_int_distribution<std::size_t> pick(0, sizeof kLetters - 2);
    std::string name = folder + "/.brenlow-";
    for (int i = 0; i < 8; ++i) {
        name += kLetters[pick(generator)];
    }
    return name;
}

}  // namespace brenlow
