#pragma once

#include "base/IBaseContext.h"

namespace tavrix {

class AffineEnt;
class BDAffine;

// Per-model state of one rotation deformer: the entry blended for the current
// parameters and, below a parent deformer, that entry carried into the
// parent's output space.
class BDAffineContext : public IBaseContext {
public:
    // tmpBaseDataIndex before the parent is looked up.
    static constexpr int BASE_INDEX_NOT_INIT = -2;

    explicit BDAffineContext(IBaseData* src);
    virtual ~BDAffineContext();

    int getTmpBaseDataIndex() const { return tmpBaseDataIndex; }
    // In the parent's coordinates.
    AffineEnt* getInterpolatedAffine() const { return interpolatedAffine; }
    // In the parent's output space; null for a deformer without a parent.
    AffineEnt* getTransformedAffine() const { return transformedAffine; }

    BDAffineContext(const BDAffineContext&) = delete;
    BDAffineContext& operator=(const BDAffineContext&) = delete;

private:
    friend class BDAffine;

    int tmpBaseDataIndex;
    AffineEnt* interpolatedAffine;
    AffineEnt* transformedAffine;
};

} // namespace tavrix
