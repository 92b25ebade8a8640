// The start every drawing command shares: a stage opened and the model's
// puppet loaded onto it, at the size the command asked for, or at the
// canvas size when it asked for none.
#pragma once

#include <CLI/CLI.hpp>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ModelFiles.h"
#include "Puppet.h"
#include "Stage.h"

namespace tavrix_tool {

// With sizeGiven the pictures are width x height; otherwise width and height
// receive the canvas size (at most LARGEST_DEFAULT_SIDE a side). Texture
// warnings go to standard error as "tavrix COMMAND: warning: ...". Null
// with the reason (a load failure worded with the runtime's message).
std::unique_ptr<tavrix_stage::Puppet> startModelDrawing(tavrix_stage::Stage& stage,
                                                        const tavrix_stage::ModelFiles& files, bool sizeGiven,
                                                        int& width, int& height, const char* command, std::string& why);

// Warns on standard error ("tavrix COMMAND: warning: ...") about each --set
// of a parameter the puppet does not define (it is set all the same: keys
// may name such parameters).
void warnAboutUnknownParams(const tavrix_stage::Puppet& puppet, const std::vector<std::pair<std::string, float>>& sets,
                            const char* command);

// --place X,Y[,SCALE] into text, parsed by tavrix_media::parsePlacement.
void addPlaceOption(CLI::App* command, std::string& text);

} // namespace tavrix_tool
