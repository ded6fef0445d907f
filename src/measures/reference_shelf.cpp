#include "measures/reference_shelf.h"

#include <algorithm>

namespace brenlow {

ReferenceShelf::Lease ReferenceShelf::lease(std::size_t picture) {
    const std::lock_guard lock(mutex_);
    latest_ = std::max(latest_, picture);
    Shelved& shelved = shelved_[picture];
    if (!shelved.references) shelved.references = std::make_shared<PreparedReferences>();
    ++shelved.leased;
    dropFinishedBefore(latest_);
    return Lease(*this, picture, shelved.references);
}

std::size_t ReferenceShelf::held() const {
    const std::lock_guard lock(mutex_);
    return shelved_.size();
}

void ReferenceShelf::handBack(std::size_t picture) {
    const std::lock_guard lock(mutex_);
    const auto found = shelved_.find(picture);
    if (found != shelved_.end()) --found->second.leased;
    dropFinishedBefore(latest_);
}

// No item of a picture before `picture` is still to start; those no item is running are done.
void ReferenceShelf::dropFinishedBefore(std::size_t picture) {
    for (auto it = shelved_.begin(); it != shelved_.end() && it->first < picture;)
        it = it->second.leased == 0 ? shelved_.erase(it) : std::next(it);
}

}  // namespace brenlow
