#pragma once

#include "io/ISerializableV2.h"

namespace tavrix {

class BReader;
class MemoryParam;
class ParamID;

// The pivots of one parameter that an interpolated element depends on, with
// the per-evaluation results of the latest pivot choice.
class ParamPivots : public ISerializableV2 {
public:
    // paramIndex before it is resolved.
    static constexpr int PARAM_INDEX_NOT_INIT = -2;

    ParamPivots();
    virtual ~ParamPivots();
    // A stream whose pivot count exceeds its pivot values is marked invalid;
    // the count is cut to the values present.
    virtual void readV2(BReader& reader, MemoryParam* memParam);

    // Builds the pivots without a stream: copies count ascending values into
    // memory from memParam. False (and nothing kept) when that fails.
    bool initDirect(ParamID* paramID, const float* values, int count, MemoryParam* memParam);

    ParamID* getParamID() const { return paramID; }
    int getPivotCount() const { return pivotCount; }
    const float* getPivotValue() const { return pivotValue; }
    int getTmpPivotIndex() const { return tmpPivotIndex; }
    void setTmpPivotIndex(int index) { tmpPivotIndex = index; }
    float getTmpT() const { return tmpT; }
    void setTmpT(float t) { tmpT = t; }

    void setParamIndex_(int index, int initVersion)
    {
        paramIndex = index;
        indexInitVersion = initVersion;
    }
    // The cached index, or PARAM_INDEX_NOT_INIT when it was resolved for
    // another init of the context (or never).
    int getParamIndex(int initVersion)
    {
        if (indexInitVersion != initVersion) paramIndex = PARAM_INDEX_NOT_INIT;
        return paramIndex;
    }

    ParamPivots(const ParamPivots&) = delete;
    ParamPivots& operator=(const ParamPivots&) = delete;

private:
    int pivotCount;
    ParamID* paramID;
    float* pivotValue;
    int paramIndex;
    int indexInitVersion;
    int tmpPivotIndex;
    float tmpT;
};

} // namespace tavrix
