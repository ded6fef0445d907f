#include "measures/prepared_reference.h"

#include <QColorSpace>
#include <algorithm>
#include <cstring>

namespace brenlow {

PreparedReference::PreparedReference(QImage picture) : picture_(std::move(picture)) {}

PreparedReference::~PreparedReference() = default;

PreparedReference::Slot& PreparedReference::slotOf(int width, int height, std::type_index type) const {
    const std::lock_guard lock(mutex_);
    std::unique_ptr<Slot>& slot = slots_[{width, height, type}];
    if (!slot) slot = std::make_unique<Slot>();
    return *slot;
}

namespace {

// The same colours, too: equal code values declared differently are other colours.
bool samePixels(const QImage& a, const QImage& b) {
    if (a.format() != b.format() || a.size() != b.size() || a.colorSpace() != b.colorSpace()) return false;
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
