#include "RenderResources.h"

namespace tavrix_frei0r {

tavrix_stage::Stage* RenderResources::stage(std::string& why)
{
    if (!tried) {
        tried = true;
        auto opened = std::make_unique<tavrix_stage::Stage>();
        if (opened->open(failure)) openStage = std::move(opened);
    }
    if (!openStage) why = failure;
    return openStage.get();
}

} // namespace tavrix_frei0r
