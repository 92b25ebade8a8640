// The load dialog's answer as the effect takes it from the script engine: a
// zero-terminated text, read for the model and texture paths, and turned
// into the load button's name (UTF-16, at most the name limit, with a
// terminator and no unpaired surrogate).
#include <string>
#include <vector>

#include "FuzzTarget.h"
#include "LoadInfo.h"
#include "StreamName.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > tavrix_fuzz::LARGEST_INPUT) return 0;
    // The text ends at its first zero byte, as the handle's C string does.
    const std::string answer(reinterpret_cast<const char*>(data), size);
    const std::string loadResult = answer.substr(0, answer.find('\0'));
    std::vector<std::string> paths;
    modelPathsFromLoadInfo(loadResult, paths);

    const std::vector<A_UTF16Char> name = toStreamName(loadResult, kStreamNameMaxUnits);
    tavrix_fuzz::require(!name.empty() && name.back() == 0, "a stream name ends with its terminator");
    tavrix_fuzz::require(name.size() <= kStreamNameMaxUnits + 1, "a stream name keeps to the limit");
    for (size_t i = 0; i + 1 < name.size(); ++i) {
        tavrix_fuzz::require(name[i] != 0, "a stream name holds no zero before its end");
        const bool high = name[i] >= 0xD800 && name[i] < 0xDC00;
        const bool low = name[i] >= 0xDC00 && name[i] < 0xE000;
        const bool afterHigh = i > 0 && name[i - 1] >= 0xD800 && name[i - 1] < 0xDC00;
        const bool beforeLow = name[i + 1] >= 0xDC00 && name[i + 1] < 0xE000;
        tavrix_fuzz::require(!high || beforeLow, "a high surrogate is followed by a low one");
        tavrix_fuzz::require(!low || afterHigh, "a low surrogate follows a high one");
    }
    return 0;
}
