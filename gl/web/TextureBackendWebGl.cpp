// The web build's texture backend: stb_image decodes (the page's bytes, no
// files), and WebGL builds the mipmaps. WebGL 1 builds them only for sides
// that are powers of two; other textures are sampled from their full-size
// image alone, clamped at the edges, as WebGL 1 requires of them.
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
        glGenerateMipmap(GL_TEXTURE_2D);
        return;
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
}

} // namespace tavrix_gl
