#include "param/ParamPivots.h"

#include <cstdint>
#include <cstring>

#include "io/BReader.h"
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

void ParamPivots::readV2(BReader& reader, MemoryParam* memParam)
{
    paramID = reader.readParamID();
    pivotCount = reader.readInt();
    int stored = 0;
    pivotValue = reader.readFloatArrayObject(memParam, &stored);
    if (pivotCount < 0 || pivotCount > stored) {
        reader.markInvalid("pivot count larger than its pivot values @ParamPivots#readV2()");
        pivotCount = pivotCount < 0 ? 0 : stored;
    }
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
