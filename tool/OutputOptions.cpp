#include "OutputOptions.h"

namespace tavrix_tool {

using namespace tavrix_media;

void addOutputOptions(CLI::App* command, OutputSettings& settings, bool withDryRun)
{
    command->add_option("--background", settings.background,
                        "lay the frames over COLOR: #rrggbb, #rrggbbaa, black, white (default: none, the alpha is "
                        "kept; .mp4 has no alpha and uses black)")
        ->type_name("COLOR");
    command->add_option("--crf", settings.crf,
                        "video quality, lower is better: H.264 0-51 (default 15), VP9 0-63 (default 19); "
                        "not for ProRes")
        ->type_name("N")
        ->check(CLI::NonNegativeNumber);
    command->add_option("--bitrate", settings.bitrate,
                        "video bit rate such as 800k or 8M: the target, or with --crf its ceiling; not for ProRes")
        ->type_name("RATE");
    if (!withDryRun) return;
    command->add_flag("--dry-run", settings.dryRun,
                      "make and draw every frame as usual but write nothing; the summary gives the frames per second");
}

} // namespace tavrix_tool
