#pragma once

#include <QImage>
#include <map>
#include <memory>
#include <mutex>
#include <tuple>
#include <typeindex>
#include <typeinfo>
#include <utility>
#include <vector>

#include "measures/kept_measure_memory.h"

namespace brenlow {

// A reference picture with the share of the slow measures that depends on it alone, worked out
// once for all the pictures measured against it (a pyramid of blurred planes, the bytes a library
// reads, ...). Each part is made by the first measure that asks for it, for the common area it asks
// about (an odd-sized AVC source is measured over less than the whole picture), and kept until the
// object goes. Safe to share between threads.
class PreparedReference {
public:
    // `picture` is Format_BGR888; the object keeps a shallow copy of it.
    explicit PreparedReference(QImage picture);
    ~PreparedReference();

    PreparedReference(const PreparedReference&) = delete;
    PreparedReference& operator=(const PreparedReference&) = delete;

    const QImage& picture() const { return picture_; }

    // The measure's part over the bottom-left width x height of the picture (at most its size), one
    // per type: `make(picture(), width, height)` makes it the first time. A second thread asking
    // meanwhile waits for it, and a part whose making threw is tried again by the next caller.
    template <class Part, class Make>
    const Part& part(int width, int height, Make make) const {
        Slot& slot = slotOf(width, height, typeid(Part));
        std::call_once(slot.made, [&] { slot.part = std::make_shared<const Part>(make(picture_, width, height)); });
        return *static_cast<const Part*>(slot.part.get());
    }

private:
    struct Slot {
        std::once_flag made;
        std::shared_ptr<const void> part;
    };
    Slot& slotOf(int width, int height, std::type_index type) const;

    QImage picture_;
    mutable std::mutex mutex_;
    mutable std::map<std::tuple<int, int, std::type_index>, std::unique_ptr<Slot>> slots_;
};

// The prepared references of one picture's runs. Its codecs are measured against the document's
// own file or the source file, which mostly hold the same pixels: pictures of the same pixels share
// one preparation, however they were read. While it lives, the measures' memory is kept from point
// to point. Safe to share between threads.
class PreparedReferences {
public:
    // The preparation for `reference` (Format_BGR888), made by the first call with its pixels.
    const PreparedReference& of(const QImage& reference);

private:
    struct Entry {
        std::unique_ptr<PreparedReference> prepared;
        std::vector<qint64> keys;  // the cache keys of the pictures found to hold its pixels
    };

    KeptMeasureMemory memory_;  // the measures' memory, kept from point to point
    std::mutex mutex_;
    std::vector<Entry> entries_;
};

}  // namespace brenlow
