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

template <class TextureLoader, class TextureFailure>
std::shared_ptr<ModelData> ModelData::fromBytes(const ModelFiles& files, std::vector<char> bytes, size_t textureCount,
                                                TextureLoader loadTexture, TextureFailure textureFailure,
                                                std::vector<std::string>& warnings, std::string& why, int* loadResult)
{
    std::shared_ptr<ModelData> data(new ModelData());
    data->modelFiles = files;
    data->bytes = std::move(bytes);
    // The aspect only matters once a puppet is drawn, which projects it again.
    tavrix::UtDebug::clearLastErrorMessage();
    data->checked.reset(tavrix_gl::modelFromBytes(data->bytes, {}, 1.0f, 1.0f));
    if (!data->checked) {
        const int result = static_cast<int>(tavrix::Tavrix::getError());
        if (loadResult) *loadResult = result;
        why = describeLoadFailure(files.model, result);
        return nullptr;
    }
    for (size_t i = 0; i < textureCount; ++i) {
        const unsigned int name = loadTexture(i);
        data->textures.push_back(name);
        data->checked->setTexture(static_cast<int>(i), name);
        if (name != 0) continue;
        const std::string path = i < files.textures.size() ? files.textures[i] : "texture";
        warnings.push_back(path + ": cannot decode texture " + std::to_string(i) + ": " + textureFailure(i) +
                           "; meshes using it draw with the empty default texture (black)");
    }
    return data;
}

std::shared_ptr<ModelData> ModelData::load(Stage&, const ModelFiles& files, std::vector<std::string>& warnings,
                                           std::string& why, int* loadResult)
{
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
    std::vector<char> bytes(block, block + size);
    tavrix::UtFile::releaseLoadBuffer(block);
    return fromBytes(
        files, std::move(bytes), files.textures.size(),
        [&](size_t i) { return tavrix_gl::loadTexture(files.textures[i].c_str()); },
        [&](size_t i) { return std::string(tavrix_gl::textureFileFailure(files.textures[i].c_str())); }, warnings, why,
        loadResult);
}

std::shared_ptr<ModelData> ModelData::loadFromBytes(Stage&, const ModelFiles& files,
                                                    const std::vector<unsigned char>& model,
                                                    const std::vector<std::vector<unsigned char>>& pngs,
                                                    std::vector<std::string>& warnings, std::string& why,
                                                    int* loadResult)
{
    return fromBytes(
        files, std::vector<char>(model.begin(), model.end()), pngs.size(),
        [&](size_t i) { return tavrix_gl::loadTextureFromPng(pngs[i].data(), pngs[i].size()); },
        [&](size_t i) {
            const char* failure = tavrix_gl::texturePngFailure(pngs[i].data(), pngs[i].size());
            return std::string(failure ? failure : "it could not be decoded");
        },
        warnings, why, loadResult);
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
