#include "measures/prepared_reference.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace brenlow {

// Each part is made once: a second thread asking meanwhile waits for it, and a part whose making
// threw is tried again by the next caller.
struct PreparedReference::Parts {
    std::once_flag ssimulacra2Made;
    std::optional<Ssimulacra2Reference> ssimulacra2;
    std::once_flag butteraugliMade;
    std::optional<ButteraugliReference> butteraugli;
};

PreparedReference::PreparedReference(QImage picture) : picture_(std::move(picture)) {}

PreparedReference::~PreparedReference() = default;

PreparedReference::Parts& PreparedReference::partsOf(int width, int height) const {
    const std::lock_guard lock(mutex_);
    std::unique_ptr<Parts>& parts = parts_[{width, height}];
    if (!parts) parts = std::make_unique<Parts>();
    return *parts;
}

const Ssimulacra2Reference& PreparedReference::ssimulacra2(int width, int height) const {
    Parts& parts = partsOf(width, height);
    std::call_once(parts.ssimulacra2Made, [&] { parts.ssimulacra2 = ssimulacra2Reference(picture_, width, height); });
    return *parts.ssimulacra2;
}

const ButteraugliReference& PreparedReference::butteraugli(int width, int height) const {
    Parts& parts = partsOf(width, height);
    std::call_once(parts.butteraugliMade, [&] { parts.butteraugli = butteraugliReference(picture_, width, height); });
    return *parts.butteraugli;
}

namespace {

bool samePixels(const QImage& a, const QImage& b) {
    if (a.format() != b.format() || a.size() != b.size()) return false;
    const auto rowBytes = static_cast<std::size_t>(a.width()) * 3;
    for (int y = 0; y < a.height(); ++y)
        if (std::memcmp(a.constScanLine(y), b.constScanLine(y), rowBytes) != 0) return false;
    return true;
}

}  // namespace

const PreparedReference& PreparedReferences::of(const QImage& reference) {
    const std::lock_guard lock(mutex_);
    const qint64 key = reference.cacheKey();
    for (Entry& entry : entries_) {
        if (std::find(entry.keys.begin(), entry.keys.end(), key) != entry.keys.end()) return *entry.prepared;
        if (samePixels(entry.prepared->picture(), reference)) {
            entry.keys.push_back(key);
            return *entry.prepared;
        }
    }
    entries_.push_back({std::make_unique<PreparedReference>(reference), {key}});
    return *entries_.back().prepared;
}

}  // namespace brenlow
