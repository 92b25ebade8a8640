// Angle helpers and the affine matrix: transform loops,
// factorisation round trip and interpolation.
#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include <cmath>
#include <random>

#include "support/RuntimeFixture.h"
#include "type/LDAffineTransform.h"
#include "util/UtMath.h"

using namespace tavrix;
using tavrix_test::captureStdout;
using ::testing::NanSensitiveFloatNear;
using ::testing::Pointwise;
using ::testing::Each;

namespace {

const double PI = 3.141592653589793;

class AffineTest : public tavrix_test::RuntimeTest {};

TEST(AngleMath, SignedAnglesAndWrap)
{
    float p[2] = {0, -10}, q[2] = {5, -5};
    EXPECT_NEAR(UtMath::getAngleNotAbs(p, q), -PI / 4, 1e-12);
    float left[2] = {-1, 0}, right[2] = {1, 0};
    EXPECT_DOUBLE_EQ(UtMath::getAngleNotAbs(left, right), PI);
    EXPECT_DOUBLE_EQ(UtMath::getAngleDiff(3, -3), 6 - 2 * PI);
    EXPECT_DOUBLE_EQ(UtMath::getAngleDiff(-3, 3), 2 * PI - 6);
    EXPECT_DOUBLE_EQ(UtMath::getAngleDiff(PI, 0), PI);
    EXPECT_DOUBLE_EQ(UtMath::getAngleDiff(-PI, 0), -PI);
    EXPECT_DOUBLE_EQ(UtMath::fsin(PI / 2), 1.0);
}

// Each kind of matrix (identity, translation, scale, swap, general, with and
// without translation) has a loop of its own; each must give the general map.
TEST_F(AffineTest, EveryTransformLoopMatchesTheGeneralMap)
{
    const float matrices[][6] = {
        {1, 0, 0, 1, 0, 0}, {1, 0, 0, 1, 2, -3}, {2, 0, 0, 0.5f, 0, 0}, {2, 0, 0, 0.5f, 1, 1},
        {0, 3, -2, 0, 0, 0}, {0, 3, -2, 0, 4, 5}, {1, 2, 3, 4, 0, 0},   {1, 2, 3, 4, -1, 6},
        {0, 1, -1, 0, 0, 0}, {1, 0, 0, 1, NAN, 0}, // a NaN translation is a translation
    };
    for (const auto& m : matrices) {
        LDAffineTransform t(m[0], m[1], m[2], m[3], m[4], m[5]);
        float src[6] = {1.5f, -2, 0, 3, 7.25f, 0.5f};
        float expected[6];
        for (int k = 0; k < 3; ++k) {
            const float x = src[2 * k], y = src[2 * k + 1];
            expected[2 * k] = m[0] * x + m[2] * y + m[4];
            expected[2 * k + 1] = m[1] * x + m[3] * y + m[5];
        }
        float dst[6];
        t.transform(src, dst, 3);
        EXPECT_THAT(dst, Pointwise(NanSensitiveFloatNear(0), expected)) << "state " << t.state;
        t.transform(src, src, 3); // in place gives the same result
        EXPECT_THAT(src, Pointwise(NanSensitiveFloatNear(0), expected)) << "in place, state " << t.state;
    }
}

TEST_F(AffineTest, FactorizeAndSetFactorRoundTrip)
{
    std::mt19937 rng(12345);
    std::uniform_real_distribution<float> coef(-3.0f, 3.0f);
    for (int i = 0; i < 200; ++i) {
        LDAffineTransform m(coef(rng), coef(rng), coef(rng), coef(rng), coef(rng), coef(rng));
        float f[6];
        m.factorize(f);
        LDAffineTransform back;
        back.setFactor(f);
        const float tolerance = 1e-3f * (1 + std::fabs(f[0]) + std::fabs(f[1] * f[2]) + std::fabs(f[1]));
        EXPECT_NEAR(back.m00, m.m00, tolerance);
        EXPECT_NEAR(back.m10, m.m10, tolerance);
        EXPECT_NEAR(back.m01, m.m01, tolerance);
        EXPECT_NEAR(back.m11, m.m11, tolerance);
        EXPECT_EQ(back.m02, m.m02);
        EXPECT_EQ(back.m12, m.m12);
    }
}

TEST_F(AffineTest, InterpolationBlendsRotationWithoutWrapping)
{
    const double a = 170 * PI / 180, b = -170 * PI / 180;
    LDAffineTransform ra(std::cos(a), std::sin(a), -std::sin(a), std::cos(a), 0, 0);
    LDAffineTransform rb(std::cos(b), std::sin(b), -std::sin(b), std::cos(b), 10, 0);
    LDAffineTransform mid;
    LDAffineTransform::interpolate(ra, rb, 0.5f, mid);
    float f[6];
    mid.factorize(f);
    EXPECT_NEAR(f[3], 0.0f, 1e-6f);
    EXPECT_NEAR(mid.m00, 1.0f, 1e-6f);
    EXPECT_NEAR(mid.m11, 1.0f, 1e-6f);
    EXPECT_EQ(mid.m02, 5.0f);
}

TEST_F(AffineTest, ZeroFirstColumnCannotBeFactorized)
{
    LDAffineTransform zero(0, 0, 0, 0, 0, 0);
    float f[6] = {9, 9, 9, 9, 9, 9};
    std::string out = captureStdout([&] { zero.factorize(f); });
    EXPECT_EQ(out, "----------------------------- LDAffineTransform::factorize() / rt==0-----------------------------");
    EXPECT_THAT(f, Each(0.0f));
}

} // namespace
