// The frames a command renders: start to end inclusive, every step-th.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace tavrix_media {

struct FrameRange {
    // Not given: the first and the last frame.
    std::optional<int> start;
    std::optional<int> end;
    int step = 1;

    // The frames to render out of frameCount (frames 0 .. frameCount - 1);
    // false with a reason when the range is empty or outside the frames.
    bool resolve(int frameCount, std::vector<int>& frames, std::string& why) const;
};

} // namespace tavrix_media
