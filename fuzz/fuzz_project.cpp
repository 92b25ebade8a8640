// Projects of tavrix render: the project parser, from the document's text
// to a checked project (PNG layer sources named in it are read from disk
// relative to a folder that does not exist, so they are refused as missing).
#include <string>

#include "FuzzTarget.h"
#include "ProjectFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > tavrix_fuzz::LARGEST_INPUT) return 0;
    const std::string text(reinterpret_cast<const char*>(data), size);
    tavrix_project::Project project;
    std::string error;
    const bool accepted =
        tavrix_project::ProjectFile::parse(text, "/nonexistent-tavrix-fuzz/project.json", project, error);
    tavrix_fuzz::require(accepted == error.empty(), "a project is refused with a message, and only then");
    if (accepted) {
        tavrix_fuzz::require(project.width > 0 && project.width <= tavrix_project::ProjectFile::MAX_SIDE &&
                                 project.height > 0 && project.height <= tavrix_project::ProjectFile::MAX_SIDE,
                             "an accepted composition has a size within the limits");
    }
    return 0;
}
