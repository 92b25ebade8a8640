// One task's share of a render split across processes or machines: "K/N"
// is the K-th (counted from 1) of N contiguous runs of the frames, as equal
// as the frame count allows, so every task can run the same command line
// with only its index changed.
#pragma once

#include <string>
#include <vector>

namespace tavrix_media {

struct FrameChunk {
    int index = 1; // K
    int count = 1; // N

    // "K/N" with 1 <= K <= N; false with a reason otherwise.
    bool parse(const std::string& text, std::string& why);

    // Keeps this chunk's share of frames (in render order). With M frames,
    // the first M mod N chunks hold one frame more than the others; a chunk
    // beyond the M-th is empty when there are fewer frames than chunks.
    void select(std::vector<int>& frames) const;

    std::string text() const { return std::to_string(index) + "/" + std::to_string(count); }
};

} // namespace tavrix_media
