// Eye blink cycle and hair pendulum.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "motion/EyeBlinkMotion.h"
#include "physics/PhysicsHair.h"
#include "SeededRandom.h"
#include "support/AnimationFixture.h"

using namespace tavrix;
using tavrix_test::captureStdout;
using ::testing::HasSubstr;

namespace {

class BlinkTest : public tavrix_test::AnimationTest {
protected:
    void SetUp() override
    {
        AnimationTest::SetUp();
        blinkPtr.reset(new EyeBlinkMotion());
    }
    void TearDown() override
    {
        blinkPtr.reset();
        AnimationTest::TearDown();
    }

    // Both eyes after a setParam at msec; they always agree.
    float eyesAt(int64_t msec)
    {
        setTime(msec);
        blinkPtr->setParam(model.get());
        float left = param("PARAM_EYE_L_OPEN");
        EXPECT_EQ(left, param("PARAM_EYE_R_OPEN"));
        return left;
    }

    std::unique_ptr<EyeBlinkMotion> blinkPtr;
};

TEST_F(BlinkTest, FirstCallOpensTheEyesAndSchedulesABlink)
{
    for (unsigned seed : {1u, 7u, 12345u}) {
        std::srand(seed);
        EyeBlinkMotion fresh;
        setTime(1000);
        fresh.setParam(model.get());
        EXPECT_EQ(param("PARAM_EYE_L_OPEN"), 1.0f);
        EXPECT_EQ(fresh.getEyeState(), EyeBlinkMotion::STATE_INTERVAL);
        EXPECT_GE(fresh.getNextBlinkTime(), 1000);
        EXPECT_LE(fresh.getNextBlinkTime(), 1000 + 7999);
        // Seeded, the schedule repeats.
        std::srand(seed);
        EXPECT_EQ(fresh.calcNextBlink(), fresh.getNextBlinkTime());
    }
}

TEST_F(BlinkTest, OneBlinkClosesAndOpensIn300Milliseconds)
{
    std::srand(3);
    eyesAt(0);
    int64_t start = blinkPtr->getNextBlinkTime() + 1; // the first time past the scheduled one
    EXPECT_EQ(eyesAt(start - 1), 1.0f);
    EXPECT_EQ(eyesAt(start), 1.0f);
    EXPECT_EQ(blinkPtr->getEyeState(), EyeBlinkMotion::STATE_CLOSING);
    EXPECT_EQ(eyesAt(start + 50), 0.5f);
    EXPECT_EQ(eyesAt(start + 100), 0.0f);
    EXPECT_EQ(blinkPtr->getEyeState(), EyeBlinkMotion::STATE_CLOSED);
    EXPECT_EQ(eyesAt(start + 150), 0.0f);
    EXPECT_EQ(blinkPtr->getEyeState(), EyeBlinkMotion::STATE_OPENING);
    EXPECT_EQ(eyesAt(start + 225), 0.5f);
    EXPECT_EQ(eyesAt(start + 300), 1.0f);
    EXPECT_EQ(blinkPtr->getEyeState(), EyeBlinkMotion::STATE_INTERVAL);
    EXPECT_GE(blinkPtr->getNextBlinkTime(), start + 300);
}

TEST_F(BlinkTest, NegatedEyesAndPhasesWithoutLength)
{
    std::srand(5);
    blinkPtr->setCloseIfZero(false);
    blinkPtr->setEyeMotion(0, 0, 0);
    EXPECT_EQ(eyesAt(0), -1.0f);
    int64_t start = blinkPtr->getNextBlinkTime() + 1;
    eyesAt(start);
    // A phase of no length is over at once: never a NaN.
    EXPECT_EQ(eyesAt(start), -0.0f);
    EXPECT_EQ(eyesAt(start), -0.0f);
    EXPECT_EQ(eyesAt(start), -1.0f);
}

class HairTest : public tavrix_test::AnimationTest {
protected:
    void SetUp() override
    {
        AnimationTest::SetUp();
        hair.reset(new PhysicsHair());
    }
    void TearDown() override
    {
        hair.reset();
        AnimationTest::TearDown();
    }
    void step(int64_t msec)
    {
        setTime(msec);
        hair->update(model.get(), msec);
    }

    std::unique_ptr<PhysicsHair> hair;
};

TEST_F(HairTest, FirstUpdateOnlyRecordsAndRepeatedTimeRewritesTargets)
{
    hair->addTargetParam(PhysicsHair::TARGET_FROM_ANGLE, "HAIR_ANGLE", 1.0f, 1.0f);
    hair->addSrcParam(PhysicsHair::SRC_TO_X, "PARAM_A", 0.1f, 1.0f);
    model->setParamFloat("PARAM_A", 1.0f);
    int rows = model->getModelContext()->getParamCount();
    step(0); // time 0 is a real first update
    EXPECT_EQ(hair->getPhysicsPoint1().x, 0.0f);
    EXPECT_EQ(model->getModelContext()->getParamCount(), rows); // no target written

    step(33);
    EXPECT_FLOAT_EQ(hair->getPhysicsPoint1().x, 0.1f);
    float angle = hair->getAngleP1toP2Deg();
    EXPECT_NE(angle, 0.0f);
    EXPECT_EQ(param("HAIR_ANGLE"), angle);
    model->setParamFloat("HAIR_ANGLE", 5.0f);
    step(33); // no time passed: no simulation, targets written again
    EXPECT_EQ(hair->getAngleP1toP2Deg(), angle);
    EXPECT_EQ(param("HAIR_ANGLE"), angle);
}

TEST_F(HairTest, RestingHairStaysAtRest)
{
    for (int frame = 0; frame <= 60; ++frame) step(frame * 33);
    EXPECT_NEAR(hair->getAngleP1toP2Deg(), 0.0f, 1e-3f);
    EXPECT_NEAR(hair->getPhysicsPoint2().y, 0.3f, 1e-6f);
    EXPECT_NEAR(hair->getPhysicsPoint2().x, 0.0f, 1e-6f);
}

TEST_F(HairTest, GravitySourceSetsTheAngle)
{
    hair->addSrcParam(PhysicsHair::SRC_TO_G_ANGLE, "PARAM_B", 3.0f, 1.0f);
    model->setParamFloat("PARAM_B", 7.0f);
    step(0);
    step(20);
    EXPECT_EQ(hair->getGravityAngleDeg(), 21.0f);
}

TEST_F(HairTest, BadSetUpIsRefusedAndNothingTurnsNaN)
{
    std::unique_ptr<PhysicsHair> refused;
    std::string out = captureStdout([&] { refused.reset(new PhysicsHair(0.0f, 0.5f, -1.0f)); });
    EXPECT_THAT(out, HasSubstr("hair length must be above 0"));
    EXPECT_THAT(out, HasSubstr("hair mass must be above 0"));
    EXPECT_EQ(refused->getBaseLengthM(), 0.3f);
    EXPECT_EQ(refused->getPhysicsPoint2().mass, 0.1f);
    EXPECT_EQ(refused->getPhysicsPoint2().y, 0.3f);
    refused->setup(0.5f, 0.2f, 0.2f);
    captureStdout([&] { refused->setup(NAN, 0.2f, 0.0f); });
    EXPECT_EQ(refused->getBaseLengthM(), 0.5f);
    EXPECT_EQ(refused->getPhysicsPoint1().mass, 0.2f);

    // The root moved onto the hanging point, with gravity across the strand
    // too weak to move it: the points meet, and the hanging point stays.
    step(0);
    PhysicsPoint& root = hair->getPhysicsPoint1();
    root.x = root.lastX = 0.0f;
    root.y = root.lastY = 0.3f;
    hair->setGravityAngleDeg(90.0f);
    step(16);
    EXPECT_TRUE(std::isfinite(hair->getAngleP1toP2Deg()));
    EXPECT_TRUE(std::isfinite(hair->getAngleP1toP2Deg_velocity()));
    EXPECT_EQ(hair->getPhysicsPoint2().y, 0.3f);
    step(32);
    EXPECT_TRUE(std::isfinite(hair->getPhysicsPoint2().x));
    EXPECT_TRUE(std::isfinite(hair->getPhysicsPoint2().y));
}

} // namespace

// A blink seed blinks alike on every platform: the playback's own generator
// gives glibc's rand() numbers (this test runs on glibc) without touching
// the C library's state.
TEST(SeededRandomTest, GivesTheNumbersOfTheCLibrarysRandForTheSameSeed)
{
    for (unsigned seed : {0u, 1u, 7u, 12345u, 2147483648u, 4294967295u}) {
        tavrix_stage::SeededRandom generator(seed);
        std::srand(seed);
        for (int i = 0; i < 2000; ++i) ASSERT_EQ(generator.next(), std::rand()) << "seed " << seed << ", draw " << i;
    }
}
