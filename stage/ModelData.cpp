#include "ModelData.h"

#include <GL/gl.h>

#include "ATavrixModel.h"
#include "ModelLoading.h"
#include "Puppet.h"
#include "Tavrix.h"
#include "TavrixModelOpenGL.h"
#include "Texture.h"
#include "util/UtDebug.h"
#include "util/UtFile.h"

namespace tavrix_stage {

std::shared_ptr<ModelData> ModelData::load(Stage&, const ModelFiles& files, std::vector<std::string>& warnings,
                                           std::string& why, int* loadResult)
{
    std::shared_ptr<ModelData> data(new ModelData());
    data->modelFiles = files;
    int size = 0;
    char* block = tavrix::UtFile::loadFile(files.model.c_str(), &size);
    if (!block) {
        tavrix::UtDebug::clearLastErrorMessage();
        const int result = tavrix::ATavrixModel::LOAD_FILE_FAILED;
        tavrix::Tavrix::setError(static_cast<unsigned int>(result));
        if (loadResult) *loadResult = result;
        why = describeLoadFailure(files.model, result);
        return nullptr;
    }
    data->bytes.assign(block, block + size);
    tavrix::UtFile::releaseLoadBuffer(block);

    // The aspect only matters once a puppet is drawn, which projects it again.
    tavrix::UtDebug::clearLastErrorMessage();
    data->checked.reset(tavrix_gl::modelFromBytes(data->bytes, {}, 1.0f, 1.0f));
    if (!data->checked) {
        const int result = static_cast<int>(tavrix::Tavrix::getError());
        if (loadResult) *loadResult = result;
        why = describeLoadFailure(files.model, result);
        return nullptr;
    }
    for (size_t i = 0; i < files.textures.size(); ++i) {
        const std::string& path = files.textures[i];
        const unsigned int name = tavrix_gl::loadTexture(path.c_str());
        data->textures.push_back(name);
        data->checked->setTexture(static_cast<int>(i), name);
        if (name != 0) continue;
        warnings.push_back(path + ": cannot decode texture " + std::to_string(i) + ": " +
                           tavrix_gl::textureFileFailure(path.c_str()) +
                           "; meshes using it draw with the empty default texture (black)");
    }
    return data;
}

ModelData::~ModelData()
{
    checked.reset();
    if (!textures.empty()) glDeleteTextures(static_cast<GLsizei>(textures.size()), textures.data());
}

tavrix::TavrixModelOpenGL* ModelData::newModel()
{
    if (checked) return checked.release();
    return tavrix_gl::modelFromBytes(bytes, textures, 1.0f, 1.0f);
}

} // namespace tavrix_stage
