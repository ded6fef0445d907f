#include "io/bitmap_recycling.h"

#include <cstdlib>
#include <mutex>
#include <vector>

#include "io/large_memory.h"

namespace brenlow {
namespace {

// Smaller pictures cost little to fault in; the halved picture of 12 MP is 9 MB.
constexpr std::size_t kRecycledFrom = std::size_t{4} << 20;
// Enough for the pictures of the points in flight on two cores, without raising the peak much.
constexpr std::size_t kKeptAtMost = std::size_t{96} << 20;

struct Block {
    void* memory;
    std::size_t bytes;
};

struct Recycler {
    std::mutex mutex;
    int users = 0;
    std::size_t keptBytes = 0;
    std::vector<Block> kept;

    void freeAll() {
        for (const Block& block : kept) std::free(block.memory);
        kept.clear();
        keptBytes = 0;
    }
};

Recycler& recycler() {
    static Recycler instance;
    return instance;
}

void* takeKept(std::size_t bytes) {
    Recycler& r = recycler();
    const std::lock_guard lock(r.mutex);
    for (auto block = r.kept.begin(); block != r.kept.end(); ++block) {
        if (block->bytes != bytes) continue;
        void* memory = block->memory;
        r.keptBytes -= bytes;
        r.kept.erase(block);
        return memory;
    }
    return nullptr;
}

// QImage's cleanup for pictures on large blocks: the block is kept when there is room.
void dropBlock(void* info) {
    auto* block = static_cast<Block*>(info);
    {
        Recycler& r = recycler();
        const std::lock_guard lock(r.mutex);
        if (r.users > 0 && r.keptBytes + block->bytes <= kKeptAtMost) {
            r.kept.push_back(*block);
            r.keptBytes += block->bytes;
            block->memory = nullptr;
        }
    }
    std::free(block->memory);
    delete block;
}

}  // namespace

BitmapRecycling::BitmapRecycling() {
    const std::lock_guard lock(recycler().mutex);
    ++recycler().users;
}

BitmapRecycling::~BitmapRecycling() {
    Recycler& r = recycler();
    const std::lock_guard lock(r.mutex);
    if (--r.users == 0) r.freeAll();
}

QImage allocateBitmap(int width, int height) {
    const auto bytesPerLine = (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
    const std::size_t bytes = bytesPerLine * static_cast<std::size_t>(height);
    if (bytes < kRecycledFrom) return QImage(width, height, QImage::Format_BGR888);
    void* memory = takeKept(bytes);
    if (memory == nullptr) memory = allocateLargeMemory(bytes);
    if (memory == nullptr) return QImage();
    return QImage(static_cast<uchar*>(memory), width, height, static_cast<qsizetype>(bytesPerLine),
                  QImage::Format_BGR888, dropBlock, new Block{memory, bytes});
}

std::size_t keptBitmapBytes() {
    const std::lock_guard lock(recycler().mutex);
    return recycler().keptBytes;
}

}  // namespace brenlow
