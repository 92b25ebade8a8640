#include "type/LDAffineTransform.h"

#include <cmath>
#include <cstring>

#include "util/UtDebug.h"

namespace tavrix {

LDAffineTransform::LDAffineTransform() : m00(1), m10(0), m01(0), m11(1), m02(0), m12(0), state(0), kind(0) {}

LDAffineTransform::LDAffineTransform(float a00, float a10, float a01, float a11, float a02, float a12)
    : m00(a00), m10(a10), m01(a01), m11(a11), m02(a02), m12(a12), state(0), kind(0)
{
    update();
}

void LDAffineTransform::update()
{
    // A NaN translation compares unequal to 0 and so counts as a translation.
    bool translates = !(m02 == 0) || !(m12 == 0);
    if (m01 == 0 && m10 == 0) {
        if (m00 == 1 && m11 == 1) {
            state = translates ? TRANSLATE : 0;
            kind = translates ? 1 : 0;
        } else {
            state = translates ? (SCALE | TRANSLATE) : SCALE;
            kind = -1;
        }
    } else if (m00 == 0 && m11 == 0) {
        state = translates ? (SHEAR | TRANSLATE) : SHEAR;
        kind = -1;
    } else {
        state = translates ? (SHEAR | SCALE | TRANSLATE) : (SHEAR | SCALE);
        kind = -1;
    }
}

void LDAffineTransform::transform(float* src, float* dst, int numPts)
{
    switch (state) {
    case 0:
        if (src != dst) std::memmove(dst, src, sizeof(float) * 2 * static_cast<size_t>(numPts > 0 ? numPts : 0));
        return;
    case 1:
        for (int k = 0; k < numPts; ++k) {
            float x = src[2 * k], y = src[2 * k + 1];
            dst[2 * k] = x + m02;
            dst[2 * k + 1] = y + m12;
        }
        return;
    case 2:
        for (int k = 0; k < numPts; ++k) {
            float x = src[2 * k], y = src[2 * k + 1];
            dst[2 * k] = m00 * x;
            dst[2 * k + 1] = m11 * y;
        }
        return;
    case 3:
        for (int k = 0; k < numPts; ++k) {
            float x = src[2 * k], y = src[2 * k + 1];
            dst[2 * k] = m00 * x + m02;
            dst[2 * k + 1] = m11 * y + m12;
        }
        return;
    case 4:
        for (int k = 0; k < numPts; ++k) {
            float x = src[2 * k], y = src[2 * k + 1];
            dst[2 * k] = m01 * y;
            dst[2 * k + 1] = m10 * x;
        }
        return;
    case 5:
        for (int k = 0; k < numPts; ++k) {
            float x = src[2 * k], y = src[2 * k + 1];
            dst[2 * k] = m01 * y + m02;
            dst[2 * k + 1] = m10 * x + m12;
        }
        return;
    case 6:
        for (int k = 0; k < numPts; ++k) {
            float x = src[2 * k], y = src[2 * k + 1];
            dst[2 * k] = m00 * x + m01 * y;
            dst[2 * k + 1] = m10 * x + m11 * y;
        }
        return;
    default:
        for (int k = 0; k < numPts; ++k) {
            float x = src[2 * k], y = src[2 * k + 1];
            dst[2 * k] = m00 * x + m01 * y + m02;
            dst[2 * k + 1] = m10 * x + m11 * y + m12;
        }
        return;
    }
}

void LDAffineTransform::getMatrix(float* out) const
{
    out[0] = m00;
    out[1] = m10;
    out[2] = m01;
    out[3] = m11;
    out[4] = m02;
    out[5] = m12;
}

void LDAffineTransform::factorize(float* f) const
{
    getMatrix(f);
    float x = m00, y = m10, a = m01, b = m11;
    float rt = static_cast<float>(std::sqrt(static_cast<double>(x * x + y * y)));
    float det = x * b - a * y;
    if (rt == 0) {
        UtDebug::print("-----------------------------");
        UtDebug::print(" LDAffineTransform::factorize() / rt==0");
        UtDebug::print("-----------------------------");
        return;
    }
    f[0] = rt;
    f[1] = det / rt;
    f[2] = (y * b + x * a) / det;
    f[3] = static_cast<float>(std::atan2(static_cast<double>(y), static_cast<double>(x)));
}

void LDAffineTransform::setFactor(float* f)
{
    float c = static_cast<float>(std::cos(static_cast<double>(f[3])));
    float s = static_cast<float>(std::sin(static_cast<double>(f[3])));
    m00 = f[0] * c;
    m10 = f[0] * s;
    m01 = f[1] * (f[2] * c - s);
    m11 = f[1] * (f[2] * s + c);
    m02 = f[4];
    m12 = f[5];
    update();
}

void LDAffineTransform::interpolate(LDAffineTransform& a, LDAffineTransform& b, float t, LDAffineTransform& out)
{
    float fa[6], fb[6], f[6];
    a.factorize(fa);
    b.factorize(fb);
    for (int i = 0; i < 6; ++i) f[i] = fa[i] + (fb[i] - fa[i]) * t;
    out.setFactor(f);
}

} // namespace tavrix
