#pragma once

#include "memory/LDObject.h"

namespace tavrix {

// General 2-D affine matrix: x' = m00 x + m01 y + m02, y' = m10 x + m11 y + m12.
// It classifies itself (state, kind) to pick a fast transform loop.
class LDAffineTransform : public LDObject {
public:
    enum StateBits { TRANSLATE = 1, SCALE = 2, SHEAR = 4 };

    LDAffineTransform();
    LDAffineTransform(float m00, float m10, float m01, float m11, float m02, float m12);
    virtual ~LDAffineTransform() {}

    void update();
    // Maps numPts packed (x, y) pairs; src and dst may be the same array.
    void transform(float* src, float* dst, int numPts);
    void getMatrix(float* out) const;
    // Factors: scale x, scale y, shear, rotation (radians), translation x, y.
    void factorize(float* factor) const;
    void setFactor(float* factor);
    static void interpolate(LDAffineTransform& a, LDAffineTransform& b, float t, LDAffineTransform& out);

    float m00;
    float m10;
    float m01;
    float m11;
    float m02;
    float m12;
    int state;
    int kind;
};

} // namespace tavrix
