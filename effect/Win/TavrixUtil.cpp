#include "Win/TavrixUtil.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <lodepng.h>

#include <cstdlib>

#include "Tavrix.h"
#include "TavrixModelOpenGL.h"
#include "type/LDString.h"

namespace tavrixutil {

int init()
{
    tavrix::Tavrix::init();
    return 0;
}

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

unsigned int loadGLTextureByLodePNG(const char* path)
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

void projectionMatrix(float aspect, float canvasWidth, float matrix[16])
{
    const float m[16] = {2.0f / canvasWidth, 0, 0, 0, 0, -2.0f / canvasWidth * aspect, 0, 0, 0, 0, 1, 0, -1, 1, 0, 1};
    for (int i = 0; i < 16; ++i) matrix[i] = m[i];
}

tavrix::TavrixModelOpenGL* loadModel(const std::vector<std::string>& paths, float width, float height,
                                     std::vector<unsigned int>& textures)
{
    if (paths.empty()) return nullptr;
    tavrix::TavrixModelOpenGL* model = tavrix::TavrixModelOpenGL::loadModel(tavrix::LDString(paths[0].c_str()));
    if (!model) return nullptr;
    model->setPremultipliedAlpha(true);
    for (size_t i = 1; i < paths.size(); ++i) {
        const unsigned int name = loadGLTextureByLodePNG(paths[i].c_str());
        model->setTexture(static_cast<int>(i - 1), name);
        textures.push_back(name);
    }
    float matrix[16];
    projectionMatrix(width / height, model->getCanvasWidth(), matrix);
    model->setMatrix(matrix);
    model->update();
    return model;
}

} // namespace tavrixutil
