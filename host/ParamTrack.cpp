#include "ParamTrack.h"

#include <algorithm>

namespace tavrix_host {

ParamTrack::Key ParamTrack::valueAt(double frame) const
{
    if (keys.empty()) return Key{frame, 0, 0};
    if (frame <= keys.front().frame) return Key{frame, keys.front().x, keys.front().y};
    if (frame >= keys.back().frame) return Key{frame, keys.back().x, keys.back().y};
    auto after = std::upper_bound(keys.begin(), keys.end(), frame,
                                  [](double f, const Key& key) { return f < key.frame; });
    const Key& b = *after;
    const Key& a = *(after - 1);
    const double t = (frame - a.frame) / (b.frame - a.frame);
    return Key{frame, a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t};
}

} // namespace tavrix_host
