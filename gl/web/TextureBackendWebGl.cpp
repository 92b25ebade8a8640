// The web build's texture backend: stb_image decodes (the page's bytes, no
// files), and the mipmaps are made here the way GLU makes them natively
// (each level the rounded mean of 2 x 2 texels of the one above), so that a
// puppet drawn small samples the same texels as `tavrix draw`. WebGL 1 takes
// mipmaps only for sides that are powers of two; other textures are sampled
// from their full-size image alone, clamped at the edges, as WebGL 1
// requires of them.
#include "TextureBackend.h"

#include <GLES2/gl2.h>

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_NO_STDIO
#define STBI_NO_LINEAR
#define STBI_NO_HDR
#define STBI_FAILURE_USERMSG
#include <stb/stb_image.h>

namespace tavrix_gl {

namespace {

bool isPowerOfTwo(unsigned side)
{
    return side != 0 && (side & (side - 1)) == 0;
}

// Sizes above int's range go to the decoder as their largest prefix; a PNG
// that large never reaches here through a page.
int clampedSize(size_t size)
{
    return size > 0x7fffffff ? 0x7fffffff : static_cast<int>(size);
}

// The next mipmap level, as GLU computes it: the rounded mean of 2 x 2
// texels, or the truncated mean of 2 where one side is already 1.
void halve(std::vector<unsigned char>& level, unsigned& width, unsigned& height)
{
    const unsigned newWidth = width > 1 ? width / 2 : 1;
    const unsigned newHeight = height > 1 ? height / 2 : 1;
    std::vector<unsigned char> next(static_cast<size_t>(newWidth) * newHeight * 4);
    const size_t row = static_cast<size_t>(width) * 4;
    for (unsigned y = 0; y < newHeight; ++y) {
        for (unsigned x = 0; x < newWidth; ++x) {
            for (unsigned c = 0; c < 4; ++c) {
                unsigned char& out = next[(static_cast<size_t>(y) * newWidth + x) * 4 + c];
                if (width > 1 && height > 1) {
                    const unsigned char* t = &level[2 * y * row + 2 * x * 4 + c];
                    out = static_cast<unsigned char>((t[0] + t[4] + t[row] + t[row + 4] + 2) / 4);
                } else if (width > 1) {
                    const unsigned char* t = &level[2 * x * 4 + c];
                    out = static_cast<unsigned char>((t[0] + t[4]) / 2);
                } else {
                    const unsigned char* t = &level[2 * y * row + c];
                    out = static_cast<unsigned char>((t[0] + t[row]) / 2);
                }
            }
        }
    }
    level.swap(next);
    width = newWidth;
    height = newHeight;
}

} // namespace

const char* readPngHeader(const unsigned char* bytes, size_t size, unsigned& width, unsigned& height)
{
    int w = 0;
    int h = 0;
    int channels = 0;
    if (!bytes || !stbi_info_from_memory(bytes, clampedSize(size), &w, &h, &channels)) return stbi_failure_reason();
    width = static_cast<unsigned>(w);
    height = static_cast<unsigned>(h);
    return nullptr;
}

const char* decodePngRgba(const unsigned char* bytes, size_t size, std::vector<unsigned char>& pixels,
                          unsigned& width, unsigned& height)
{
    int w = 0;
    int h = 0;
    int channels = 0;
    stbi_uc* decoded = stbi_load_from_memory(bytes, clampedSize(size), &w, &h, &channels, 4);
    if (!decoded) return stbi_failure_reason();
    width = static_cast<unsigned>(w);
    height = static_cast<unsigned>(h);
    pixels.assign(decoded, decoded + static_cast<size_t>(width) * height * 4);
    stbi_image_free(decoded);
    return nullptr;
}

const char* readPngFile(const char*, std::vector<unsigned char>&)
{
    return "the web build reads no files: the page hands over the bytes";
}

void uploadMipmapped(const unsigned char* pixels, unsigned width, unsigned height)
{
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, static_cast<GLsizei>(width), static_cast<GLsizei>(height), 0, GL_RGBA,
                 GL_UNSIGNED_BYTE, pixels);
    if (isPowerOfTwo(width) && isPowerOfTwo(height)) {
        std::vector<unsigned char> level(pixels, pixels + static_cast<size_t>(width) * height * 4);
        for (GLint number = 1; width > 1 || height > 1; ++number) {
            halve(level, width, height);
            glTexImage2D(GL_TEXTURE_2D, number, GL_RGBA, static_cast<GLsizei>(width), static_cast<GLsizei>(height), 0,
                         GL_RGBA, GL_UNSIGNED_BYTE, level.data());
        }
        return;
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
}

} // namespace tavrix_gl
