#pragma once

#include <stdint.h>

#include <string>
#include <vector>

namespace tavrix_host {

// The block a flattened effect instance leaves and the text the project file
// keeps of it: a 14-byte header (sizes of the block and of the text), the
// text, a terminating zero and one spare byte.
class SavedState {
public:
    static std::vector<uint8_t> blockFor(const std::string& text);
    // The text of a block, up to its first zero byte or the block's end.
    static std::string textOf(const std::vector<uint8_t>& block);
};

} // namespace tavrix_host
