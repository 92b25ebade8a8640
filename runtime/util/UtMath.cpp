#include "util/UtMath.h"

#include <cmath>

namespace tavrix {

const float UtMath::DEG_TO_RAD_F = 0.017453292f;
const double UtMath::DEG_TO_RAD_D = 0.017453292519943295;
const float UtMath::RAD_TO_DEG_F = 57.29578f;
const double UtMath::RAD_TO_DEG_D = 57.29577951308232;

static const double PI_D = 3.141592653589793;
static const double TWO_PI_D = 6.283185307179586;

double UtMath::getAngleDiff(double a, double b)
{
    double d = a - b;
    while (-PI_D > d) d += TWO_PI_D;
    while (d > PI_D) d -= TWO_PI_D;
    return d;
}

double UtMath::getAngleNotAbs(float* p, float* q)
{
    double angleP = std::atan2(static_cast<double>(p[1]), static_cast<double>(p[0]));
    double angleQ = std::atan2(static_cast<double>(q[1]), static_cast<double>(q[0]));
    return getAngleDiff(angleP, angleQ);
}

double UtMath::fsin(double x)
{
    return std::sin(x);
}

int UtMath::truncToIntSaturated(double x)
{
    if (x != x) return 0;
    if (x >= 2147483647.0) return 2147483647;
    if (x <= -2147483648.0) return -2147483647 - 1;
    return static_cast<int>(x);
}

} // namespace tavrix
