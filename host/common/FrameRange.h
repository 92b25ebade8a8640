// The frames a command renders: start to end inclusive, every step-th.
#pragma once

#include <string>
#include <vector>

namespace tavrix_tool {

struct FrameRange {
    // -1 for start and end mean "not given": the first and last frame.
    int start = -1;
    int end = -1;
    int step = 1;

    // The frames to render out of frameCount (frames 0 .. frameCount - 1);
    // false with a reason when the range is empty or outside the frames.
    bool resolve(int frameCount, std::vector<int>& frames, std::string& why) const;
};

} // namespace tavrix_tool
