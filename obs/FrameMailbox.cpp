#include "FrameMailbox.h"

#include <utility>

namespace tavrix_obs {

void FrameMailbox::post(tavrix_media::RgbaImage& image)
{
    std::lock_guard<std::mutex> guard(lock);
    std::swap(waiting, image);
    fresh = true;
    shownWidth = waiting.width;
    shownHeight = waiting.height;
}

void FrameMailbox::postEmpty()
{
    std::lock_guard<std::mutex> guard(lock);
    waiting.width = 0;
    waiting.height = 0;
    fresh = true;
    shownWidth = 0;
    shownHeight = 0;
}

bool FrameMailbox::take(tavrix_media::RgbaImage& image)
{
    std::lock_guard<std::mutex> guard(lock);
    if (!fresh) return false;
    std::swap(waiting, image);
    fresh = false;
    return true;
}

} // namespace tavrix_obs
