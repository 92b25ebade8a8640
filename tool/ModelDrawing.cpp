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

void warnAboutUnknownParams(const tavrix_stage::Puppet& puppet, const std::vector<std::pair<std::string, float>>& sets,
                            const char* command)
{
    for (const auto& set : sets) {
        if (puppet.findParam(set.first)) continue;
        std::fprintf(stderr, "tavrix %s: warning: --set %s: the model defines no parameter of that name\n", command,
                     set.first.c_str());
    }
}

void addPlaceOption(CLI::App* command, std::string& text)
{
    command
        ->add_option("--place", text,
                     "stand the puppet's anchor (its canvas point half the canvas width across and down) at "
                     "fractions X, Y of the picture, SCALE (default 1) times the size at which the canvas "
                     "fills the width; default: the canvas fills the width from the top")
        ->type_name("X,Y[,SCALE]");
}

} // namespace tavrix_tool
