#include "ModelLoading.h"

#include "Projection.h"
#include "TavrixModelOpenGL.h"
#include "Texture.h"
#include "type/LDString.h"

namespace tavrix_gl {

namespace {

// Premultiplied colour, the canvas projection for a width x height picture,
// one evaluation.
void setUpModel(tavrix::TavrixModelOpenGL& model, float width, float height)
{
    float matrix[16];
    canvasProjection(width / height, model.getCanvasWidth(), matrix);
    model.setMatrix(matrix);
    model.update();
}

} // namespace

tavrix::TavrixModelOpenGL* loadModel(const std::vector<std::string>& paths, float width, float height,
                                     std::vector<unsigned int>& textures)
{
    if (paths.empty()) return nullptr;
    tavrix::TavrixModelOpenGL* model = tavrix::TavrixModelOpenGL::loadModel(tavrix::LDString(paths[0].c_str()));
    if (!model) return nullptr;
    model->setPremultipliedAlpha(true);
    for (size_t i = 1; i < paths.size(); ++i) {
        const unsigned int name = loadTexture(paths[i].c_str());
        model->setTexture(static_cast<int>(i - 1), name);
        textures.push_back(name);
    }
    setUpModel(*model, width, height);
    return model;
}

tavrix::TavrixModelOpenGL* modelFromBytes(const std::vector<char>& bytes, const std::vector<unsigned int>& textures,
                                          float width, float height)
{
    tavrix::TavrixModelOpenGL* model =
        tavrix::TavrixModelOpenGL::loadModel(bytes.data(), static_cast<int>(bytes.size()));
    if (!model) return nullptr;
    model->setPremultipliedAlpha(true);
    for (size_t i = 0; i < textures.size(); ++i) model->setTexture(static_cast<int>(i), textures[i]);
    setUpModel(*model, width, height);
    return model;
}

} // namespace tavrix_gl
