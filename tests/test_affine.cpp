// Angle helpers and the affine matrix: classification, transform loops,
// factorisation round trip and interpolation.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "support/RuntimeFixture.h"
#include "type/LDAffineTransform.h"
#include "util/UtMath.h"

using namespace tavrix;
using tavrix_test::captureStdout;

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
    EXPECT_EQ(UtMath::DEG_TO_RAD_F, 0.017453292f);
    EXPECT_EQ(UtMath::RAD_TO_DEG_F, 57.29578f);
    EXPECT_DOUBLE_EQ(UtMath::fsin(PI / 2), 1.0);
}

TEST_F(AffineTest, ClassificationAndTheExamples)
{
    LDAffineTransform identity;
    EXPECT_EQ(identity.state, 0);
    EXPECT_EQ(identity.kind, 0);

    LDAffineTransform translate(1, 0, 0, 1, 5, 7);
    EXPECT_EQ(translate.state, 1);
    EXPECT_EQ(translate.kind, 1);
    float pt[2] = {1, 1};
    translate.transform(pt, pt, 1);
    EXPECT_EQ(pt[0], 6.0f);
    EXPECT_EQ(pt[1], 8.0f);

    LDAffineTransform quarter(0, 1, -1, 0, 0, 0);
    EXPECT_EQ(quarter.state, 4);
    EXPECT_EQ(quarter.kind, -1);
    float unit[2] = {1, 0}, out[2];
    quarter.transform(unit, out, 1);
    EXPECT_EQ(out[0], 0.0f);
    EXPECT_EQ(out[1], 1.0f);

    EXPECT_EQ(LDAffineTransform(2, 0, 0, 1, 0, 0).state, 2);
    EXPECT_EQ(LDAffineTransform(2, 0, 0, 1, 0, 3).state, 3);
    EXPECT_EQ(LDAffineTransform(0, 1, 1, 0, 1, 0).state, 5);
    EXPECT_EQ(LDAffineTransform(1, 1, 1, 1, 0, 0).state, 6);
    EXPECT_EQ(LDAffineTransform(1, 1, 1, 1, 0, 1).state, 7);
    EXPECT_EQ(LDAffineTransform(1, 0, 0, 1, NAN, 0).state, 1) << "NaN translation counts as non-zero";
}

TEST_F(AffineTest, EveryTransformLoopMatchesTheGeneralMap)
{
    const float matrices[][6] = {
        {1, 0, 0, 1, 0, 0}, {1, 0, 0, 1, 2, -3}, {2, 0, 0, 0.5f, 0, 0}, {2, 0, 0, 0.5f, 1, 1},
        {0, 3, -2, 0, 0, 0}, {0, 3, -2, 0, 4, 5}, {1, 2, 3, 4, 0, 0},   {1, 2, 3, 4, -1, 6},
    };
    for (const auto& m : matrices) {
        LDAffineTransform t(m[0], m[1], m[2], m[3], m[4], m[5]);
        float src[6] = {1.5f, -2, 0, 3, 7.25f, 0.5f};
        float dst[6];
        t.transform(src, dst, 3);
        for (int k = 0; k < 3; ++k) {
            float x = src[2 * k], y = src[2 * k + 1];
            EXPECT_EQ(dst[2 * k], m[0] * x + m[2] * y + m[4]) << "state " << t.state;
            EXPECT_EQ(dst[2 * k + 1], m[1] * x + m[3] * y + m[5]) << "state " << t.state;
        }
        t.transform(src, src, 3); // in place gives the same result
        for (int i = 0; i < 6; ++i) EXPECT_EQ(src[i], dst[i]);
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
    for (float v : f) EXPECT_EQ(v, 0.0f);
}

} // namespace
