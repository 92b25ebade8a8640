// Textures of the demo puppet, painted in code: every drawn piece (a sprite)
// is painted with anti-aliased edges and packed into one of three sheets, one
// texel per canvas unit.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tavrix_demo {

// A straight-alpha RGBA image, rows top to bottom.
struct DemoTexture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba;
};

enum class Sprite {
    // texture 0, the body
    TORSO, NECK, UPPER_ARM, FOREARM,
    // texture 1, the head
    FACE, HAIR_BACK, BANGS, SIDE_LOCK,
    // texture 2, the face's features
    EYE_WHITE, IRIS, LASH, BROW, MOUTH, MOUTH_LINE, NOSE, BLUSH,
};

// Where a sprite lies: its texture number and its rectangle in that sheet.
struct SpriteRegion {
    int textureNo = 0;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    int sheetWidth = 0;
    int sheetHeight = 0;
};

SpriteRegion spriteRegion(Sprite sprite);

// The sprite alone, width x height of its region.
DemoTexture paintSprite(Sprite sprite);

// The sheets in texture-number order, with a file name for each.
constexpr int DEMO_TEXTURE_COUNT = 3;
std::vector<DemoTexture> demoTextures();
extern const char* const DEMO_TEXTURE_FILES[DEMO_TEXTURE_COUNT];

} // namespace tavrix_demo
