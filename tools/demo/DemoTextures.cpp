#include "DemoTextures.h"

#include <algorithm>
#include <cmath>

namespace tavrix_demo {

namespace {

const int SIDE = 64;

struct Paint {
    float r, g, b;
};

// A disc filling the square, with a one-pixel soft edge and transparent
// corners; lighter towards the top.
DemoTexture disc(Paint paint)
{
    DemoTexture t{SIDE, SIDE, std::vector<uint8_t>(SIDE * SIDE * 4)};
    const float centre = SIDE / 2.0f;
    for (int y = 0; y < SIDE; ++y) {
        for (int x = 0; x < SIDE; ++x) {
            const float distance = std::hypot(x + 0.5f - centre, y + 0.5f - centre);
            const float coverage = std::clamp(centre - distance, 0.0f, 1.0f);
            const float light = 1.1f - 0.3f * y / SIDE;
            uint8_t* p = &t.rgba[(y * SIDE + x) * 4];
            p[0] = static_cast<uint8_t>(std::min(255.0f, paint.r * light));
            p[1] = static_cast<uint8_t>(std::min(255.0f, paint.g * light));
            p[2] = static_cast<uint8_t>(std::min(255.0f, paint.b * light));
            p[3] = static_cast<uint8_t>(std::lround(coverage * 255));
        }
    }
    return t;
}

// An opaque vertical gradient with a darker border.
DemoTexture panel(Paint top, Paint bottom)
{
    DemoTexture t{SIDE, SIDE, std::vector<uint8_t>(SIDE * SIDE * 4)};
    for (int y = 0; y < SIDE; ++y) {
        const float k = static_cast<float>(y) / (SIDE - 1);
        for (int x = 0; x < SIDE; ++x) {
            const bool border = x < 2 || y < 2 || x >= SIDE - 2 || y >= SIDE - 2;
            const float shade = border ? 0.6f : 1.0f;
            uint8_t* p = &t.rgba[(y * SIDE + x) * 4];
            p[0] = static_cast<uint8_t>((top.r + (bottom.r - top.r) * k) * shade);
            p[1] = static_cast<uint8_t>((top.g + (bottom.g - top.g) * k) * shade);
            p[2] = static_cast<uint8_t>((top.b + (bottom.b - top.b) * k) * shade);
            p[3] = 255;
        }
    }
    return t;
}

} // namespace

std::vector<DemoTexture> demoTextures()
{
    return {
        panel({70, 130, 200}, {30, 60, 120}),  // body
        disc({250, 215, 180}),                 // head
        disc({40, 40, 70}),                    // eye
        panel({240, 170, 140}, {200, 120, 90}), // arm
    };
}

} // namespace tavrix_demo
