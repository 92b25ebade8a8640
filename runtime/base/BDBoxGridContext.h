#pragma once

#include "base/IBaseContext.h"

namespace tavrix {

class BDBoxGrid;

// Per-model state of one grid deformer: the lattice blended for the current
// parameters and, below a parent deformer, that lattice carried into the
// parent's output space.
class BDBoxGridContext : public IBaseContext {
public:
    // tmpBaseDataIndex before the parent is looked up.
    static constexpr int BASE_INDEX_NOT_INIT = -2;

    explicit BDBoxGridContext(IBaseData* src);
    // Frees both lattices.
    virtual ~BDBoxGridContext();

    int getTmpBaseDataIndex() const { return tmpBaseDataIndex; }
    // getNumPts() packed x, y pairs each; transformedPoints is null for a
    // grid without a parent.
    float* getInterpolatedPoints() const { return interpolatedPoints; }
    float* getTransformedPoints() const { return transformedPoints; }

    BDBoxGridContext(const BDBoxGridContext&) = delete;
    BDBoxGridContext& operator=(const BDBoxGridContext&) = delete;

private:
    friend class BDBoxGrid;

    int tmpBaseDataIndex;
    float* interpolatedPoints;
    float* transformedPoints;
};

} // namespace tavrix
