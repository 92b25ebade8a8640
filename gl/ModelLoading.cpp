#include "ModelLoading.h"

#include "Projection.h"
#include "TavrixModelOpenGL.h"
#include "Texture.h"
#include "type/LDString.h"

namespace tavrix_gl {

namespace {

// Premultiplied colour, texture i from textureName(i), the canvas projection
// for a width x height picture and one evaluation.
template <class TextureName>
tavrix::TavrixModelOpenGL* setUpModel(tavrix::TavrixModelOpenGL* model, size_t textureCount, TextureName textureName,
                                      float width, float height)
{
    if (!model) return nullptr;
    model->setPremultipliedAlpha(true);
    for (size_t i = 0; i < textureCount; ++i) model->setTexture(static_cast<int>(i), textureName(i));
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
    return setUpModel(
        tavrix::TavrixModelOpenGL::loadModel(tavrix::LDString(paths[0].c_str())), paths.size() - 1,
        [&](size_t i) {
            textures.push_back(loadTexture(paths[i + 1].c_str()));
            return textures.back();
        },
        width, height);
}

tavrix::TavrixModelOpenGL* modelFromBytes(const std::vector<char>& bytes, const std::vector<unsigned int>& textures,
                                          float width, float height)
{
    return setUpModel(
        tavrix::TavrixModelOpenGL::loadModel(bytes.data(), static_cast<int>(bytes.size())), textures.size(),
        [&](size_t i) { return textures[i]; }, width, height);
}

} // namespace tavrix_gl
