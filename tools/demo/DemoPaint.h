// Small 2-D geometry and colour helpers for painting the demo puppet's
// textures with signed distances: a shape is a function that is negative
// inside, zero on the edge and grows by about one per texel outside, so its
// coverage of a texel gives an anti-aliased edge for free.
#pragma once

#include <algorithm>
#include <cmath>

namespace tavrix_demo {

struct Vec2 {
    float x = 0.0f;
    float y = 0.0f;
};

inline Vec2 operator+(Vec2 a, Vec2 b) { return {a.x + b.x, a.y + b.y}; }
inline Vec2 operator-(Vec2 a, Vec2 b) { return {a.x - b.x, a.y - b.y}; }
inline Vec2 operator*(Vec2 a, float k) { return {a.x * k, a.y * k}; }
inline float dot(Vec2 a, Vec2 b) { return a.x * b.x + a.y * b.y; }
inline float length(Vec2 a) { return std::sqrt(dot(a, a)); }
inline Vec2 lerp(Vec2 a, Vec2 b, float t) { return a + (b - a) * t; }

inline float clamp01(float v) { return std::clamp(v, 0.0f, 1.0f); }
inline float smoothstep(float edge0, float edge1, float v)
{
    const float t = clamp01((v - edge0) / (edge1 - edge0));
    return t * t * (3.0f - 2.0f * t);
}

// Signed distances.
inline float circle(Vec2 p, Vec2 centre, float radius) { return length(p - centre) - radius; }

// A close estimate for ellipses that are not extremely flat.
inline float ellipse(Vec2 p, Vec2 centre, float rx, float ry)
{
    const Vec2 q = p - centre;
    const float k0 = length({q.x / rx, q.y / ry});
    const float k1 = length({q.x / (rx * rx), q.y / (ry * ry)});
    return k1 > 0.0f ? k0 * (k0 - 1.0f) / k1 : -std::min(rx, ry);
}

// A segment from a to b thickened by radius (a capsule).
inline float capsule(Vec2 p, Vec2 a, Vec2 b, float radius)
{
    const Vec2 ab = b - a;
    const float t = clamp01(dot(p - a, ab) / dot(ab, ab));
    return length(p - lerp(a, b, t)) - radius;
}

// Union and intersection with a rounded seam of width k.
inline float smoothUnion(float a, float b, float k)
{
    const float h = clamp01(0.5f + 0.5f * (b - a) / k);
    return b + (a - b) * h - k * h * (1.0f - h);
}
inline float smoothIntersection(float a, float b, float k) { return -smoothUnion(-a, -b, k); }

// How much of a texel the shape covers.
inline float coverage(float distance) { return clamp01(0.5f - distance); }

// Straight-alpha colour, every channel 0..1.
struct Colour {
    float r = 0.0f;
    float g = 0.0f;
    float b = 0.0f;
    float a = 0.0f;
};

inline Colour rgb(int r, int g, int b) { return {r / 255.0f, g / 255.0f, b / 255.0f, 1.0f}; }
inline Colour mix(Colour a, Colour b, float t)
{
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, a.a + (b.a - a.a) * t};
}
// Moves c's colour towards another by amount, keeping c's alpha.
inline Colour tint(Colour c, Colour to, float amount)
{
    const Colour t = mix(c, to, amount);
    return {t.r, t.g, t.b, c.a};
}
inline Colour shade(Colour c, float k) { return {c.r * k, c.g * k, c.b * k, c.a}; }

// Paints top over bottom with top's alpha scaled by amount.
inline Colour over(Colour bottom, Colour top, float amount)
{
    const float ta = top.a * clamp01(amount);
    const float a = ta + bottom.a * (1.0f - ta);
    if (a <= 0.0f) return {};
    const float kb = bottom.a * (1.0f - ta);
    return {(top.r * ta + bottom.r * kb) / a, (top.g * ta + bottom.g * kb) / a, (top.b * ta + bottom.b * kb) / a, a};
}

// A filled shape with a darker rim of the given width inside its edge.
inline Colour outlined(Colour fill, Colour rim, float distance, float rimWidth)
{
    Colour c = mix(rim, fill, clamp01(-distance - rimWidth + 0.5f));
    c.a *= coverage(distance);
    return c;
}

} // namespace tavrix_demo
