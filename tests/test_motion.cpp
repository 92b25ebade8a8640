// Text motions (parsing and playback) and the motion queue with its fades.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <string>

#include "Tavrix.h"
#include "motion/AMotion.h"
#include "motion/Motion.h"
#include "motion/MotionQueueEnt.h"
#include "motion/MotionQueueManager.h"
#include "motion/TavrixMotion.h"
#include "support/AnimationFixture.h"
#include "type/LDString.h"
#include "util/UtMotion.h"

using namespace tavrix;
using tavrix_test::captureStdout;
using ::testing::StartsWith;

namespace {

TavrixMotion* parse(const std::string& text)
{
    return TavrixMotion::loadMotion(text.data(), static_cast<int>(text.size()));
}

std::vector<float> valuesOf(const Motion* curve)
{
    return std::vector<float>(curve->getValues().begin(), curve->getValues().end());
}

// A motion without motion-level fades.
TavrixMotion* unfaded(const std::string& text)
{
    TavrixMotion* motion = parse(text);
    motion->setFadeIn(0);
    motion->setFadeOut(0);
    return motion;
}

// A motion that never ends by itself (looping, without restarting its fade).
TavrixMotion* openEnded(TavrixMotion* motion)
{
    motion->setLoop(true);
    motion->setLoopFadeIn(false);
    return motion;
}

class MotionTest : public tavrix_test::AnimationTest {
protected:
    void SetUp() override
    {
        AnimationTest::SetUp();
        queuePtr.reset(new MotionQueueManager());
    }
    void TearDown() override
    {
        queuePtr.reset();
        AnimationTest::TearDown();
    }

    // Plays text from time 0 and returns the queue entry's number.
    int play(AMotion* motion)
    {
        setTime(0);
        return queue().startMotion(motion, true);
    }
    float at(int64_t msec, const char* id)
    {
        setTime(msec);
        queue().updateParam(model.get());
        return param(id);
    }
    std::unique_ptr<MotionQueueManager> queuePtr;
    MotionQueueManager& queue() { return *queuePtr; }
};

TEST_F(MotionTest, SettingLines)
{
    struct Case {
        const char* text;
        float fps;
        int fadeIn;
        int fadeOut;
    } cases[] = {
        {"$fps=60", 60.0f, 1000, 1000},
        {"$fps=5", 30.0f, 1000, 1000},
        {"$fps=121", 30.0f, 1000, 1000},
        {"$fps=24 30, 120.5", 120.5f, 1000, 1000}, // the last number wins
        {"$fps = 60", 30.0f, 1000, 1000},          // '=' not right after the name
        {"$fadein=250\n$fadeout=0", 30.0f, 250, 0},
        {"$fadein=-5", 30.0f, 1000, 1000},
        {"$fadein", 30.0f, 1000, 1000},
        {"$fadein=", 30.0f, 1000, 1000},           // no number reads as -1
        {"$fadeout=99999999999", 30.0f, 1000, INT_MAX},
    };
    for (const Case& c : cases) {
        TavrixMotion* motion = parse(c.text);
        EXPECT_EQ(motion->getFPS(), c.fps) << c.text;
        EXPECT_EQ(motion->getFadeIn(), c.fadeIn) << c.text;
        EXPECT_EQ(motion->getFadeOut(), c.fadeOut) << c.text;
        delete motion;
    }
}

TEST_F(MotionTest, CurveLines)
{
    TavrixMotion* motion = parse(
        "# comment PARAM_X=9\n"
        "PARAM_A=0,1,2\r\n"
        "PARAM_B=0 1\t2\n"
        "PARAM_C =1\n"
        "VISIBLE:PARTS_01=1,0\n"
        "LAYOUT:ANCHOR_Y=1\nLAYOUT:SCALE_X=1\nLAYOUT:X=1\nLAYOUT:Y=1\nLAYOUT:Z=1\n"
        "  12 PARAM_D=-1.5,.25,-\n"
        "PARAM_E=1e3,x2\n"
        "PARAM_F=\n"
        "PARAM_G\n");
    struct Expected {
        const char* name;
        int type;
        std::vector<float> values;
    } expected[] = {
        {"PARAM_A", 0, {0, 1, 2}},
        {"PARAM_B", 0, {0, 1, 2}},
        {"PARAM_C ", 0, {1}},
        {"VISIBLE:PARTS_01", 1, {1, 0}},
        {"ANCHOR_Y", 103, {1}},
        {"SCALE_X", 104, {1}},
        {"X", 100, {1}},
        {"Y", 101, {1}},
        {"Z", 0, {1}},
        {"PARAM_D", 0, {-1.5f, 0.25f, -0.0f}},
        {"PARAM_E", 0, {1, 3, 2}}, // no exponents: 'e' and 'x' are skipped
        {"PARAM_F", 0, {}},
    };
    ASSERT_EQ(motion->getMotionCount(), 12);
    for (int i = 0; i < 12; ++i) {
        Motion* curve = motion->getMotion(i);
        EXPECT_STREQ(curve->getParamIDStr()->c_str(), expected[i].name);
        EXPECT_EQ(curve->getMotionType(), expected[i].type) << expected[i].name;
        EXPECT_EQ(valuesOf(curve), expected[i].values) << expected[i].name;
    }
    EXPECT_EQ(motion->getMaxLength(), 3);
    EXPECT_EQ(motion->getLoopDurationMSec(), 100);
    delete motion;
}

TEST_F(MotionTest, PerCurveFadesStandBeforeOrAfterTheirCurve)
{
    TavrixMotion* motion = parse(
        "$fadein:PARAM_A=500\n"
        "$fadein:PARAM_A=700\n"
        "PARAM_A=0\n"
        "PARAM_B=0\n"
        "$fadeout:PARAM_B=-3\n"
        "$fadein:MISSING=1\n");
    EXPECT_EQ(motion->getParamFadeIn("PARAM_A"), 700);
    EXPECT_EQ(motion->getParamFadeOut("PARAM_A"), -1);
    EXPECT_EQ(motion->getParamFadeOut("PARAM_B"), -3);
    EXPECT_EQ(motion->getParamFadeIn("MISSING"), -1);
    EXPECT_EQ(motion->getFadeIn(), 1000);
    delete motion;
}

TEST_F(MotionTest, UnreadableFileRecordsError1001)
{
    Tavrix::getError();
    EXPECT_EQ(TavrixMotion::loadMotion(LDString("/nonexistent/a.mtn")), nullptr);
    EXPECT_EQ(Tavrix::getError(), 1001u);
}

TEST_F(MotionTest, DumpListsCurvesWithTheirFirstTenValues)
{
    TavrixMotion* motion = parse("PARAM_A=0,1,2,3,4,5,6,7,8,9,10,11\nPARAM_B=0.5\n");
    EXPECT_EQ(captureStdout([&] { motion->dump(); }),
              "paramID[PARAM_A] [12]->  0.00 , 1.00 , 2.00 , 3.00 , 4.00 , 5.00 , 6.00 , 7.00 , 8.00 , 9.00 ,\n"
              "paramID[PARAM_B] [1]->  0.50 ,\n");
    delete motion;
}

TEST_F(MotionTest, PlaybackInterpolatesButHoldsJumps)
{
    // At 30 fps, 50 ms is frame 1.5.
    play(unfaded("PARAM_A=0,0,0.3\nPARAM_B=0,0,9,9\nVISIBLE:PARTS_01=0,0,1,1\nEMPTY=\n"));
    EXPECT_EQ(at(0, "PARAM_A"), 0.0f);
    setTime(50);
    queue().updateParam(model.get());
    EXPECT_FLOAT_EQ(param("PARAM_A"), 0.15f); // 0.3 is within 0.4 of the range 0..1
    EXPECT_EQ(param("PARAM_B"), 0.0f);        // 9 is beyond 0.4 of the range -10..10
    EXPECT_EQ(param("VISIBLE:PARTS_01"), 0.0f);
    EXPECT_EQ(at(70, "PARAM_B"), 9.0f);
    EXPECT_EQ(param("VISIBLE:PARTS_01"), 1.0f);
}

TEST_F(MotionTest, FinishesAtTheEndUnlessLooping)
{
    int no = play(unfaded("PARAM_B=1,2,3\n"));
    EXPECT_EQ(at(0, "PARAM_B"), 1.0f); // the first update starts the clock
    EXPECT_EQ(at(90, "PARAM_B"), 3.0f);
    EXPECT_FALSE(queue().isFinished(no));
    EXPECT_EQ(at(1000, "PARAM_B"), 3.0f); // holds the last value
    EXPECT_TRUE(queue().isFinished(no));
    EXPECT_EQ(queue().getQueueSize(), 0);

    TavrixMotion* looping = unfaded("PARAM_B=1,2,3\n");
    looping->setLoop(true);
    no = play(looping);
    EXPECT_EQ(looping->getDurationMSec(), -1);
    at(0, "PARAM_B");
    EXPECT_EQ(at(100, "PARAM_B"), 3.0f); // frame 3: restarts from here
    EXPECT_EQ(queue().getMotionQueueEnt(no)->getStartTimeMSec(), 100);
    EXPECT_EQ(at(133, "PARAM_B"), 1.0f + 0.99f); // frame 0.99 of the new round
    EXPECT_FALSE(queue().isFinished(no));
}

TEST_F(MotionTest, CurveFadesOverrideTheMotionFade)
{
    // The motion fades in over 1000 ms; PARAM_A has no fade-in of its own
    // and PARAM_B one of 200 ms.
    TavrixMotion* motion = openEnded(parse("$fadein:PARAM_B=200\nPARAM_A=1\nPARAM_B=10\n"));
    play(motion);
    at(0, "PARAM_A");
    setTime(100);
    queue().updateParam(model.get());
    float halfway = UtMotion::getEasingSine(0.5f);
    EXPECT_FLOAT_EQ(param("PARAM_B"), 10.0f * halfway);
    EXPECT_FLOAT_EQ(param("PARAM_A"), UtMotion::getEasingSine(0.1f));
    EXPECT_EQ(at(200, "PARAM_B"), 10.0f);
}

TEST_F(MotionTest, EasingFunctions)
{
    EXPECT_EQ(UtMotion::getEasingSine(0.5f), 0.5f - 0.5f * std::cos(1.57075f));
    EXPECT_NE(UtMotion::getEasingSine(0.5f), 0.5f);
    EXPECT_EQ(UtMotion::getEasingSine(-1.0f), 0.0f);
    EXPECT_EQ(UtMotion::getEasingSine(2.0f), 1.0f);

    EXPECT_EQ(AMotion::getEasing(5.0f, 0.0f, 0.0f), 1.0f);
    EXPECT_EQ(AMotion::getEasing(0.0f, 10.0f, 2.0f), 0.0f);
    EXPECT_EQ(AMotion::getEasing(10.0f, 10.0f, 2.0f), 1.0f);
    float mid = AMotion::getEasing(5.0f, 10.0f, 2.0f);
    EXPECT_GT(mid, 0.0f);
    EXPECT_LT(mid, 1.0f);
}

TEST_F(MotionTest, NewMotionFadesOutTheOthersWithoutPostponing)
{
    TavrixMotion* first = openEnded(unfaded("PARAM_A=1\n"));
    first->setFadeOut(500);
    int firstNo = play(first);
    at(0, "PARAM_A");

    setTime(100);
    EXPECT_EQ(queue().startMotion(nullptr, true), -1); // still fades out the rest
    MotionQueueEnt* entry = queue().getMotionQueueEnt(firstNo);
    EXPECT_EQ(entry->getEndTimeMSec(), 600);
    setTime(300);
    queue().startMotion(openEnded(unfaded("PARAM_B=1\n")), true);
    EXPECT_EQ(entry->getEndTimeMSec(), 600);

    setTime(350);
    queue().updateParam(model.get());
    EXPECT_FLOAT_EQ(entry->getStateWeight(), UtMotion::getEasingSine(0.5f));
    at(601, "PARAM_A");
    EXPECT_TRUE(queue().isFinished(firstNo));
    EXPECT_EQ(queue().getQueueSize(), 1);
}

TEST_F(MotionTest, EndTimeZeroIsARealTime)
{
    int no = play(openEnded(unfaded("PARAM_A=1\n")));
    at(0, "PARAM_A");
    EXPECT_EQ(queue().getMotionQueueEnt(no)->getStateWeight(), 1.0f);
    EXPECT_EQ(queue().getMotionQueueEnt(no)->getEndTimeMSec(), -1);
    at(5000, "PARAM_A");
    EXPECT_FALSE(queue().isFinished(no));

    // Told to end at time 0 (fade-out 0 at time 0), it finishes right after.
    setTime(0);
    queue().getMotionQueueEnt(no)->startFadeout(0);
    at(1, "PARAM_A");
    EXPECT_TRUE(queue().isFinished(no));
}

TEST_F(MotionTest, DebugMessagesAndDump)
{
    queue().setMotionDebugMode(true);
    std::string out = captureStdout([&] {
        int a = play(unfaded("PARAM_A=1\n"));
        int b = queue().startMotion(unfaded("PARAM_A=1\n"), true);
        queue().DUMP();
        setTime(10);
        queue().updateParam(model.get());
        std::printf("a=%d b=%d\n", a, b);
    });
    std::string a = out.substr(out.find("a=") + 2);
    int first = std::stoi(a);
    int second = first + 1;
    auto line = [](const char* format, int x, int y) {
        char text[128];
        std::snprintf(text, sizeof(text), format, x, y);
        return std::string(text);
    };
    std::string expected = line("MotionQueueManager[size:%2d]->startMotion() / TVX_NEW_TMP motion (m%d)\n", 0, first) +
        line("MotionQueueManager[size:%2d]->startMotion() / start fade out (m%d)\n", 1, first) +
        line("MotionQueueManager[size:%2d]->startMotion() / TVX_NEW_TMP motion (m%d)\n", 1, second) +
        "-- MotionQueueManager::Dump --\n" + line("MotionQueueEnt[%d] :: %d\n", 0, first) +
        line("MotionQueueEnt[%d] :: %d\n", 1, second) +
        line("MotionQueueManager[size:%2d]->updateParam() / finish motion (m%d)\n", 1, first);
    EXPECT_THAT(out, StartsWith(expected));
}

} // namespace
