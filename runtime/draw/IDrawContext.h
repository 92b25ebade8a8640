#pragma once

#include "memory/LDObject.h"

namespace tavrix {

class IDrawData;

// Per-model state of one drawable. Fields without a stated start value start
// at zero, so nothing reads garbage before the first update.
class IDrawContext : public LDObject {
public:
    explicit IDrawContext(IDrawData* src)
        : interpolatedDrawOrder(0), interpolatedOpacity(0), outsideParam(false), partsOpacity(0), available(true),
          baseOpacity(1.0f), srcPtr(src), partsIndex(0)
    {
    }
    virtual ~IDrawContext() {}

    IDrawData* getSrcPtr() const { return srcPtr; }
    int getPartsIndex() const { return partsIndex; }
    void setPartsIndex(int index) { partsIndex = index; }
    bool isAvailable() const { return available && !outsideParam; }

    int interpolatedDrawOrder;
    float interpolatedOpacity;
    bool outsideParam;
    float partsOpacity;
    bool available;
    float baseOpacity;

private:
    IDrawData* srcPtr;
    int partsIndex;
};

} // namespace tavrix
