#pragma once

#include "memory/LDObject.h"

namespace tavrix {

class PartsData;

// Per-model state of one part.
class PartsDataContext : public LDObject {
public:
    explicit PartsDataContext(PartsData* partsData) : partsOpacity(1.0f), partsData(partsData) {}
    virtual ~PartsDataContext() {}

    float getPartsOpacity() const { return partsOpacity; }
    void setPartsOpacity(float opacity) { partsOpacity = opacity; }
    // Not owned.
    PartsData* getPartsData() const { return partsData; }

private:
    float partsOpacity;
    PartsData* partsData;
};

} // namespace tavrix
