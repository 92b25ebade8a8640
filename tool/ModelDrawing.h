// The start every drawing command shares: a stage opened and the model's
// puppet loaded onto it, at the size the command asked for, or at the
// canvas size when it asked for none.
#pragma once

#include <memory>
#include <string>

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

} // namespace tavrix_tool
