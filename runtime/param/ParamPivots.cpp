#include "param/ParamPivots.h"

#include <cstdint>
#include <cstring>

#include "memory/UtMemory.h"

namespace tavrix {

ParamPivots::ParamPivots()
    : pivotCount(0), paramID(nullptr), pivotValue(nullptr), paramIndex(PARAM_INDEX_NOT_INIT),
      indexInitVersion(-1), tmpPivotIndex(0), tmpT(0.0f)
{
}

ParamPivots::~ParamPivots()
{
    UtMemory::free_exe(pivotValue);
}

bool ParamPivots::initDirect(ParamID* id, const float* values, int count, MemoryParam* memParam)
{
    float* copy = nullptr;
    if (count > 0) {
        if (!values || static_cast<size_t>(count) > SIZE_MAX / sizeof(float)) return false;
        copy = static_cast<float*>(UtMemory::malloc_exe(memParam, sizeof(float) * static_cast<size_t>(count)));
        if (!copy) return false;
        std::memcpy(copy, values, sizeof(float) * static_cast<size_t>(count));
    }
    UtMemory::free_exe(pivotValue);
    paramID = id;
    pivotValue = copy;
    pivotCount = count > 0 ? count : 0;
    return true;
}

} // namespace tavrix
