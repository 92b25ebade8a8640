#include "base/BDAffineContext.h"

#include "base/AffineEnt.h"

namespace tavrix {

BDAffineContext::BDAffineContext(IBaseData* src)
    : IBaseContext(src), tmpBaseDataIndex(BASE_INDEX_NOT_INIT), interpolatedAffine(nullptr), transformedAffine(nullptr)
{
}

BDAffineContext::~BDAffineContext()
{
    delete interpolatedAffine;
    delete transformedAffine;
}

} // namespace tavrix
