#pragma once

#include <cstdint>
#include <functional>

#include "io/file_io.h"

namespace brenlow {

// Works out frame i's file in memory; may run on a worker thread.
using FrameWork = std::function<Bytes(std::int32_t frame)>;
// Stores frame i's file; always runs on the caller's thread, in frame order.
using FrameCommit = std::function<void(std::int32_t frame, const Bytes& file)>;

// Runs work for frames 0..lastFrame with up to `jobs` frames in flight and commits each result in
// frame order, so the files and their order are those of a one-at-a-time run. The first failure,
// in frame order, is rethrown once the frames in flight have finished; no later frame is committed.
void runFramesInOrder(std::int32_t lastFrame, int jobs, const FrameWork& work, const FrameCommit& commit);

}  // namespace brenlow
