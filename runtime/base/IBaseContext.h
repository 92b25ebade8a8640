#pragma once

#include "memory/LDObject.h"

namespace tavrix {

class IBaseData;

// Per-model state of one deformer.
class IBaseContext : public LDObject {
public:
    explicit IBaseContext(IBaseData* src)
        : srcPtr(src), partsIndex(0), outsideParam(false), available(true), totalScale(1.0f),
          interpolatedOpacity(1.0f), totalOpacity(1.0f)
    {
    }
    virtual ~IBaseContext() {}

    IBaseData* getSrcPtr() const { return srcPtr; }
    int getPartsIndex() const { return partsIndex; }
    void setPartsIndex(int index) { partsIndex = index; }
    bool isOutsideParam() const { return outsideParam; }
    void setOutsideParam(bool outside) { outsideParam = outside; }
    bool isAvailable() const { return available && !outsideParam; }
    void setAvailable(bool value) { available = value; }
    float getTotalScale() const { return totalScale; }
    void setTotalScale_notForClient(float scale) { totalScale = scale; }
    float getInterpolatedOpacity() const { return interpolatedOpacity; }
    void setInterpolatedOpacity(float opacity) { interpolatedOpacity = opacity; }
    float getTotalOpacity() const { return totalOpacity; }
    void setTotalOpacity(float opacity) { totalOpacity = opacity; }

private:
    IBaseData* srcPtr;
    int partsIndex;
    bool outsideParam;
    bool available;
    float totalScale;
    float interpolatedOpacity;
    float totalOpacity;
};

} // namespace tavrix
