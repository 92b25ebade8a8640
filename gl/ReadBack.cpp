#include "ReadBack.h"

#include <GL/gl.h>

#include <cstring>

namespace tavrix_gl {

void readRowsTopFirst(int width, int height, std::vector<uint8_t>& bottomUp, std::vector<uint8_t>& rgba)
{
    const size_t row = static_cast<size_t>(width) * 4;
    bottomUp.resize(row * height);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, bottomUp.data());
    rgba.resize(bottomUp.size());
    for (int y = 0; y < height; ++y) {
        std::memcpy(&rgba[y * row], &bottomUp[(height - 1 - y) * row], row);
    }
}

} // namespace tavrix_gl
