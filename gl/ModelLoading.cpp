#include "ModelLoading.h"

#include "Projection.h"
#include "TavrixModelOpenGL.h"
#include "Texture.h"
#include "type/LDString.h"

namespace tavrix_gl {

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
    float matrix[16];
    canvasProjection(width / height, model->getCanvasWidth(), matrix);
    model->setMatrix(matrix);
    model->update();
    return model;
}

} // namespace tavrix_gl
