// The playback library as front ends use it: a frame's parameters do not
// depend on the frames asked for before it, poses stay out of the
// animation, and a stage that could not draw a size draws smaller ones.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "ATavrixModel.h"
#include "DemoModel.h"
#include "ModelContext.h"
#include "Playback.h"
#include "PlaybackSetup.h"
#include "Puppet.h"
#include "Stage.h"
#include "Tavrix.h"
#include "id/ParamID.h"
#include "type/LDString.h"
#include "mocwriter/MocFile.h"
#include "support/Files.h"

using ::testing::HasSubstr;

namespace {

std::vector<float> paramValues(tavrix::ATavrixModel& model)
{
    std::vector<float> values;
    for (int row = 0; row < model.getModelContext()->getParamCount(); ++row) values.push_back(model.getParamFloat(row));
    return values;
}

class StageTest : public ::testing::Test {
protected:
    void SetUp() override { path = tavrix_test::writeFile(scratch / "demo.moc", mocwriter::MocFile::build(tavrix_demo::demoModel())); }

    // The demo model waving with blinking eyes and swinging hair: every part
    // of a playback that carries state from frame to frame.
    std::unique_ptr<tavrix_stage::Playback> animate(tavrix::ATavrixModel& model)
    {
        tavrix_stage::PlaybackSetup setup;
        setup.motions.push_back({std::string(EXAMPLE_MOTIONS) + "/demo_wave.mtn", 0.0});
        setup.blink = true;
        setup.blinkSeed = 7;
        std::string why;
        EXPECT_TRUE(tavrix_stage::readPhysicsFile(std::string(EXAMPLE_MOTIONS) + "/demo_hair.json", setup.hairs, why))
            << why;
        setup.holds.push_back({"PARAM_ANGLE_Z", 12.0f});
        std::unique_ptr<tavrix_stage::Playback> playback = tavrix_stage::makePlayback(model, 30, setup, path, why);
        EXPECT_TRUE(playback) << why;
        return playback;
    }

    // Runs with the runtime started, so that everything it made is gone
    // before the runtime stops.
    void expectSeekingGivesTheForwardFrames();

    tavrix_test::ScratchFolder scratch{"stage"};
    std::string path;
};

TEST_F(StageTest, AFramesParametersDoNotDependOnTheFramesAskedBefore)
{
    tavrix::Tavrix::init();
    expectSeekingGivesTheForwardFrames();
    tavrix::Tavrix::dispose();
}

void StageTest::expectSeekingGivesTheForwardFrames()
{
    tavrix::ATavrixModel forwardModel;
    tavrix::ATavrixModel seekingModel;
    ASSERT_EQ(tavrix::ATavrixModel::loadModel_exe(&forwardModel, tavrix::LDString(path.c_str())), 0);
    ASSERT_EQ(tavrix::ATavrixModel::loadModel_exe(&seekingModel, tavrix::LDString(path.c_str())), 0);
    std::unique_ptr<tavrix_stage::Playback> forward = animate(forwardModel);
    std::unique_ptr<tavrix_stage::Playback> seeking = animate(seekingModel);
    std::vector<std::vector<float>> frames;
    for (int frame = 0; frame <= 60; ++frame) {
        forward->advanceTo(frame);
        frames.push_back(paramValues(forwardModel));
    }
    // Back and forth, repeated, and a pose (a slider) that must not leak
    // into later frames.
    const int row = seekingModel.getParamIndex(tavrix::ParamID::getID("PARAM_ANGLE_X"));
    for (int frame : {45, 10, 10, 60, 0, 33, 34, 20}) {
        seeking->setPose(row, 25.0f);
        seeking->advanceTo(frame);
        EXPECT_EQ(seekingModel.getParamFloat(row), 25.0f);
        seeking->clearPoses();
        seeking->advanceTo(frame);
        EXPECT_EQ(paramValues(seekingModel), frames[frame]) << "frame " << frame;
    }
}

TEST_F(StageTest, ASizeOpenGlRefusesLeavesSmallerSizesDrawable)
{
    tavrix_stage::Stage stage;
    std::string why;
    ASSERT_TRUE(stage.open(why)) << why;
    tavrix_stage::ModelFiles files;
    files.model = path;
    std::vector<std::string> warnings;
    std::unique_ptr<tavrix_stage::Puppet> puppet = tavrix_stage::Puppet::load(stage, files, warnings, why);
    ASSERT_TRUE(puppet) << why;
    puppet->update();
    tavrix_media::RgbaImage image;
    // Mesa's software renderer draws at most 16384 pixels a side; the size
    // after is no larger either way.
    if (!stage.draw(*puppet, 64, 30000, image, why)) {
        EXPECT_THAT(why, HasSubstr("OpenGL draws at most"));
    }
    EXPECT_TRUE(stage.draw(*puppet, 64, 48, image, why)) << why;
    EXPECT_EQ(image.width, 64u);
    puppet.reset();
}

} // namespace
