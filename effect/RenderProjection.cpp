#include "RenderProjection.h"

#include "Projection.h"

void renderProjection(float width, float height, float canvasWidth, double pointX, double pointY, float scale,
                      float matrix[16])
{
    tavrix_gl::layerProjection(width, height, canvasWidth, pointX, pointY, scale, matrix);
}
