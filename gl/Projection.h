// The matrices that place a model's canvas in a picture. Column-major, 16
// floats, as the model's setMatrix takes them.
#pragma once

namespace tavrix_gl {

// x' = kx * x + tx, y' = ky * y + ty in normalised device coordinates.
void placementMatrix(float kx, float ky, float tx, float ty, float matrix[16]);

// The canvas fills the picture's width: x from 0 to canvasWidth spans it,
// y points down with the same scale and 0 at the top edge.
void canvasProjection(float aspect, float canvasWidth, float matrix[16]);

// A model placed in a picture of width x height pixels: at scale 1, x from 0
// to the canvas width spans the full width and y runs downwards with the
// same pixel scale; the model point (canvasWidth / 2, canvasWidth / 2) lands
// on the pixel (pointX, pointY), and scale multiplies the size around it.
void layerProjection(float width, float height, float canvasWidth, double pointX, double pointY, float scale,
                     float matrix[16]);

} // namespace tavrix_gl
