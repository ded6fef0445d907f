#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <mutex>

#include "measures/prepared_reference.h"

namespace brenlow {

// The prepared references of a data set's pictures while their items run. Items are started in
// order, picture by picture, so a picture's preparations go as soon as none of its items is running
// and an item of a later picture has started: memory holds the pictures in flight and the one
// whose items are still being handed out, whatever the number of pictures.
class ReferenceShelf {
public:
    // Holds a picture's preparations for one item; handing them back may free them.
    class Lease {
    public:
        Lease(ReferenceShelf& shelf, std::size_t picture, std::shared_ptr<PreparedReferences> references)
            : shelf_(&shelf), picture_(picture), references_(std::move(references)) {}
        Lease(const Lease&) = delete;
        Lease& operator=(const Lease&) = delete;
        ~Lease() { shelf_->handBack(picture_); }

        const std::shared_ptr<PreparedReferences>& references() const { return references_; }

    private:
        ReferenceShelf* shelf_;
        std::size_t picture_;
        std::shared_ptr<PreparedReferences> references_;
    };

    // The preparations of picture `picture` (an index) for an item about to run. Thread-safe.
    Lease lease(std::size_t picture);

    // How many pictures' preparations are held.
    std::size_t held() const;

private:
    struct Shelved {
        std::shared_ptr<PreparedReferences> references;
        int leased = 0;
    };

    void handBack(std::size_t picture);
    void dropFinishedBefore(std::size_t picture);

    mutable std::mutex mutex_;
    std::map<std::size_t, Shelved> shelved_;
    std::size_t latest_ = 0;  // the latest picture an item was started for
};

}  // namespace brenlow
