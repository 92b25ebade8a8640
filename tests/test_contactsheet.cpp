// Contact sheets: scaling by area without colour from transparent pixels,
// and tiles placed in rows over the background.
#include <gtest/gtest.h>

#include <initializer_list>

#include "ContactSheet.h"

using namespace tavrix_contact_sheet;
using namespace tavrix_media;

namespace {

RgbaImage image(unsigned width, unsigned height, std::initializer_list<Rgba8> pixels)
{
    RgbaImage result;
    result.width = width;
    result.height = height;
    for (const Rgba8& p : pixels) result.pixels.insert(result.pixels.end(), {p.r, p.g, p.b, p.a});
    return result;
}

Rgba8 at(const RgbaImage& image, unsigned x, unsigned y)
{
    const uint8_t* p = &image.pixels[(static_cast<size_t>(y) * image.width + x) * 4];
    return {p[0], p[1], p[2], p[3]};
}

void expectPixel(const RgbaImage& image, unsigned x, unsigned y, Rgba8 expected)
{
    const Rgba8 found = at(image, x, y);
    EXPECT_EQ(found.r, expected.r) << x << ", " << y;
    EXPECT_EQ(found.g, expected.g) << x << ", " << y;
    EXPECT_EQ(found.b, expected.b) << x << ", " << y;
    EXPECT_EQ(found.a, expected.a) << x << ", " << y;
}

const Rgba8 RED{255, 0, 0, 255};
const Rgba8 CLEAR_BLUE{0, 0, 255, 0};

TEST(ContactSheet, ScalingAveragesAreasAndIgnoresTheColourOfTransparentPixels)
{
    // Red beside transparent blue halves to half-covered red, not purple.
    const RgbaImage half = scaleToWidth(image(2, 1, {RED, CLEAR_BLUE}), 1);
    ASSERT_EQ(half.width, 1u);
    ASSERT_EQ(half.height, 1u);
    expectPixel(half, 0, 0, {255, 0, 0, 128});

    // Three by three onto two by two: the middle row and column are shared
    // half and half.
    const RgbaImage thirds = scaleToWidth(image(3, 3, {RED, {0, 255, 0, 255}, CLEAR_BLUE, RED, {0, 255, 0, 255},
                                                       CLEAR_BLUE, RED, {0, 255, 0, 255}, CLEAR_BLUE}),
                                          2);
    ASSERT_EQ(thirds.height, 2u);
    expectPixel(thirds, 0, 0, {170, 85, 0, 255});
    expectPixel(thirds, 1, 1, {0, 255, 0, 85});
}

TEST(ContactSheet, TilesFillRowsLeftToRightOverTheBackground)
{
    SheetLayout layout;
    layout.columns = 2;
    layout.tileWidth = 2;
    layout.gap = 1;
    layout.background = {10, 20, 30, 255};
    const RgbaImage tall = image(1, 2, {RED, RED});
    const RgbaImage clear = image(1, 1, {CLEAR_BLUE});
    const RgbaImage sheet = contactSheet({tall, clear, tall}, layout);

    // Rows as tall as their tallest tile (4 and 4), gaps around everything.
    ASSERT_EQ(sheet.width, 1u + 2 * (2 + 1));
    ASSERT_EQ(sheet.height, 1u + (4 + 1) * 2);
    expectPixel(sheet, 1, 1, RED);     // first tile
    expectPixel(sheet, 2, 4, RED);
    expectPixel(sheet, 4, 1, {10, 20, 30, 255}); // the transparent tile shows the background
    expectPixel(sheet, 4, 3, {10, 20, 30, 255}); // below the short tile
    expectPixel(sheet, 1, 6, RED);     // third tile, second row
    expectPixel(sheet, 0, 0, {10, 20, 30, 255});
    expectPixel(sheet, 6, 10, {10, 20, 30, 255});
}

} // namespace
