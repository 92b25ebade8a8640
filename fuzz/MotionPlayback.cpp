#include "MotionPlayback.h"

#include <cstdint>
#include <vector>

#include "ATavrixModel.h"
#include "DemoModel.h"
#include "ModelContext.h"
#include "id/ParamID.h"
#include "motion/MotionQueueManager.h"
#include "util/UtSystem.h"

namespace tavrix_fuzz {

namespace {

const std::vector<mocwriter::MocModel::Param>& demoParams()
{
    static const std::vector<mocwriter::MocModel::Param> params = tavrix_demo::demoModel().params;
    return params;
}

// Clock times from the start: the first frames, then steps out to past the
// end of a long motion, where fades finish and loops restart.
const int64_t TIMES_MSEC[] = {0, 1, 16, 33, 100, 250, 500, 1000, 1999, 3000, 5000, 10000, 60000, 3600000};

void play(tavrix::ATavrixModel& model, tavrix::AMotion& motion)
{
    tavrix::MotionQueueManager queue;
    tavrix::UtSystem::setUserTimeMSec(0);
    queue.startMotion(&motion, false);
    for (int64_t time : TIMES_MSEC) {
        tavrix::UtSystem::setUserTimeMSec(time);
        queue.updateParam(&model);
        model.update();
    }
}

} // namespace

void addSmallModelParams(tavrix::ATavrixModel& model)
{
    tavrix::ModelContext* context = model.getModelContext();
    for (const auto& param : demoParams()) {
        context->addFloatParam(tavrix::ParamID::getID(param.id.c_str()), param.defaultValue, param.minValue,
                               param.maxValue);
    }
}

void playOnSmallModel(tavrix::AMotion& motion)
{
    tavrix::ATavrixModel model;
    addSmallModelParams(model);
    play(model, motion);
    // Restarting plays it again from its first frame.
    play(model, motion);
    tavrix::UtSystem::resetUserTimeMSec();
}

} // namespace tavrix_fuzz
