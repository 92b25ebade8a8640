#pragma once

// The matrix that places a model in a layer of width x height pixels:
// model x from 0 to the canvas width spans the layer's full width at scale
// 1, y runs downwards with the same pixel scale, and the model point
// (canvasWidth / 2, canvasWidth / 2) lands on (pointX, pointY), given in
// full-resolution layer pixels. Column-major, 16 values.
void renderProjection(float width, float height, float canvasWidth, double pointX, double pointY, float scale,
                      float matrix[16]);
