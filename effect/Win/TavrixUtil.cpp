#include "Win/TavrixUtil.h"

#include "ModelLoading.h"
#include "Projection.h"
#include "Tavrix.h"
#include "Texture.h"

// The effect's names for the drawing library's loading helpers.
namespace tavrixutil {

int init()
{
    tavrix::Tavrix::init();
    return 0;
}

void premultiplyRgba(unsigned char* pixels, size_t pixelCount)
{
    tavrix_gl::premultiplyRgba(pixels, pixelCount);
}

const char* texturePngFailure(const unsigned char* bytes, size_t size)
{
    return tavrix_gl::texturePngFailure(bytes, size);
}

bool decodeTexturePng(const unsigned char* bytes, size_t size, std::vector<unsigned char>& pixels,
                      unsigned& width, unsigned& height)
{
    return tavrix_gl::decodeTexturePng(bytes, size, pixels, width, height);
}

unsigned int loadGLTextureByLodePNG(const char* path)
{
    return tavrix_gl::loadTexture(path);
}

void projectionMatrix(float aspect, float canvasWidth, float matrix[16])
{
    tavrix_gl::canvasProjection(aspect, canvasWidth, matrix);
}

tavrix::TavrixModelOpenGL* loadModel(const std::vector<std::string>& paths, float width, float height,
                                     std::vector<unsigned int>& textures)
{
    return tavrix_gl::loadModel(paths, width, height, textures);
}

} // namespace tavrixutil
