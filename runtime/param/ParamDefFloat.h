#pragma once

#include "io/ISerializableV2.h"

namespace tavrix {

class BReader;
class MemoryParam;
class ParamID;

// Definition of one model parameter: its range, default and identifier.
class ParamDefFloat : public ISerializableV2 {
public:
    ParamDefFloat();
    virtual ~ParamDefFloat();
    virtual void readV2(BReader& reader, MemoryParam* memParam);

    float getMinValue() const { return minValue; }
    float getMaxValue() const { return maxValue; }
    float getDefaultValue() const { return defaultValue; }
    // Interned; not owned.
    ParamID* getParamID() const { return paramID; }

private:
    float minValue;
    float maxValue;
    float defaultValue;
    ParamID* paramID;
};

} // namespace tavrix
