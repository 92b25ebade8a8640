// Model JSON files ({"model": ..., "textures": [...]}) as the tool reads
// them: every accepted file names a model, and only refusals carry a reason.
#include <string>

#include "FuzzTarget.h"
#include "ModelFiles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > tavrix_fuzz::LARGEST_INPUT) return 0;
    const std::string text(reinterpret_cast<const char*>(data), size);
    tavrix_stage::ModelFiles files;
    std::string why;
    if (tavrix_stage::parseModelJson(text, "models/puppet.json", files, why)) {
        tavrix_fuzz::require(why.empty() && !files.model.empty(),
                             "an accepted model JSON file names a model file");
        tavrix_fuzz::require(files.paths().size() == files.textures.size() + 1, "the model comes before its textures");
    } else {
        tavrix_fuzz::require(why.rfind("models/puppet.json: ", 0) == 0, "a refusal names the file");
    }
    return 0;
}
