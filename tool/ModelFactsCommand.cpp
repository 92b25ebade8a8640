#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ATavrixModel.h"
#include "TextValues.h"
#include "CommandTable.h"
#include "ModelFacts.h"
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
using tavrix_stage::collectDeformers;
using tavrix_stage::DeformerFacts;
using tavrix_stage::drawSequence;
using tavrix_stage::paramDefaults;

namespace {

struct InspectOptions {
    std::string modelPath;
    std::vector<std::string> setTexts;
    std::vector<std::pair<std::string, float>> sets;
    bool json = false;
    bool verbose = false;
};

const char* idText(BaseDataID* id) { return id ? id->toChar() : nullptr; }

void printSummary(FILE* out, const char* path, ATavrixModel& model, int formatVersion)
{
    ModelImpl* impl = model.getModelImpl();
    ModelContext& context = *model.getModelContext();
    std::fprintf(out, "model    %s (format version %d)\n", path, formatVersion);
    std::fprintf(out, "canvas   %g x %g\n", model.getCanvasWidth(), model.getCanvasHeight());

    std::fprintf(out, "\nparameters (%d)\n", context.getParamCount());
    const std::vector<float> defaults = paramDefaults(model);
    for (int i = 0; i < context.getParamCount(); ++i) {
        ParamID* id = context.getParamID(i);
        std::fprintf(out, "  %-28s %10g  [%g .. %g]  default %g\n", id ? id->toChar() : "", context.getParamFloat(i),
                     context.getParamMin(i), context.getParamMax(i), defaults[static_cast<size_t>(i)]);
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
                if (options.json) {
                    std::fputs(tavrix_stage::modelFactsJson(model).c_str(), stdout);
                } else {
                    printSummary(stdout, modelPath, model, model.getModelImpl()->getFormatVersion());
                }
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
