#pragma once

#include "draw/IDrawContext.h"

namespace tavrix {

class DDTexture;

// Per-model state of one textured mesh: its points after interpolation and
// after the target deformer, and which of the two buffers is drawn.
class DDTextureContext : public IDrawContext {
public:
    // The target deformer's index has not been looked up yet.
    static constexpr int BASE_INDEX_NOT_LOOKED_UP = -2;

    explicit DDTextureContext(DDTexture* src);
    // Frees both point buffers.
    virtual ~DDTextureContext();

    // Stores the mesh's point count in numPts and returns the points after
    // the deformer, or the interpolated ones for a mesh without a deformer.
    float* getTransformedPoints(int* numPts);

    int tmpBaseDataIndex;
    float* interpolatedPoints; // owned, numPts x 2 floats
    float* transformedPoints;  // owned, null when the mesh has no deformer
    float* drawPoints;         // one of the two above; null before the first transform

    DDTextureContext(const DDTextureContext&) = delete;
    DDTextureContext& operator=(const DDTextureContext&) = delete;
};

} // namespace tavrix
