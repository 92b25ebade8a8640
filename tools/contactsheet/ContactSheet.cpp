#include "ContactSheet.h"

#include <algorithm>
#include <cmath>

namespace tavrix_contact_sheet {

namespace {

struct Tap {
    unsigned source;
    double weight;
};

// For each of count destination pixels along one axis, the source pixels it
// covers and by how much.
std::vector<std::vector<Tap>> spans(unsigned sourceLength, unsigned count)
{
    std::vector<std::vector<Tap>> result(count);
    const double scale = static_cast<double>(sourceLength) / count;
    for (unsigned i = 0; i < count; ++i) {
        const double begin = i * scale, end = (i + 1) * scale;
        const unsigned last = std::min(sourceLength - 1, static_cast<unsigned>(std::ceil(end)) - 1);
        for (unsigned s = static_cast<unsigned>(begin); s <= last; ++s) {
            const double weight = std::min<double>(end, s + 1) - std::max<double>(begin, s);
            if (weight > 0.0) result[i].push_back({s, weight});
        }
    }
    return result;
}

} // namespace

RgbaImage scaleToWidth(const RgbaImage& image, unsigned width)
{
    RgbaImage scaled;
    if (image.width == 0 || image.height == 0 || width == 0) return scaled;
    const unsigned height = std::max(1u, static_cast<unsigned>(std::lround(
                                              static_cast<double>(image.height) * width / image.width)));
    scaled.width = width;
    scaled.height = height;
    scaled.pixels.resize(static_cast<size_t>(width) * height * 4);
    const auto across = spans(image.width, width);
    const auto down = spans(image.height, height);
    for (unsigned y = 0; y < height; ++y) {
        for (unsigned x = 0; x < width; ++x) {
            double colour[3] = {0, 0, 0}, alpha = 0, area = 0;
            for (const Tap& row : down[y]) {
                for (const Tap& column : across[x]) {
                    const uint8_t* p = &image.pixels[(static_cast<size_t>(row.source) * image.width + column.source) * 4];
                    const double w = row.weight * column.weight;
                    const double a = p[3] / 255.0 * w;
                    for (int c = 0; c < 3; ++c) colour[c] += p[c] * a;
                    alpha += a;
                    area += w;
                }
            }
            uint8_t* out = &scaled.pixels[(static_cast<size_t>(y) * width + x) * 4];
            for (int c = 0; c < 3; ++c) out[c] = static_cast<uint8_t>(alpha > 0 ? std::lround(colour[c] / alpha) : 0);
            out[3] = static_cast<uint8_t>(std::lround(255.0 * alpha / area));
        }
    }
    return scaled;
}

RgbaImage contactSheet(const std::vector<RgbaImage>& images, const SheetLayout& layout)
{
    const unsigned count = static_cast<unsigned>(images.size());
    const unsigned columns = std::max(1u, std::min(layout.columns, count));
    std::vector<RgbaImage> tiles;
    std::vector<unsigned> rowHeights((count + columns - 1) / columns, 0);
    for (unsigned i = 0; i < count; ++i) {
        tiles.push_back(scaleToWidth(images[i], layout.tileWidth));
        compositeOver(tiles.back(), layout.background);
        rowHeights[i / columns] = std::max(rowHeights[i / columns], tiles.back().height);
    }
    RgbaImage sheet;
    sheet.width = layout.gap + columns * (layout.tileWidth + layout.gap);
    sheet.height = layout.gap;
    for (unsigned h : rowHeights) sheet.height += h + layout.gap;
    sheet.pixels.resize(static_cast<size_t>(sheet.width) * sheet.height * 4);
    const uint8_t back[4] = {layout.background.r, layout.background.g, layout.background.b, layout.background.a};
    for (size_t i = 0; i < sheet.pixels.size(); ++i) sheet.pixels[i] = back[i % 4];

    unsigned top = layout.gap;
    for (unsigned i = 0; i < count; ++i) {
        const unsigned column = i % columns;
        if (i > 0 && column == 0) top += rowHeights[i / columns - 1] + layout.gap;
        const unsigned left = layout.gap + column * (layout.tileWidth + layout.gap);
        const RgbaImage& tile = tiles[i];
        for (unsigned y = 0; y < tile.height; ++y) {
            std::copy_n(&tile.pixels[static_cast<size_t>(y) * tile.width * 4], tile.width * 4,
                        &sheet.pixels[(static_cast<size_t>(top + y) * sheet.width + left) * 4]);
        }
    }
    return sheet;
}

} // namespace tavrix_contact_sheet
