#include "Texture.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <lodepng.h>

#include <cstdlib>

namespace tavrix_gl {

namespace {

const char* const TOO_LARGE = "the image is larger than 16384 pixels a side";

// The header's verdict: lodepng's words for a broken header, TOO_LARGE, or
// null when the image may be decoded.
const char* headerFailure(const unsigned char* bytes, size_t size)
{
    unsigned claimedWidth = 0;
    unsigned claimedHeight = 0;
    LodePNGState state;
    lodepng_state_init(&state);
    const unsigned error = lodepng_inspect(&claimedWidth, &claimedHeight, &state, bytes, size);
    lodepng_state_cleanup(&state);
    if (error) return lodepng_error_text(error);
    if (claimedWidth > MAX_TEXTURE_SIDE || claimedHeight > MAX_TEXTURE_SIDE) return TOO_LARGE;
    return nullptr;
}

} // namespace

void premultiplyRgba(unsigned char* pixels, size_t pixelCount)
{
    for (size_t i = 0; i < pixelCount; ++i) {
        unsigned char* p = pixels + i * 4;
        const unsigned factor = p[3] + 1u;
        p[0] = static_cast<unsigned char>((p[0] * factor) >> 8);
        p[1] = static_cast<unsigned char>((p[1] * factor) >> 8);
        p[2] = static_cast<unsigned char>((p[2] * factor) >> 8);
    }
}

const char* texturePngFailure(const unsigned char* bytes, size_t size)
{
    if (const char* failure = headerFailure(bytes, size)) return failure;
    unsigned char* decoded = nullptr;
    unsigned width = 0;
    unsigned height = 0;
    const unsigned error = lodepng_decode32(&decoded, &width, &height, bytes, size);
    std::free(decoded);
    return error ? lodepng_error_text(error) : nullptr;
}

const char* textureFileFailure(const char* path)
{
    unsigned char* bytes = nullptr;
    size_t size = 0;
    const unsigned error = lodepng_load_file(&bytes, &size, path);
    const char* failure = error ? lodepng_error_text(error) : texturePngFailure(bytes, size);
    std::free(bytes);
    return failure ? failure : "it could not be decoded";
}

bool decodeTexturePng(const unsigned char* bytes, size_t size, std::vector<unsigned char>& pixels,
                      unsigned& width, unsigned& height)
{
    pixels.clear();
    width = 0;
    height = 0;
    // The header first: a few bytes may claim an image of gigabytes.
    if (headerFailure(bytes, size)) return false;

    unsigned char* decoded = nullptr;
    if (lodepng_decode32(&decoded, &width, &height, bytes, size) != 0) {
        std::free(decoded);
        width = 0;
        height = 0;
        return false;
    }
    const size_t pixelCount = static_cast<size_t>(width) * height;
    pixels.assign(decoded, decoded + pixelCount * 4);
    std::free(decoded);
    premultiplyRgba(pixels.data(), pixelCount);
    return true;
}

unsigned int loadTexture(const char* path)
{
    unsigned char* file = nullptr;
    size_t fileSize = 0;
    std::vector<unsigned char> pixels;
    unsigned width = 0;
    unsigned height = 0;
    const bool decoded = lodepng_load_file(&file, &fileSize, path) == 0 &&
                         decodeTexturePng(file, fileSize, pixels, width, height);
    std::free(file);
    if (!decoded) return 0;

    GLuint name = 0;
    glEnable(GL_TEXTURE_2D);
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    // Rows of 4-byte pixels need no unpacking alignment beyond the default.
    gluBuild2DMipmaps(GL_TEXTURE_2D, GL_RGBA, static_cast<GLint>(width), static_cast<GLint>(height), GL_RGBA,
                      GL_UNSIGNED_BYTE, pixels.data());
    return name;
}

} // namespace tavrix_gl
