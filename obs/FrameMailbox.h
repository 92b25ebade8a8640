// Hands drawn pictures from the render thread to OBS's graphics thread: the
// newest one waits here until the graphics thread takes it (an older one not
// yet taken is dropped). Neither side waits for the other longer than it
// takes to swap two buffers.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

#include "ImageFile.h"

namespace tavrix_obs {

class FrameMailbox {
public:
    // Leaves a picture (taking its pixels; image receives a spare buffer).
    void post(tavrix_media::RgbaImage& image);
    // Leaves "nothing to show": the source becomes empty.
    void postEmpty();
    // Takes the newest picture left since the last take (image receives
    // it, width 0 for "nothing to show"); false when none was left.
    bool take(tavrix_media::RgbaImage& image);

    // The size of the newest picture left: the source's size.
    uint32_t width() const { return shownWidth; }
    uint32_t height() const { return shownHeight; }

private:
    std::mutex lock;
    tavrix_media::RgbaImage waiting;
    bool fresh = false;
    std::atomic<uint32_t> shownWidth{0};
    std::atomic<uint32_t> shownHeight{0};
};

} // namespace tavrix_obs
