#include "ModelLoading.h"

#include "Projection.h"
#include "TavrixModelOpenGL.h"
#include "Texture.h"
#include "type/LDString.h"

namespace tavrix_gl {

namespace {

// Premultiplied colour, texture i from loadTexture(i) (its name appended to
// textures), the canvas projection and one evaluation.
template <class TextureLoader>
tavrix::TavrixModelOpenGL* finishLoading(tavrix::TavrixModelOpenGL* model, size_t textureCount,
                                         TextureLoader loadTexture, float width, float height,
                                         std::vector<unsigned int>& textures)
{
    if (!model) return nullptr;
    model->setPremultipliedAlpha(true);
    for (size_t i = 0; i < textureCount; ++i) {
        const unsigned int name = loadTexture(i);
        model->setTexture(static_cast<int>(i), name);
        textures.push_back(name);
    }
    float matrix[16];
    canvasProjection(width / height, model->getCanvasWidth(), matrix);
    model->setMatrix(matrix);
    model->update();
    return model;
}

} // namespace

tavrix::TavrixModelOpenGL* loadModel(const std::vector<std::string>& paths, float width, float height,
                                     std::vector<unsigned int>& textures)
{
    if (paths.empty()) return nullptr;
    return finishLoading(
        tavrix::TavrixModelOpenGL::loadModel(tavrix::LDString(paths[0].c_str())), paths.size() - 1,
        [&](size_t i) { return loadTexture(paths[i + 1].c_str()); }, width, height, textures);
}

tavrix::TavrixModelOpenGL* loadModelFromBytes(const std::vector<unsigned char>& model,
                                              const std::vector<std::vector<unsigned char>>& pngs, float width,
                                              float height, std::vector<unsigned int>& textures)
{
    return finishLoading(
        tavrix::TavrixModelOpenGL::loadModel(model.data(), static_cast<int>(model.size())), pngs.size(),
        [&](size_t i) { return loadTextureFromPng(pngs[i].data(), pngs[i].size()); }, width, height, textures);
}

} // namespace tavrix_gl
