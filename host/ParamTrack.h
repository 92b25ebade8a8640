#pragma once

#include <cstddef>
#include <vector>

namespace tavrix_host {

// The keyframes of one parameter, linear between keys and constant before
// the first and after the last. Points use both coordinates, scalars x.
class ParamTrack {
public:
    struct Key {
        double frame;
        double x;
        double y;
    };

    // Keys must come in increasing frame order.
    void add(double frame, double x, double y = 0) { keys.push_back(Key{frame, x, y}); }
    bool empty() const { return keys.empty(); }
    size_t size() const { return keys.size(); }
    const std::vector<Key>& keyList() const { return keys; }
    // The value at frame; (0, 0) for a track without keys.
    Key valueAt(double frame) const;

private:
    std::vector<Key> keys;
};

} // namespace tavrix_host
