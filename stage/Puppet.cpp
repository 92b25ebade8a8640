#include "Puppet.h"

#include "ATavrixModel.h"
#include "ModelLoading.h"
#include "Projection.h"
#include "Tavrix.h"
#include "TavrixModelOpenGL.h"
#include "Texture.h"

#include <GL/gl.h>

namespace tavrix_stage {

const char* describeLoadResult(int result)
{
    switch (result) {
    case tavrix::ATavrixModel::LOAD_FILE_FAILED: return "the file could not be read";
    case tavrix::ATavrixModel::LOAD_VERSION_UNSUPPORTED: return "unsupported format version";
    case tavrix::ATavrixModel::LOAD_EOF_CHECK_FAILED: return "end marker missing or wrong";
    case tavrix::ATavrixModel::LOAD_INVALID_MODEL: return "invalid model data";
    default: return "load failed";
    }
}

std::string describeLoadFailure(const std::string& modelPath, int result)
{
    const std::string detail = tavrix::Tavrix::getErrorMessage();
    return modelPath + ": cannot load model: result " + std::to_string(result) + ", " + describeLoadResult(result) +
           (detail.empty() ? "" : ": " + detail);
}

std::vector<PuppetParam> modelParams(tavrix::ATavrixModel& model)
{
    std::vector<PuppetParam> params;
    tavrix::ParamDefinition def;
    for (int i = 0; model.getParamDef(i, def); ++i) {
        params.push_back(PuppetParam{def.id, def.min, def.max, def.defaultValue, def.index});
    }
    return params;
}

template <class TextureFailure>
std::unique_ptr<Puppet> Puppet::finishLoad(std::unique_ptr<Puppet> puppet, const ModelFiles& files,
                                           TextureFailure textureFailure, std::vector<std::string>& warnings,
                                           std::string& why, int* loadResult)
{
    if (!puppet->loaded) {
        const int result = static_cast<int>(tavrix::Tavrix::getError());
        if (loadResult) *loadResult = result;
        why = describeLoadFailure(files.model, result);
        if (!puppet->textures.empty()) glDeleteTextures(static_cast<GLsizei>(puppet->textures.size()), puppet->textures.data());
        puppet->textures.clear();
        return nullptr;
    }
    for (size_t i = 0; i < puppet->textures.size(); ++i) {
        if (puppet->textures[i] != 0) continue;
        const std::string name = i < files.textures.size() ? files.textures[i] : "texture";
        warnings.push_back(name + ": cannot decode texture " + std::to_string(i) + ": " + textureFailure(i) +
                           "; meshes using it draw with the empty default texture (black)");
    }
    puppet->paramList = modelParams(*puppet->loaded);
    return puppet;
}

std::unique_ptr<Puppet> Puppet::load(Stage&, const ModelFiles& files, std::vector<std::string>& warnings,
                                     std::string& why, int* loadResult)
{
    std::unique_ptr<Puppet> puppet(new Puppet());
    // The aspect only matters once the puppet is drawn, which projects it again.
    puppet->loaded = tavrix_gl::loadModel(files.paths(), 1.0f, 1.0f, puppet->textures);
    return finishLoad(
        std::move(puppet), files, [&](size_t i) { return tavrix_gl::textureFileFailure(files.textures[i].c_str()); },
        warnings, why, loadResult);
}

std::unique_ptr<Puppet> Puppet::loadFromBytes(Stage&, const ModelFiles& files, const std::vector<unsigned char>& model,
                                              const std::vector<std::vector<unsigned char>>& pngs,
                                              std::vector<std::string>& warnings, std::string& why, int* loadResult)
{
    std::unique_ptr<Puppet> puppet(new Puppet());
    puppet->loaded = tavrix_gl::loadModelFromBytes(model, pngs, 1.0f, 1.0f, puppet->textures);
    return finishLoad(
        std::move(puppet), files,
        [&](size_t i) {
            const char* failure = tavrix_gl::texturePngFailure(pngs[i].data(), pngs[i].size());
            return failure ? failure : "it could not be decoded";
        },
        warnings, why, loadResult);
}

Puppet::~Puppet()
{
    delete loaded;
    if (!textures.empty()) glDeleteTextures(static_cast<GLsizei>(textures.size()), textures.data());
}

float Puppet::canvasWidth() const
{
    return loaded->getCanvasWidth();
}

float Puppet::canvasHeight() const
{
    return loaded->getCanvasHeight();
}

const PuppetParam* Puppet::findParam(const std::string& id) const
{
    for (const PuppetParam& param : paramList) {
        if (param.id == id) return &param;
    }
    return nullptr;
}

void Puppet::setParam(const std::string& id, float value, float weight)
{
    loaded->setParamFloat(id.c_str(), value, weight);
}

void Puppet::update()
{
    loaded->update();
}

void Puppet::place(double x, double y, float scale)
{
    placed = true;
    placeX = x;
    placeY = y;
    placeScale = scale;
}

void Puppet::project(int width, int height)
{
    float matrix[16];
    if (placed) {
        tavrix_gl::layerProjection(static_cast<float>(width), static_cast<float>(height), loaded->getCanvasWidth(),
                                   placeX, placeY, placeScale, matrix);
    } else {
        tavrix_gl::canvasProjection(static_cast<float>(width) / height, loaded->getCanvasWidth(), matrix);
    }
    loaded->setMatrix(matrix);
}

} // namespace tavrix_stage
