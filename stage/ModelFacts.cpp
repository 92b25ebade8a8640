#include "ModelFacts.h"

#include <cstdarg>
#include <cstdio>
#include <unordered_map>

#include "ATavrixModel.h"
#include "JsonOut.h"
#include "ModelContext.h"
#include "base/AffineEnt.h"
#include "base/BDAffineContext.h"
#include "base/BDBoxGrid.h"
#include "base/BDBoxGridContext.h"
#include "base/IBaseContext.h"
#include "base/IBaseData.h"
#include "draw/DDTexture.h"
#include "draw/DDTextureContext.h"
#include "id/BaseDataID.h"
#include "id/DrawDataID.h"
#include "id/ParamID.h"
#include "id/PartsDataID.h"
#include "model/ModelImpl.h"
#include "model/PartsData.h"

using namespace tavrix;
using tavrix_media::JsonOut;

namespace tavrix_stage {

namespace {

const char* idText(BaseDataID* id) { return id ? id->toChar() : nullptr; }

std::string format(const char* pattern, ...) __attribute__((format(printf, 1, 2)));
std::string format(const char* pattern, ...)
{
    va_list args;
    va_start(args, pattern);
    va_list again;
    va_copy(again, args);
    const int size = std::vsnprintf(nullptr, 0, pattern, args);
    va_end(args);
    std::string text(size > 0 ? static_cast<size_t>(size) : 0, '\0');
    if (size > 0) std::vsnprintf(text.data(), text.size() + 1, pattern, again);
    va_end(again);
    return text;
}

std::string numbers(const float* values, int count)
{
    std::string text = "[";
    for (int i = 0; values && i < count; ++i) {
        if (i) text += ", ";
        text += JsonOut::number(values[i]);
    }
    return text + "]";
}

// Where a deformer stands in canvas coordinates: a grid's lattice points, a
// rotation's origin, angle and scale.
std::string deformerGeometry(const DeformerFacts& facts)
{
    if (!facts.context) return "";
    if (facts.data->getType() == IBaseData::TYPE_BD_BOX_GRID) {
        BDBoxGrid* grid = static_cast<BDBoxGrid*>(facts.data);
        BDBoxGridContext* context = static_cast<BDBoxGridContext*>(facts.context);
        const float* points = context->getTransformedPoints() ? context->getTransformedPoints()
                                                              : context->getInterpolatedPoints();
        return format(", \"columns\": %d, \"rows\": %d,\n     \"points\": ", grid->getCol(), grid->getRow()) +
               numbers(points, points ? 2 * grid->getNumPts() : 0);
    }
    if (facts.data->getType() == IBaseData::TYPE_BD_AFFINE) {
        BDAffineContext* context = static_cast<BDAffineContext*>(facts.context);
        const AffineEnt* entry = context->getTransformedAffine() ? context->getTransformedAffine()
                                                                 : context->getInterpolatedAffine();
        if (!entry) return "";
        return ", \"origin\": [" + JsonOut::number(entry->originX) + ", " + JsonOut::number(entry->originY) +
               "], \"angle\": " + JsonOut::number(entry->rotationDeg);
    }
    return "";
}

} // namespace

std::vector<DeformerFacts> collectDeformers(ModelImpl* impl, ModelContext& context)
{
    std::vector<DeformerFacts> facts;
    std::unordered_map<IBaseData*, IBaseContext*> evaluated;
    for (int j = 0; j < context.getBaseDataCount(); ++j) evaluated[context.getBaseData(j)] = context.getBaseContext(j);
    LDVector<PartsData*>* parts = impl->getPartsDataList();
    for (int k = 0; parts && k < parts->size(); ++k) {
        LDVector<IBaseData*>* deformers = (*parts)[k]->getBaseData();
        for (int i = 0; deformers && i < deformers->size(); ++i) {
            auto found = evaluated.find((*deformers)[i]);
            facts.push_back({(*deformers)[i], k, found == evaluated.end() ? nullptr : found->second});
        }
    }
    return facts;
}

std::vector<int> drawSequence(ModelContext& context)
{
    std::vector<int> sequence;
    context.walkDrawOrder([&](unsigned int index, IDrawContext*) { sequence.push_back(static_cast<int>(index)); });
    return sequence;
}

std::vector<float> paramDefaults(ATavrixModel& model)
{
    std::unordered_map<std::string, float> defined;
    ParamDefinition definition;
    for (int i = 0; model.getParamDef(i, definition); ++i) defined.emplace(definition.id, definition.defaultValue);
    ModelContext& context = *model.getModelContext();
    std::vector<float> defaults(static_cast<size_t>(context.getParamCount()), 0.0f);
    for (int row = 0; row < context.getParamCount(); ++row) {
        ParamID* id = context.getParamID(row);
        auto found = id ? defined.find(id->toChar()) : defined.end();
        if (found != defined.end()) defaults[static_cast<size_t>(row)] = found->second;
    }
    return defaults;
}

std::string modelFactsJson(ATavrixModel& model)
{
    ModelImpl* impl = model.getModelImpl();
    ModelContext& context = *model.getModelContext();
    using J = JsonOut;

    std::string out = format("{\n  \"formatVersion\": %d, \"canvasWidth\": %s, \"canvasHeight\": %s,\n",
                             impl->getFormatVersion(), J::number(model.getCanvasWidth()).c_str(),
                             J::number(model.getCanvasHeight()).c_str());

    out += "  \"params\": [";
    const std::vector<float> defaults = paramDefaults(model);
    for (int i = 0; i < context.getParamCount(); ++i) {
        ParamID* id = context.getParamID(i);
        out += format("%s\n    {\"id\": %s, \"min\": %s, \"max\": %s, \"default\": %s, \"value\": %s}", i ? "," : "",
                      J::string(id ? id->toChar() : "").c_str(), J::number(context.getParamMin(i)).c_str(),
                      J::number(context.getParamMax(i)).c_str(), J::number(defaults[static_cast<size_t>(i)]).c_str(),
                      J::number(context.getParamFloat(i)).c_str());
    }
    out += "\n  ],\n  \"parts\": [";
    LDVector<PartsData*>* parts = impl->getPartsDataList();
    for (int k = 0; parts && k < parts->size(); ++k) {
        PartsData* part = (*parts)[k];
        PartsDataID* id = part->getPartsDataID();
        out += format("%s\n    {\"id\": %s, \"visible\": %s, \"opacity\": %s}", k ? "," : "",
                      J::string(id ? id->getName().c_str() : "").c_str(), J::boolean(part->isVisible()).c_str(),
                      J::number(context.getPartsOpacity(k)).c_str());
    }
    out += "\n  ],\n  \"deformers\": [";
    std::vector<DeformerFacts> deformers = collectDeformers(impl, context);
    for (size_t i = 0; i < deformers.size(); ++i) {
        const DeformerFacts& f = deformers[i];
        IBaseContext* c = f.context;
        out += format("%s\n    {\"id\": %s, \"target\": %s, \"type\": %d, \"part\": %d, \"evaluated\": %s, "
                      "\"available\": %s, \"outside\": %s, \"totalScale\": %s, \"totalOpacity\": %s",
                      i ? "," : "", J::string(idText(f.data->getBaseDataID())).c_str(),
                      J::string(idText(f.data->getTargetBaseDataID())).c_str(), f.data->getType(), f.part,
                      J::boolean(c != nullptr).c_str(), J::boolean(c ? c->getAvailableFlag() : true).c_str(),
                      J::boolean(c ? c->isOutsideParam() : false).c_str(),
                      J::number(c ? c->getTotalScale() : 1.0f).c_str(),
                      J::number(c ? c->getTotalOpacity() : 1.0f).c_str());
        out += deformerGeometry(f) + "}";
    }
    out += "\n  ],\n  \"meshes\": [";
    for (int i = 0; i < context.getDrawDataCount(); ++i) {
        IDrawData* data = context.getDrawData(i);
        IDrawContext* c = context.getDrawContext(i);
        DrawDataID* id = data->getDrawDataID();
        out += format("%s\n    {\"id\": %s, \"target\": %s, \"part\": %d", i ? "," : "",
                      J::string(id ? id->getName().c_str() : "").c_str(),
                      J::string(idText(data->getTargetBaseDataID())).c_str(), c->getPartsIndex());
        std::string polygons;
        if (data->getType() == IDrawData::TYPE_DD_TEXTURE) {
            DDTexture* mesh = static_cast<DDTexture*>(data);
            out += format(", \"textureNo\": %d, \"numPts\": %d, \"numPolygons\": %d", mesh->getTextureNo(),
                          mesh->getNumPoints(), mesh->getNumPolygons());
            int triangles = 0;
            const unsigned short* indices = mesh->getIndexArray(&triangles);
            for (int t = 0; indices && t < 3 * triangles; ++t) {
                polygons += (t ? ", " : "") + std::to_string(indices[t]);
            }
        }
        out += format(",\n     \"drawOrder\": %d, \"opacity\": %s, \"baseOpacity\": %s, \"available\": %s, "
                      "\"outside\": %s,\n     \"points\": ",
                      c->interpolatedDrawOrder, J::number(c->interpolatedOpacity).c_str(),
                      J::number(c->baseOpacity).c_str(), J::boolean(c->available).c_str(),
                      J::boolean(c->outsideParam).c_str());
        int count = 0;
        float* points = model.getTransformedPoints(i, &count);
        out += numbers(points, points ? 2 * count : 0);
        if (data->getType() == IDrawData::TYPE_DD_TEXTURE) out += ",\n     \"polygons\": [" + polygons + "]";
        out += "}";
    }
    out += "\n  ],\n  \"drawSequence\": [";
    std::vector<int> sequence = drawSequence(context);
    for (size_t i = 0; i < sequence.size(); ++i) {
        DrawDataID* id = context.getDrawData(sequence[i])->getDrawDataID();
        out += (i ? ", " : "") + J::string(id ? id->getName().c_str() : "");
    }
    return out + "]\n}\n";
}

} // namespace tavrix_stage
