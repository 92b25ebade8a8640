#include "FrameRange.h"

#include <utility>

namespace tavrix_media {

bool FrameRange::resolve(int frameCount, std::vector<int>& frames, std::string& why) const
{
    frames.clear();
    if (frameCount < 1) {
        why = "there are no frames to render";
        return false;
    }
    for (const auto& [name, frame] : {std::pair{"start", start}, std::pair{"end", end}}) {
        if (frame && *frame < 0) {
            why = std::string(name) + " frame " + std::to_string(*frame) + " is negative: frames count from 0";
            return false;
        }
    }
    const int first = start.value_or(0);
    const int last = end.value_or(frameCount - 1);
    if (step < 1) {
        why = "step " + std::to_string(step) + " must be 1 or more";
        return false;
    }
    if (first > frameCount - 1 || last > frameCount - 1) {
        why = "frames " + std::to_string(first) + " to " + std::to_string(last) + " lie outside 0 to " +
              std::to_string(frameCount - 1);
        return false;
    }
    if (first > last) {
        why = "start frame " + std::to_string(first) + " is after end frame " + std::to_string(last);
        return false;
    }
    for (long long frame = first; frame <= last; frame += step) frames.push_back(static_cast<int>(frame));
    return true;
}

} // namespace tavrix_media
