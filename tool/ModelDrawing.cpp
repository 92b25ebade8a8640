#include "ModelDrawing.h"

#include <cstdio>
#include <vector>

#include "TextValues.h"

namespace tavrix_tool {

using namespace tavrix_media;

std::unique_ptr<tavrix_stage::Puppet> startModelDrawing(tavrix_stage::Stage& stage,
                                                        const tavrix_stage::ModelFiles& files, bool sizeGiven,
                                                        int& width, int& height, const char* command, std::string& why)
{
    if (!stage.open(why)) return nullptr;
    std::vector<std::string> warnings;
    std::unique_ptr<tavrix_stage::Puppet> puppet = tavrix_stage::Puppet::load(stage, files, warnings, why);
    if (!puppet) return nullptr;
    for (const std::string& warning : warnings) std::fprintf(stderr, "tavrix %s: warning: %s\n", command, warning.c_str());
    if (!sizeGiven && !tavrix_media::imageSizeOfCanvas(puppet->canvasWidth(), puppet->canvasHeight(), width, height)) {
        why = files.model + ": the model's canvas has no size; give one with --size";
        return nullptr;
    }
    if (!stage.reserve(width, height, why)) return nullptr;
    return puppet;
}

} // namespace tavrix_tool
