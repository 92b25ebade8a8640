#pragma once

#include "io/ISerializableV2.h"
#include "type/LDVector.h"

namespace tavrix {

class BReader;
class MemoryParam;
class ParamDefFloat;

// The model's parameter definitions, in stream order; owns them.
class ParamDefSet : public ISerializableV2 {
public:
    ParamDefSet();
    virtual ~ParamDefSet();
    virtual void readV2(BReader& reader, MemoryParam* memParam);

    // An empty list, for a set assembled in code.
    void initDirect(MemoryParam* memParam);
    // Null only when the stream gave no list.
    LDVector<ParamDefFloat*>* getParamDefFloatList() const { return paramDefList; }

private:
    LDVector<ParamDefFloat*>* paramDefList;
};

} // namespace tavrix
