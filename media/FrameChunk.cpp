#include "FrameChunk.h"

#include <algorithm>
#include <climits>

#include "TextValues.h"

namespace tavrix_media {

bool FrameChunk::parse(const std::string& text, std::string& why)
{
    size_t slash = text.find('/');
    long k = 0, n = 0;
    if (slash == std::string::npos || !parseWholeNumber(text.substr(0, slash), k) ||
        !parseWholeNumber(text.substr(slash + 1), n) || n > INT_MAX) {
        why = "'" + text + "' is not K/N (the K-th of N chunks, such as 2/8)";
        return false;
    }
    if (n < 1 || k < 1 || k > n) {
        why = "'" + text + "' names no chunk: " +
              (n < 1 ? std::string("N must be 1 or more") : "K counts from 1 to N (1/" + std::to_string(n) + " to " +
                                                               std::to_string(n) + "/" + std::to_string(n) + ")");
        return false;
    }
    index = static_cast<int>(k);
    count = static_cast<int>(n);
    return true;
}

void FrameChunk::select(std::vector<int>& frames) const
{
    long long total = static_cast<long long>(frames.size());
    long long base = total / count, extra = total % count, k = index - 1;
    long long first = k * base + std::min(k, extra);
    long long size = base + (k < extra ? 1 : 0);
    frames.erase(frames.begin() + first + size, frames.end());
    frames.erase(frames.begin(), frames.begin() + first);
}

} // namespace tavrix_media
