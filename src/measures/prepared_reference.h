#pragma once

#include <QImage>
#include <map>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

#include "measures/butteraugli.h"
#include "measures/kept_measure_memory.h"
#include "measures/ssimulacra2.h"

namespace brenlow {

// A reference picture with the share of the slow measures that depends on it alone, worked out
// once for all the pictures measured against it: SSIMULACRA 2's XYB pyramid with its blurred means
// and squares, and Butteraugli's reference bytes. Each part is made by the first measure that asks
// for it, for the common area it asks about (an odd-sized AVC source is measured over less than
// the whole picture), and kept until the object goes. Safe to share between threads.
class PreparedReference {
public:
    // `picture` is Format_BGR888; the object keeps a shallow copy of it.
    explicit PreparedReference(QImage picture);
    ~PreparedReference();

    PreparedReference(const PreparedReference&) = delete;
    PreparedReference& operator=(const PreparedReference&) = delete;

    const QImage& picture() const { return picture_; }

    // The parts over the bottom-left width x height of the picture (at most its size).
    const Ssimulacra2Reference& ssimulacra2(int width, int height) const;
    const ButteraugliReference& butteraugli(int width, int height) const;

private:
    struct Parts;
    Parts& partsOf(int width, int height) const;

    QImage picture_;
    mutable std::mutex mutex_;
    mutable std::map<std::pair<int, int>, std::unique_ptr<Parts>> parts_;
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
