#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "ATavrixModel.h"
#include "TextValues.h"
#include "CommandTable.h"
#include "JsonOut.h"
#include "ModelContext.h"
#include "Puppet.h"
#include "RuntimeMessages.h"
#include "Tavrix.h"
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
#include "type/LDString.h"

using namespace tavrix;

namespace tavrix_tool {

using namespace tavrix_media;

namespace {

struct InspectOptions {
    std::string modelPath;
    std::vector<std::string> setTexts;
    std::vector<std::pair<std::string, float>> sets;
    bool json = false;
    bool verbose = false;
};

const char* idText(BaseDataID* id) { return id ? id->toChar() : nullptr; }

// What inspect reports of one deformer, in file order.
struct DeformerFacts {
    IBaseData* data;
    int part;
    IBaseContext* context; // null when the parents-first ordering left it out
};

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

// The default of each defined parameter: that of its first definition.
// Parameters the model does not define start at 0.
class ParamDefaults {
public:
    explicit ParamDefaults(const ATavrixModel& model)
    {
        ParamDefinition definition;
        for (int i = 0; model.getParamDef(i, definition); ++i) defaults.emplace(definition.id, definition.defaultValue);
    }
    float of(ParamID* id) const
    {
        auto found = id ? defaults.find(id->toChar()) : defaults.end();
        return found == defaults.end() ? 0.0f : found->second;
    }

private:
    std::unordered_map<std::string, float> defaults;
};

std::vector<int> drawSequence(ModelContext& context)
{
    std::vector<int> sequence;
    context.walkDrawOrder([&](unsigned int index, IDrawContext*) { sequence.push_back(static_cast<int>(index)); });
    return sequence;
}

void printJson(FILE* out, ATavrixModel& model, int formatVersion)
{
    ModelImpl* impl = model.getModelImpl();
    ModelContext& context = *model.getModelContext();
    using J = JsonOut;

    std::fprintf(out, "{\n  \"formatVersion\": %d, \"canvasWidth\": %s, \"canvasHeight\": %s,\n", formatVersion,
                 J::number(model.getCanvasWidth()).c_str(), J::number(model.getCanvasHeight()).c_str());

    std::fprintf(out, "  \"params\": [");
    const ParamDefaults defaults(model);
    for (int i = 0; i < context.getParamCount(); ++i) {
        ParamID* id = context.getParamID(i);
        std::fprintf(out, "%s\n    {\"id\": %s, \"min\": %s, \"max\": %s, \"default\": %s, \"value\": %s}", i ? "," : "",
                     J::string(id ? id->toChar() : "").c_str(), J::number(context.getParamMin(i)).c_str(),
                     J::number(context.getParamMax(i)).c_str(), J::number(defaults.of(id)).c_str(),
                     J::number(context.getParamFloat(i)).c_str());
    }
    std::fprintf(out, "\n  ],\n  \"parts\": [");
    LDVector<PartsData*>* parts = impl->getPartsDataList();
    for (int k = 0; parts && k < parts->size(); ++k) {
        PartsData* part = (*parts)[k];
        PartsDataID* id = part->getPartsDataID();
        std::fprintf(out, "%s\n    {\"id\": %s, \"visible\": %s, \"opacity\": %s}", k ? "," : "",
                     J::string(id ? id->getName().c_str() : "").c_str(), J::boolean(part->isVisible()).c_str(),
                     J::number(context.getPartsOpacity(k)).c_str());
    }
    std::fprintf(out, "\n  ],\n  \"deformers\": [");
    std::vector<DeformerFacts> deformers = collectDeformers(impl, context);
    for (size_t i = 0; i < deformers.size(); ++i) {
        const DeformerFacts& f = deformers[i];
        IBaseContext* c = f.context;
        std::fprintf(out,
                     "%s\n    {\"id\": %s, \"target\": %s, \"type\": %d, \"part\": %d, \"evaluated\": %s, "
                     "\"available\": %s, \"outside\": %s, \"totalScale\": %s, \"totalOpacity\": %s}",
                     i ? "," : "", J::string(idText(f.data->getBaseDataID())).c_str(),
                     J::string(idText(f.data->getTargetBaseDataID())).c_str(), f.data->getType(), f.part,
                     J::boolean(c != nullptr).c_str(), J::boolean(c ? c->getAvailableFlag() : true).c_str(),
                     J::boolean(c ? c->isOutsideParam() : false).c_str(),
                     J::number(c ? c->getTotalScale() : 1.0f).c_str(),
                     J::number(c ? c->getTotalOpacity() : 1.0f).c_str());
    }
    std::fprintf(out, "\n  ],\n  \"meshes\": [");
    for (int i = 0; i < context.getDrawDataCount(); ++i) {
        IDrawData* data = context.getDrawData(i);
        IDrawContext* c = context.getDrawContext(i);
        DrawDataID* id = data->getDrawDataID();
        std::fprintf(out, "%s\n    {\"id\": %s, \"target\": %s, \"part\": %d", i ? "," : "",
                     J::string(id ? id->getName().c_str() : "").c_str(),
                     J::string(idText(data->getTargetBaseDataID())).c_str(), c->getPartsIndex());
        if (data->getType() == IDrawData::TYPE_DD_TEXTURE) {
            DDTexture* mesh = static_cast<DDTexture*>(data);
            std::fprintf(out, ", \"textureNo\": %d, \"numPts\": %d, \"numPolygons\": %d", mesh->getTextureNo(),
                         mesh->getNumPoints(), mesh->getNumPolygons());
        }
        std::fprintf(out,
                     ",\n     \"drawOrder\": %d, \"opacity\": %s, \"baseOpacity\": %s, \"available\": %s, "
                     "\"outside\": %s,\n     \"points\": [",
                     c->interpolatedDrawOrder, J::number(c->interpolatedOpacity).c_str(),
                     J::number(c->baseOpacity).c_str(), J::boolean(c->available).c_str(),
                     J::boolean(c->outsideParam).c_str());
        int count = 0;
        float* points = model.getTransformedPoints(i, &count);
        for (int p = 0; points && p < 2 * count; ++p) {
            std::fprintf(out, "%s%s", p ? ", " : "", J::number(points[p]).c_str());
        }
        std::fprintf(out, "]}");
    }
    std::fprintf(out, "\n  ],\n  \"drawSequence\": [");
    std::vector<int> sequence = drawSequence(context);
    for (size_t i = 0; i < sequence.size(); ++i) {
        DrawDataID* id = context.getDrawData(sequence[i])->getDrawDataID();
        std::fprintf(out, "%s%s", i ? ", " : "", J::string(id ? id->getName().c_str() : "").c_str());
    }
    std::fprintf(out, "]\n}\n");
}

void printSummary(FILE* out, const char* path, ATavrixModel& model, int formatVersion)
{
    ModelImpl* impl = model.getModelImpl();
    ModelContext& context = *model.getModelContext();
    std::fprintf(out, "model    %s (format version %d)\n", path, formatVersion);
    std::fprintf(out, "canvas   %g x %g\n", model.getCanvasWidth(), model.getCanvasHeight());

    std::fprintf(out, "\nparameters (%d)\n", context.getParamCount());
    const ParamDefaults defaults(model);
    for (int i = 0; i < context.getParamCount(); ++i) {
        ParamID* id = context.getParamID(i);
        std::fprintf(out, "  %-28s %10g  [%g .. %g]  default %g\n", id ? id->toChar() : "", context.getParamFloat(i),
                     context.getParamMin(i), context.getParamMax(i), defaults.of(id));
    }

    LDVector<PartsData*>* parts = impl->getPartsDataList();
    std::fprintf(out, "\nparts (%d)\n", parts ? parts->size() : 0);
    for (int k = 0; parts && k < parts->size(); ++k) {
        PartsDataID* id = (*parts)[k]->getPartsDataID();
        std::fprintf(out, "  %-28s %s  opacity %g\n", id ? id->getName().c_str() : "",
                     (*parts)[k]->isVisible() ? "visible" : "hidden ", context.getPartsOpacity(k));
    }

    std::vector<DeformerFacts> deformers = collectDeformers(impl, context);
    std::fprintf(out, "\ndeformers (%d)\n", static_cast<int>(deformers.size()));
    for (const DeformerFacts& f : deformers) {
        const char* id = idText(f.data->getBaseDataID());
        const char* target = idText(f.data->getTargetBaseDataID());
        std::fprintf(out, "  %-28s %-8s -> %-20s part %d", id ? id : "", f.data->getType() == 1 ? "rotation" : "grid",
                     target ? target : "", f.part);
        if (!f.context) {
            std::fprintf(out, "  not evaluated (parent missing)\n");
            continue;
        }
        std::fprintf(out, "  %s%s scale %g opacity %g\n", f.context->getAvailableFlag() ? "available" : "unavailable",
                     f.context->isOutsideParam() ? ", outside" : "", f.context->getTotalScale(),
                     f.context->getTotalOpacity());
    }

    std::fprintf(out, "\nmeshes (%d)\n", context.getDrawDataCount());
    for (int i = 0; i < context.getDrawDataCount(); ++i) {
        IDrawData* data = context.getDrawData(i);
        IDrawContext* c = context.getDrawContext(i);
        DrawDataID* id = data->getDrawDataID();
        const char* target = idText(data->getTargetBaseDataID());
        std::fprintf(out, "  %-28s -> %-20s part %d", id ? id->getName().c_str() : "", target ? target : "",
                     c->getPartsIndex());
        if (data->getType() == IDrawData::TYPE_DD_TEXTURE) {
            DDTexture* mesh = static_cast<DDTexture*>(data);
            std::fprintf(out, "  texture %d, %d points, %d triangles", mesh->getTextureNo(), mesh->getNumPoints(),
                         mesh->getNumPolygons());
        }
        std::fprintf(out, ", order %d, opacity %g%s\n", c->interpolatedDrawOrder, c->interpolatedOpacity,
                     c->isAvailable() ? "" : ", not drawn");
    }

    std::vector<int> sequence = drawSequence(context);
    std::fprintf(out, "\ndraw sequence:");
    for (int index : sequence) {
        DrawDataID* id = context.getDrawData(index)->getDrawDataID();
        std::fprintf(out, " %s", id ? id->getName().c_str() : "?");
    }
    std::fprintf(out, "\n");
}

} // namespace

int runInspect(InspectOptions& options)
{
    std::string why;
    if (!parseParamAssignments(options.setTexts, options.sets, why)) {
        std::fprintf(stderr, "tavrix inspect: --set %s\n", why.c_str());
        return EXIT_USAGE;
    }
    const char* modelPath = options.modelPath.c_str();
    int status = 0;
    {
        showRuntimeMessages(options.verbose);
        Tavrix::init();
        {
            ATavrixModel model;
            int result = ATavrixModel::loadModel_exe(&model, LDString(modelPath));
            if (result != ATavrixModel::LOAD_OK) {
                std::fprintf(stderr, "tavrix inspect: %s\n", tavrix_stage::describeLoadFailure(modelPath, result).c_str());
                status = 1;
            } else {
                for (const auto& set : options.sets) model.setParamFloat(set.first.c_str(), set.second, 1.0f);
                model.update();
                int version = model.getModelImpl()->getFormatVersion();
                if (options.json) printJson(stdout, model, version);
                else printSummary(stdout, modelPath, model, version);
            }
        }
        Tavrix::dispose();
    }
    return status;
}

void addInspectCommand(CLI::App& tool, CommandTable& table)
{
    auto options = std::make_shared<InspectOptions>();
    CLI::App* command = tool.add_subcommand("inspect", "model facts and evaluated geometry");
    command->footer(
        "Loads a model, applies each --set in order (weight 1.0), evaluates it once and prints what it finds:\n"
        "canvas, parameters, parts, deformers and meshes with their evaluated points.\n\n"
        "Example:\n  tavrix inspect puppet.moc --set PARAM_ANGLE_X=20 --json > posed.json");
    command->add_option("MODEL", options->modelPath, "the .moc model file")->required();
    addRepeatedOption(command, "--set", options->setTexts, "ID=VALUE",
                      "set parameter ID to VALUE before evaluating (repeatable)");
    command->add_flag("--json", options->json, "print one JSON document instead of the summary");
    command->add_flag("--verbose", options->verbose, "show the runtime's own diagnostics on standard error");
    table.add(command, [options] { return runInspect(*options); });
}

} // namespace tavrix_tool
