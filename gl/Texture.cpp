#include "Texture.h"

#include <GL/gl.h>

#include "TextureBackend.h"

namespace tavrix_gl {

namespace {

const char* const TOO_LARGE = "the image is larger than 16384 pixels a side";

// The header's verdict: the decoder's words for a broken header, TOO_LARGE,
// or null when the image may be decoded.
const char* headerFailure(const unsigned char* bytes, size_t size)
{
    unsigned claimedWidth = 0;
    unsigned claimedHeight = 0;
    if (const char* failure = readPngHeader(bytes, size, claimedWidth, claimedHeight)) return failure;
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
    std::vector<unsigned char> pixels;
    unsigned width = 0;
    unsigned height = 0;
    return decodePngRgba(bytes, size, pixels, width, height);
}

const char* textureFileFailure(const char* path)
{
    std::vector<unsigned char> bytes;
    const char* failure = readPngFile(path, bytes);
    if (!failure) failure = texturePngFailure(bytes.data(), bytes.size());
    return failure ? failure : "it could not be decoded";
}

bool decodeTexturePng(const unsigned char* bytes, size_t size, std::vector<unsigned char>& pixels,
                      unsigned& width, unsigned& height)
{
    pixels.clear();
    width = 0;
    height = 0;
    // The header first: a few bytes may claim an image of gigabytes.
    if (headerFailure(bytes, size) || decodePngRgba(bytes, size, pixels, width, height)) {
        pixels.clear();
        width = 0;
        height = 0;
        return false;
    }
    premultiplyRgba(pixels.data(), static_cast<size_t>(width) * height);
    return true;
}

unsigned int loadTextureFromPng(const unsigned char* bytes, size_t size)
{
    std::vector<unsigned char> pixels;
    unsigned width = 0;
    unsigned height = 0;
    if (!decodeTexturePng(bytes, size, pixels, width, height)) return 0;

    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    uploadMipmapped(pixels.data(), width, height);
    return name;
}

unsigned int loadTexture(const char* path)
{
    std::vector<unsigned char> bytes;
    if (readPngFile(path, bytes)) return 0;
    // Fixed-function texturing, for contexts that still draw that way.
    glEnable(GL_TEXTURE_2D);
    return loadTextureFromPng(bytes.data(), bytes.size());
}

} // namespace tavrix_gl
