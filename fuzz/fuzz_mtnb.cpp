// ".mtnb" binary motions: load from a copy, then load the caller's buffer
// twice in place (the first in-place load may rewrite it into this machine's
// byte order; the second must read the rewritten buffer as the same motion),
// and play the motion on a small model.
#include <cstring>
#include <vector>

#include "FuzzTarget.h"
#include "MotionPlayback.h"
#include "motion/MotionBin.h"
#include "motion/TavrixMotionBin.h"

using tavrix::TavrixMotionBin;

namespace {

// Every value of every curve, as bits, so NaNs compare too.
std::vector<uint32_t> valuesOf(const TavrixMotionBin& motion)
{
    std::vector<uint32_t> bits;
    for (int c = 0; c < motion.getMotionCount(); ++c) {
        const tavrix::MotionBin* curve = motion.getMotion(c);
        for (int k = 0; k < curve->getValueCount(); ++k) {
            const float value = curve->getValue(k);
            uint32_t word;
            std::memcpy(&word, &value, sizeof word);
            bits.push_back(word);
        }
    }
    return bits;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > tavrix_fuzz::LARGEST_INPUT) return 0;
    tavrix_fuzz::RuntimeForInput runtime;
    // Motion data must be 4-aligned; a vector of words is.
    std::vector<uint32_t> words(size / 4 + 1);
    char* buffer = reinterpret_cast<char*>(words.data());
    std::memcpy(buffer, data, size);
    const int length = static_cast<int>(size);

    TavrixMotionBin* copied = TavrixMotionBin::loadMotion(buffer, length, TavrixMotionBin::BUF_COPY);
    // Type 0: the buffer stays the caller's.
    TavrixMotionBin* first = TavrixMotionBin::loadMotion(buffer, length, 0);
    TavrixMotionBin* second = TavrixMotionBin::loadMotion(buffer, length, 0);
    tavrix_fuzz::require((copied != nullptr) == (first != nullptr) && (first != nullptr) == (second != nullptr),
                         "a copy and both in-place loads agree on whether the data is a motion");
    if (copied) {
        const std::vector<uint32_t> values = valuesOf(*copied);
        tavrix_fuzz::require(values == valuesOf(*first) && values == valuesOf(*second),
                             "every load of the same data reads the same values");
        tavrix_fuzz::playOnSmallModel(*second);
        copied->setLoop(true);
        tavrix_fuzz::playOnSmallModel(*copied);
    }
    delete second;
    delete first;
    delete copied;
    return 0;
}
