#include "draw/DDTextureContext.h"

#include "draw/DDTexture.h"
#include "memory/UtMemory.h"

namespace tavrix {

DDTextureContext::DDTextureContext(DDTexture* src)
    : IDrawContext(src), tmpBaseDataIndex(BASE_INDEX_NOT_LOOKED_UP), interpolatedPoints(nullptr),
      transformedPoints(nullptr), drawPoints(nullptr)
{
}

DDTextureContext::~DDTextureContext()
{
    drawPoints = nullptr;
    UtMemory::free_exe(transformedPoints);
    UtMemory::free_exe(interpolatedPoints);
}

float* DDTextureContext::getTransformedPoints(int* numPts)
{
    if (numPts) *numPts = static_cast<DDTexture*>(getSrcPtr())->getNumPoints();
    return transformedPoints ? transformedPoints : interpolatedPoints;
}

} // namespace tavrix
