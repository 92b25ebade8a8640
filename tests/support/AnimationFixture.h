// A bare model with hand-made parameter rows for the animation suites.
#pragma once

#include <memory>

#include "ATavrixModel.h"
#include "ModelContext.h"
#include "id/ParamID.h"
#include "support/RuntimeFixture.h"
#include "util/UtSystem.h"

namespace tavrix_test {

// Rows: PARAM_A 0..1 (at 0), PARAM_B -10..10 (at 0). The user clock starts
// at 0 and is reset afterwards.
class AnimationTest : public RuntimeTest {
protected:
    void SetUp() override
    {
        RuntimeTest::SetUp();
        model.reset(new tavrix::ATavrixModel());
        tavrix::ModelContext* context = model->getModelContext();
        context->addFloatParam(tavrix::ParamID::getID("PARAM_A"), 0.0f, 0.0f, 1.0f);
        context->addFloatParam(tavrix::ParamID::getID("PARAM_B"), 0.0f, -10.0f, 10.0f);
        setTime(0);
    }
    void TearDown() override
    {
        model.reset();
        tavrix::UtSystem::resetUserTimeMSec();
        RuntimeTest::TearDown();
    }

    static void setTime(int64_t msec) { tavrix::UtSystem::setUserTimeMSec(msec); }
    float param(const char* id) { return model->getParamFloat(id); }

    std::unique_ptr<tavrix::ATavrixModel> model;
};

} // namespace tavrix_test
