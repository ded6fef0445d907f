#include "experiments/point_helpers.h"

#include <algorithm>
#include <utility>

namespace brenlow {

std::list<PointHelpers::Offer>::iterator PointHelpers::post(std::function<bool()> codeOne) {
    const std::lock_guard lock(mutex_);
    offers_.push_back({std::move(codeOne)});
    return std::prev(offers_.end());
}

void PointHelpers::help() {
    std::unique_lock lock(mutex_);
    for (;;) {
        const auto open = std::find_if(offers_.begin(), offers_.end(), [](const Offer& offer) { return offer.open; });
        if (open == offers_.end()) return;
        ++open->helping;
        lock.unlock();
        const bool more = open->codeOne();
        lock.lock();
        --open->helping;
        if (!more) open->open = false;
        helped_.notify_all();
    }
}

void PointHelpers::withdraw(std::list<Offer>::iterator offer) {
    std::unique_lock lock(mutex_);
    offer->open = false;
    helped_.wait(lock, [&] { return offer->helping == 0; });
    offers_.erase(offer);
}

}  // namespace brenlow
