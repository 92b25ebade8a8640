#pragma once

namespace tavrix {

class UtMath {
public:
    static const float DEG_TO_RAD_F;
    static const double DEG_TO_RAD_D;
    static const float RAD_TO_DEG_F;
    static const double RAD_TO_DEG_D;

    // a - b normalised into [-pi, pi].
    static double getAngleDiff(double a, double b);
    // Signed angle from direction q to direction p (each x then y), in double.
    static double getAngleNotAbs(float* p, float* q);
    static double fsin(double x);
    // Truncation toward zero that saturates at the int range instead of
    // overflowing; NaN gives 0. For counts and times read from files.
    static int truncToIntSaturated(double x);
};

} // namespace tavrix
