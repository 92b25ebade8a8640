#include "Puppet.h"

#include "ATavrixModel.h"
#include "ModelData.h"
#include "Projection.h"
#include "Tavrix.h"
#include "TavrixModelOpenGL.h"

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

std::unique_ptr<Puppet> Puppet::load(Stage& stage, const ModelFiles& files, std::vector<std::string>& warnings,
                                     std::string& why, int* loadResult)
{
    std::shared_ptr<ModelData> data = ModelData::load(stage, files, warnings, why, loadResult);
    return data ? fromData(std::move(data)) : nullptr;
}

std::unique_ptr<Puppet> Puppet::loadFromBytes(Stage& stage, const ModelFiles& files,
                                              const std::vector<unsigned char>& model,
                                              const std::vector<std::vector<unsigned char>>& pngs,
                                              std::vector<std::string>& warnings, std::string& why, int* loadResult)
{
    std::shared_ptr<ModelData> data = ModelData::loadFromBytes(stage, files, model, pngs, warnings, why, loadResult);
    return data ? fromData(std::move(data)) : nullptr;
}

std::unique_ptr<Puppet> Puppet::fromData(std::shared_ptr<ModelData> data)
{
    std::unique_ptr<Puppet> puppet(new Puppet());
    puppet->loaded = data->newModel();
    if (!puppet->loaded) return nullptr;
    puppet->data = std::move(data);
    puppet->paramList = modelParams(*puppet->loaded);
    return puppet;
}

Puppet::~Puppet()
{
    delete loaded;
    loaded = nullptr;
    data.reset();
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
    placement = Placement::AT_PIXEL;
    placeX = x;
    placeY = y;
    placeScale = scale;
}

void Puppet::placeInFrame(double xFraction, double yFraction, float scale)
{
    place(xFraction, yFraction, scale);
    placement = Placement::AT_FRACTION;
}

void Puppet::project(int width, int height)
{
    float matrix[16];
    if (placement != Placement::FILL_WIDTH) {
        const bool fraction = placement == Placement::AT_FRACTION;
        tavrix_gl::layerProjection(static_cast<float>(width), static_cast<float>(height), loaded->getCanvasWidth(),
                                   fraction ? placeX * width : placeX, fraction ? placeY * height : placeY,
                                   placeScale, matrix);
    } else {
        tavrix_gl::canvasProjection(static_cast<float>(width) / height, loaded->getCanvasWidth(), matrix);
    }
    loaded->setMatrix(matrix);
}

} // namespace tavrix_stage
