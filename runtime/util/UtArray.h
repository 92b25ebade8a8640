#pragma once

namespace tavrix {

class MemoryParam;

class UtArray {
public:
    // A new array of n floats from memParam, filled from n floating-point arguments.
    static float* floatArray(MemoryParam* memParam, int n, ...);
    static void dumpPoints(const float* points, int width, int height);
};

} // namespace tavrix
