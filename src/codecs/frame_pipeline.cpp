#include "codecs/frame_pipeline.h"

#include <algorithm>
#include <deque>
#include <future>

namespace brenlow {

void runFramesInOrder(std::int32_t lastFrame, int jobs, const FrameWork& work, const FrameCommit& commit) {
    const std::int64_t frameCount = static_cast<std::int64_t>(lastFrame) + 1;
    if (jobs <= 1) {
        for (std::int64_t frame = 0; frame < frameCount; ++frame) {
            const auto number = static_cast<std::int32_t>(frame);
            commit(number, work(number));
        }
        return;
    }
    std::deque<std::future<Bytes>> inFlight;
    std::int64_t nextToStart = 0;
    for (std::int64_t frame = 0; frame < frameCount; ++frame) {
        while (nextToStart < frameCount && nextToStart < frame + jobs) {
            inFlight.push_back(std::async(std::launch::async, work, static_cast<std::int32_t>(nextToStart)));
            ++nextToStart;
        }
        const Bytes file = inFlight.front().get();
        inFlight.pop_front();
        commit(static_cast<std::int32_t>(frame), file);
    }
}

}  // namespace brenlow
