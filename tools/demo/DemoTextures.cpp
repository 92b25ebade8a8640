#include "DemoTextures.h"

#include <array>
#include <cmath>

#include "DemoPaint.h"

namespace tavrix_demo {

const char* const DEMO_TEXTURE_FILES[DEMO_TEXTURE_COUNT] = {"demo_body.png", "demo_head.png", "demo_face.png"};

namespace {

const float PI = 3.14159265f;

const Colour SKIN = rgb(255, 228, 208);
const Colour SKIN_SHADOW = rgb(238, 186, 168);
const Colour SKIN_LINE = rgb(178, 112, 98);
const Colour HAIR = rgb(122, 70, 56);
const Colour HAIR_DARK = rgb(84, 46, 40);
const Colour HAIR_LIGHT = rgb(196, 128, 96);
const Colour HAIR_LINE = rgb(58, 30, 28);
const Colour SHIRT = rgb(82, 126, 204);
const Colour SHIRT_LINE = rgb(40, 64, 118);
const Colour TRIM = rgb(246, 246, 250);
const Colour WHITE = rgb(255, 255, 255);

// Skin with a soft shadow within shadowWidth of its edge and a dark rim.
Colour skin(float distance, float rim, float shadowWidth = 30.0f)
{
    const Colour fill = mix(SKIN, SKIN_SHADOW, 0.55f * smoothstep(-shadowWidth, 0.0f, distance));
    return outlined(fill, SKIN_LINE, distance, rim);
}

// Hair colour with fine strands running along direction t (texels).
Colour hair(Colour base, float across, float along)
{
    const float strands = 0.045f * std::sin(across * 0.21f + 3.0f * std::sin(along * 0.017f)) +
                          0.025f * std::sin(across * 0.53f + 1.3f);
    return shade(base, 1.0f + strands);
}

// A stroke along x across the whole sprite, centred at height mid, whose half
// thickness follows halfWidth(u) for u = 0 .. 1 along it.
template <typename HalfWidth>
float stroke(Vec2 p, float width, float mid, HalfWidth halfWidth)
{
    const float u = clamp01((p.x - 4.0f) / (width - 8.0f));
    const float across = std::fabs(p.y - mid) - halfWidth(u);
    const float ends = std::max(4.0f - p.x, p.x - (width - 4.0f));
    return std::max(across, ends);
}

Colour paintTorso(Vec2 p)
{
    // A convex outline with rounded corners: the smooth intersection of the
    // half-planes on the inner side of each edge.
    static const std::array<Vec2, 6> corners = {
        Vec2{120, 11}, Vec2{340, 11}, Vec2{412, 55}, Vec2{404, 505}, Vec2{56, 505}, Vec2{48, 55}};
    float body = -1e9f;
    for (size_t i = 0; i < corners.size(); ++i) {
        const Vec2 a = corners[i], b = corners[(i + 1) % corners.size()];
        const Vec2 edge = b - a;
        const Vec2 outward = Vec2{edge.y, -edge.x} * (1.0f / length(edge));
        body = smoothIntersection(body, dot(p - a, outward), 26.0f);
    }
    // The V-neck, cut out of the shirt and lined with a trim.
    const Vec2 apex{230, 100};
    const float vNeck = std::max(std::fabs(p.x - apex.x) * 0.86f + (p.y - apex.y) * 0.5f, -40.0f - p.y);
    body = std::max(body, -vNeck);
    const float sideShade = 1.0f - 0.22f * smoothstep(100.0f, 180.0f, std::fabs(p.x - 230.0f));
    Colour fill = shade(mix(SHIRT, WHITE, 0.1f * (1.0f - clamp01(p.y / 220.0f))), sideShade);
    fill = over(fill, TRIM, coverage(vNeck - 11.0f));
    for (float y : {150.0f, 215.0f, 280.0f}) {
        const float button = circle(p, {230.0f, y}, 6.0f);
        fill = over(fill, outlined(TRIM, SHIRT_LINE, button, 1.2f), 1.0f);
    }
    return outlined(fill, SHIRT_LINE, body, 2.5f);
}

Colour paintNeck(Vec2 p)
{
    const float d = std::max(std::fabs(p.x - 45.0f) - 31.0f, std::max(4.0f - p.y, p.y - 216.0f));
    Colour c = skin(d, 2.0f, 10.0f);
    // The chin's shadow on the neck.
    c = tint(c, SKIN_SHADOW, 0.8f * smoothstep(95.0f, 30.0f, p.y));
    return c;
}

// Skin of an arm along x = 40: rounded by shading across it, with a rim that
// fades out above rimFrom so that the joint it overlaps shows no seam.
Colour limb(Vec2 p, float distance, float halfWidth, float rimFrom)
{
    const Colour fill = mix(SKIN, SKIN_SHADOW, 0.5f * smoothstep(0.3f * halfWidth, halfWidth, std::fabs(p.x - 40.0f)));
    return outlined(fill, mix(fill, SKIN_LINE, smoothstep(rimFrom - 10.0f, rimFrom + 10.0f, p.y)), distance, 2.0f);
}

Colour paintUpperArm(Vec2 p)
{
    const float sleeve = std::max(capsule(p, {40, 38}, {40, 96}, 34.0f), p.y - 118.0f);
    const float arm = capsule(p, {40, 100}, {40, 178}, 24.0f);
    Colour cloth = outlined(shade(SHIRT, 1.0f - 0.15f * smoothstep(0.0f, 30.0f, std::fabs(p.x - 40.0f))),
                            SHIRT_LINE, sleeve, 2.5f);
    cloth = tint(cloth, TRIM, coverage(std::fabs(p.y - 110.0f) - 4.0f) * coverage(sleeve + 2.5f));
    return over(limb(p, arm, 24.0f, 0.0f), cloth, 1.0f);
}

Colour paintForearm(Vec2 p)
{
    const float arm = capsule(p, {40, 24}, {40, 152}, 23.0f);
    const float palm = ellipse(p, {40, 184}, 27.0f, 31.0f);
    const float thumb = capsule(p, {56, 160}, {68, 184}, 9.0f);
    const float hand = smoothUnion(palm, thumb, 4.0f);
    Colour h = skin(hand, 2.0f, 14.0f);
    // Knuckle creases.
    for (float x : {30.0f, 42.0f}) {
        const float crease = capsule(p, {x, 200}, {x + 1.0f, 211}, 1.0f);
        h = tint(h, SKIN_LINE, 0.7f * coverage(crease));
    }
    return over(limb(p, arm, 23.0f, 40.0f), h, 1.0f);
}

Colour paintFace(Vec2 p)
{
    // An egg: round above the middle, narrowing to the chin below.
    Vec2 q = p - Vec2{150, 160};
    float radiusY = 150.0f;
    if (q.y > 0.0f) {
        const float k = q.y / 170.0f;
        q.x *= 1.0f + 0.5f * k * k;
        radiusY = 170.0f;
    }
    const float d = ellipse(q, {0, 0}, 135.0f, radiusY);
    Colour c = skin(d, 2.5f);
    // The fringe's shadow over the forehead.
    c = tint(c, SKIN_SHADOW, 0.6f * smoothstep(120.0f, 70.0f, p.y));
    return c;
}

Colour paintHairBack(Vec2 p)
{
    const Vec2 centre{190, 180};
    const float cap = circle(p, centre, 172.0f);
    const float halfWidth = 172.0f + 12.0f * smoothstep(180.0f, 480.0f, p.y);
    const float locks = 486.0f - 44.0f * std::pow(std::fabs(std::sin(PI * (p.x - 18.0f) / 68.8f)), 0.7f);
    const float fall = std::max(std::fabs(p.x - centre.x) - halfWidth, std::max(centre.y - p.y, (p.y - locks) * 0.8f));
    const float d = std::min(cap, fall); // they meet with one tangent at the widest point
    Colour fill = mix(HAIR, HAIR_DARK, 0.5f + 0.3f * smoothstep(200.0f, 480.0f, p.y));
    fill = hair(fill, p.x, p.y);
    return outlined(fill, HAIR_LINE, d, 2.0f);
}

Colour paintBangs(Vec2 p)
{
    const Vec2 centre{190, 180};
    const float cap = circle(p, centre, 176.0f);
    const float side = std::fabs(p.x - centre.x) / 176.0f;
    const float base = 156.0f + 40.0f * side * side * side;
    // Pointed locks of uneven length, parted a little off the middle.
    const float lockWidth = 46.0f;
    const float along = (p.x - centre.x - 14.0f) / lockWidth;
    const float lock = std::floor(along);
    const float tri = 1.0f - std::fabs(2.0f * (along - lock) - 1.0f); // 0 at a notch, 1 at a tip
    const float tipLength = 30.0f + 10.0f * std::fabs(std::sin(lock * 2.3f));
    const float edge = base - tipLength * (1.0f - std::pow(tri, 1.3f));
    const float d = smoothIntersection(cap, (p.y - edge) * 0.6f, 2.0f);
    const Vec2 fromCentre = p - centre;
    const float angle = std::atan2(fromCentre.x, -fromCentre.y);
    Colour fill = hair(HAIR, angle * 120.0f, length(fromCentre));
    fill = mix(fill, HAIR_DARK, 0.35f * smoothstep(edge - 45.0f, edge, p.y));
    // A band of light across the crown, streaked by the strands.
    const float band = 1.0f - smoothstep(2.0f, 13.0f, std::fabs(length(fromCentre) - 132.0f));
    const float streaks = 0.8f + 0.2f * std::sin(angle * 17.0f);
    const float arc = smoothstep(1.1f, 0.6f, std::fabs(angle));
    fill = mix(fill, HAIR_LIGHT, 0.7f * band * streaks * arc);
    return outlined(fill, HAIR_LINE, d, 2.0f);
}

Colour paintSideLock(Vec2 p)
{
    const float t = clamp01((p.y - 10.0f) / 232.0f);
    const float middle = 32.0f + 10.0f * t + 6.0f * std::sin(PI * t);
    const float halfWidth = 21.0f * std::pow(1.0f - t, 0.7f) + 0.8f;
    const float d = std::max(std::fabs(p.x - middle) - halfWidth, std::max(10.0f - p.y, p.y - 242.0f));
    Colour fill = hair(HAIR, p.x - middle, p.y);
    fill = mix(fill, HAIR_DARK, 0.4f * smoothstep(0.0f, 1.0f, (p.x - middle) / 20.0f + 0.3f));
    return outlined(fill, HAIR_LINE, d, 2.0f);
}

Colour paintEyeWhite(Vec2 p)
{
    const float d = ellipse(p, {48, 36}, 42.0f, 30.0f);
    const Colour fill = mix(rgb(200, 208, 232), WHITE, smoothstep(8.0f, 32.0f, p.y));
    return outlined(fill, rgb(150, 108, 108), d, 1.5f);
}

Colour paintIris(Vec2 p)
{
    const Vec2 centre{28, 28};
    const float d = circle(p, centre, 23.0f);
    const float r = length(p - centre) / 23.0f;
    Colour fill = mix(rgb(86, 160, 196), rgb(34, 68, 112), smoothstep(0.55f, 0.95f, r));
    fill = mix(fill, rgb(150, 216, 228), 0.6f * smoothstep(28.0f, 48.0f, p.y) * (1.0f - smoothstep(0.7f, 0.95f, r)));
    fill = over(fill, rgb(22, 26, 48), coverage(circle(p, centre, 9.5f)));
    fill = over(fill, WHITE, coverage(circle(p, {20, 19}, 5.5f)));
    fill = over(fill, WHITE, 0.9f * coverage(circle(p, {36, 37}, 2.5f)));
    return outlined(fill, rgb(28, 40, 66), d, 1.5f);
}

Colour paintLash(Vec2 p)
{
    // Thick over the middle of the eye, thin at the inner end (u = 1), with a
    // flick at the outer end (u = 0).
    float d = stroke(p, 160.0f, 14.0f,
                     [](float u) { return 1.0f + 5.5f * std::pow(std::sin(PI * std::min(1.0f, u * 1.1f)), 0.55f); });
    d = smoothUnion(d, capsule(p, {16, 14}, {5, 5}, 2.2f), 3.0f);
    Colour c = rgb(52, 32, 38);
    c.a = coverage(d);
    return c;
}

Colour paintBrow(Vec2 p)
{
    const float d = stroke(p, 130.0f, 11.0f,
                           [](float u) { return 0.8f + (3.0f + 2.0f * u) * std::pow(std::sin(PI * u), 0.5f); });
    Colour c = rgb(92, 52, 44);
    c.a = coverage(d);
    return c;
}

Colour paintMouth(Vec2 p)
{
    // Fills the sprite: the mesh gives the mouth its shape.
    const float d = smoothIntersection(std::fabs(p.x - 50.0f) - 46.0f, std::fabs(p.y - 32.0f) - 28.0f, 10.0f);
    Colour fill = mix(rgb(104, 24, 40), rgb(150, 46, 62), smoothstep(10.0f, 60.0f, p.y));
    fill = over(fill, rgb(250, 250, 252), coverage(p.y - 14.0f));
    fill = over(fill, rgb(232, 112, 124), coverage(ellipse(p, {50, 62}, 26.0f, 18.0f)));
    return outlined(fill, rgb(96, 30, 42), d, 2.0f);
}

Colour paintMouthLine(Vec2 p)
{
    const float d = stroke(p, 110.0f, 8.0f, [](float u) { return 0.7f + 2.0f * std::pow(std::sin(PI * u), 0.4f); });
    Colour c = rgb(128, 58, 58);
    c.a = coverage(d);
    return c;
}

Colour paintNose(Vec2 p)
{
    Colour c = rgb(222, 150, 134);
    c.a = 0.85f * clamp01(0.5f - ellipse(p, {15, 12}, 5.0f, 3.5f) * 0.5f);
    return c;
}

Colour paintBlush(Vec2 p)
{
    Colour c = rgb(255, 128, 138);
    const float r = length({(p.x - 40.0f) / 36.0f, (p.y - 22.0f) / 18.0f});
    c.a = 0.42f * (1.0f - smoothstep(0.0f, 1.0f, r));
    return c;
}

struct SpriteArt {
    int textureNo;
    int width;
    int height;
    Colour (*paint)(Vec2);
};

// In the order of the Sprite enumeration.
const SpriteArt ART[] = {
    {0, 460, 510, paintTorso},      {0, 90, 220, paintNeck},       {0, 80, 212, paintUpperArm},
    {0, 80, 222, paintForearm},     {1, 300, 340, paintFace},      {1, 380, 510, paintHairBack},
    {1, 380, 210, paintBangs},      {1, 70, 250, paintSideLock},   {2, 96, 72, paintEyeWhite},
    {2, 56, 56, paintIris},         {2, 160, 28, paintLash},       {2, 130, 22, paintBrow},
    {2, 100, 64, paintMouth},       {2, 110, 16, paintMouthLine},  {2, 30, 24, paintNose},
    {2, 80, 44, paintBlush},
};
const int SPRITE_COUNT = sizeof ART / sizeof ART[0];
static_assert(SPRITE_COUNT == static_cast<int>(Sprite::BLUSH) + 1, "one entry per sprite");
const int SHEET_WIDTHS[DEMO_TEXTURE_COUNT] = {1024, 1024, 512};
// Transparent texels around every sprite, so that neither filtering nor the
// smaller mipmap levels mix neighbours.
const int PADDING = 8;

// Shelf packing in enumeration order; sheet heights are powers of two.
std::vector<SpriteRegion> layout()
{
    std::vector<SpriteRegion> regions(SPRITE_COUNT);
    int sheetHeights[DEMO_TEXTURE_COUNT] = {};
    for (int sheet = 0; sheet < DEMO_TEXTURE_COUNT; ++sheet) {
        int x = PADDING, y = PADDING, shelfHeight = 0;
        for (int i = 0; i < SPRITE_COUNT; ++i) {
            if (ART[i].textureNo != sheet) continue;
            if (x + ART[i].width + PADDING > SHEET_WIDTHS[sheet]) {
                x = PADDING;
                y += shelfHeight + PADDING;
                shelfHeight = 0;
            }
            regions[i] = {sheet, x, y, ART[i].width, ART[i].height, SHEET_WIDTHS[sheet], 0};
            x += ART[i].width + PADDING;
            shelfHeight = std::max(shelfHeight, ART[i].height);
        }
        int height = 1;
        while (height < y + shelfHeight + PADDING) height *= 2;
        sheetHeights[sheet] = height;
    }
    for (SpriteRegion& region : regions) region.sheetHeight = sheetHeights[region.textureNo];
    return regions;
}

uint8_t byte(float v) { return static_cast<uint8_t>(std::lround(clamp01(v) * 255.0f)); }

} // namespace

SpriteRegion spriteRegion(Sprite sprite)
{
    static const std::vector<SpriteRegion> regions = layout();
    return regions[static_cast<int>(sprite)];
}

DemoTexture paintSprite(Sprite sprite)
{
    const SpriteArt& art = ART[static_cast<int>(sprite)];
    DemoTexture image{art.width, art.height, std::vector<uint8_t>(static_cast<size_t>(art.width) * art.height * 4)};
    for (int y = 0; y < art.height; ++y) {
        for (int x = 0; x < art.width; ++x) {
            const Colour c = art.paint({x + 0.5f, y + 0.5f});
            uint8_t* out = &image.rgba[(static_cast<size_t>(y) * art.width + x) * 4];
            // Fully transparent texels carry no colour.
            const bool empty = byte(c.a) == 0;
            out[0] = empty ? 0 : byte(c.r);
            out[1] = empty ? 0 : byte(c.g);
            out[2] = empty ? 0 : byte(c.b);
            out[3] = byte(c.a);
        }
    }
    return image;
}

std::vector<DemoTexture> demoTextures()
{
    std::vector<DemoTexture> sheets(DEMO_TEXTURE_COUNT);
    for (int i = 0; i < SPRITE_COUNT; ++i) {
        const SpriteRegion region = spriteRegion(static_cast<Sprite>(i));
        DemoTexture& sheet = sheets[region.textureNo];
        if (sheet.rgba.empty()) {
            sheet = {region.sheetWidth, region.sheetHeight,
                     std::vector<uint8_t>(static_cast<size_t>(region.sheetWidth) * region.sheetHeight * 4)};
        }
        const DemoTexture painted = paintSprite(static_cast<Sprite>(i));
        for (int y = 0; y < region.height; ++y) {
            std::copy_n(&painted.rgba[static_cast<size_t>(y) * region.width * 4], region.width * 4,
                        &sheet.rgba[(static_cast<size_t>(region.y + y) * sheet.width + region.x) * 4]);
        }
    }
    return sheets;
}

} // namespace tavrix_demo
