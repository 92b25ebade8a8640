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

std::unique_ptr<Puppet> Puppet::load(Stage&, const ModelFiles& files, std::vector<std::string>& warnings,
                                     std::string& why, int* loadResult)
{
    std::unique_ptr<Puppet> puppet(new Puppet());
    // The aspect only matters once the puppet is drawn, which projects it again.
    puppet->loaded = tavrix_gl::loadModel(files.paths(), 1.0f, 1.0f, puppet->textures);
    if (!puppet->loaded) {
        const int result = static_cast<int>(tavrix::Tavrix::getError());
        if (loadResult) *loadResult = result;
        why = describeLoadFailure(files.model, result);
        if (!puppet->textures.empty()) glDeleteTextures(static_cast<GLsizei>(puppet->textures.size()), puppet->textures.data());
        puppet->textures.clear();
        return nullptr;
    }
    const std::vector<std::string> paths = files.paths();
    for (size_t i = 0; i < puppet->textures.size(); ++i) {
        if (puppet->textures[i] != 0) continue;
        warnings.push_back(paths[i + 1] + ": cannot decode texture " + std::to_string(i) + ": " +
                           tavrix_gl::textureFileFailure(paths[i + 1].c_str()) +
                           "; meshes using it draw with the empty default texture (black)");
    }
    puppet->paramList = modelParams(*puppet->loaded);
    return puppet;
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
