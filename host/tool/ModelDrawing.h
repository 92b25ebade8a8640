// The start every drawing command shares: the offscreen drawing started and
// a model loaded into it at the size the command asked for, or at the
// canvas size when it asked for none.
#pragma once

#include <string>

#include "ATavrixModel.h"
#include "ModelFiles.h"
#include "OffscreenDrawing.h"
#include "RuntimeOutput.h"

namespace tavrix_tool {

// With sizeGiven the drawing is width x height; otherwise width and height
// receive the canvas size (at most LARGEST_DEFAULT_SIDE a side). Texture
// warnings go to standard error as "tavrix COMMAND: warning: ...". False
// with the reason (a load failure worded with the runtime's message).
bool startModelDrawing(OffscreenDrawing& drawing, const ModelFiles& files, bool sizeGiven, int& width, int& height,
                       RuntimeOutput& output, const char* command, std::string& why);

// The table row and range of a parameter the model defines; false when the
// model defines none of that name.
bool findModelParam(tavrix::ATavrixModel& model, const std::string& id, int& row, float& min, float& max);

} // namespace tavrix_tool
