// Options of the commands whose frames go to PNG files or a video clip.
#pragma once

#include <CLI/CLI.hpp>

#include "FrameOutput.h"

namespace tavrix_tool {

// --background, --crf, --bitrate and (for commands that draw) --dry-run,
// filling settings.
void addOutputOptions(CLI::App* command, tavrix_media::OutputSettings& settings, bool withDryRun = true);

} // namespace tavrix_tool
