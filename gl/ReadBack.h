// The picture drawn in the framebuffer bound for reading, as RGBA rows.
#pragma once

#include <cstdint>
#include <vector>

namespace tavrix_gl {

// Reads the lower-left width x height of the bound framebuffer (OpenGL's
// rows run bottom up) into rgba as RGBA rows, top first, as drawn
// (premultiplied). bottomUp is scratch that a caller keeps between frames.
void readRowsTopFirst(int width, int height, std::vector<uint8_t>& bottomUp, std::vector<uint8_t>& rgba);

} // namespace tavrix_gl
