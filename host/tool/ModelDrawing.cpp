#include "ModelDrawing.h"

#include <cstdio>
#include <vector>

#include "CommandOptions.h"
#include "TavrixModelOpenGL.h"
#include "id/ParamID.h"
#include "model/ModelImpl.h"
#include "param/ParamDefFloat.h"
#include "param/ParamDefSet.h"

namespace tavrix_tool {

bool startModelDrawing(OffscreenDrawing& drawing, const ModelFiles& files, bool sizeGiven, int& width, int& height,
                       RuntimeOutput& output, const char* command, std::string& why)
{
    if (!drawing.start(why)) return false;
    std::vector<std::string> warnings;
    int loadResult = 0;
    // Without a size the aspect is not known before the canvas is; setSize
    // projects the model again once it is.
    if (!drawing.load(files.paths(), sizeGiven ? width : 1, sizeGiven ? height : 1, warnings, loadResult)) {
        why = describeLoadFailure(files.model, loadResult, output);
        return false;
    }
    for (const std::string& warning : warnings) std::fprintf(stderr, "tavrix %s: warning: %s\n", command, warning.c_str());
    const tavrix::TavrixModelOpenGL& model = *drawing.getModel();
    if (!sizeGiven && !imageSizeOfCanvas(model.getCanvasWidth(), model.getCanvasHeight(), width, height)) {
        why = files.model + ": the model's canvas has no size; give one with --size";
        return false;
    }
    return drawing.setSize(width, height, why);
}

bool findModelParam(tavrix::ATavrixModel& model, const std::string& id, int& row, float& min, float& max)
{
    tavrix::ParamDefSet* set = model.getModelImpl()->getParamDefSet();
    const tavrix::LDVector<tavrix::ParamDefFloat*>* defs = set ? set->getParamDefFloatList() : nullptr;
    for (int i = 0; defs && i < defs->size(); ++i) {
        tavrix::ParamDefFloat* def = (*defs)[i];
        if (!def || !def->getParamID() || id != def->getParamID()->toChar()) continue;
        row = model.getParamIndex(def->getParamID());
        min = def->getMinValue();
        max = def->getMaxValue();
        return row >= 0;
    }
    return false;
}

} // namespace tavrix_tool
