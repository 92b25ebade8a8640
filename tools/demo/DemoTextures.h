// Textures of the demo puppet, painted in code.
#pragma once

#include <cstdint>
#include <vector>

namespace tavrix_demo {

// A straight-alpha RGBA image, rows top to bottom.
struct DemoTexture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba;
};

// One texture per texture number the demo model's meshes use, in number
// order: body, head, eye, arm.
std::vector<DemoTexture> demoTextures();

} // namespace tavrix_demo
