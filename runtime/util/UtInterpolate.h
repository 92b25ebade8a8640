#pragma once

#include "type/LDVector.h"

namespace tavrix {

class ModelContext;
class PivotManager;

// Multilinear blending of an element's keyed values for the current
// parameter values of a model context. Each routine chooses the pivots
// (setting *outside when a parameter lies outside its pivots), packs the
// combinations into the context's scratch tables and blends them. Keyed
// values are laid out with the manager's first parameter varying fastest.
//
// A combination that lies beyond the keyed values given (a table shorter
// than its pivots promise) cannot be evaluated: the routine then sets
// *outside and yields 0 (for points: zeros).
class UtInterpolate {
public:
    static int interpolateInt(ModelContext& context, PivotManager& pivotManager, bool* outside,
                              LDVector<int>& values);
    static float interpolateFloat(ModelContext& context, PivotManager& pivotManager, bool* outside,
                                  LDVector<float>& values);
    // Each keyed array holds numPts packed x, y pairs. Point k of the result
    // goes to dst[ptOffset + k * ptStep] (x) and the float after it (y).
    static void interpolatePoints(ModelContext& context, PivotManager& pivotManager, bool* outside, int numPts,
                                  LDVector<float*>& pivotPoints, float* dst, int ptOffset, int ptStep);

    // Weights of the 2^n packed combinations for n packed fractions ts:
    // combination j weighs the product, in fraction order, of ts[k] where bit
    // k of j is set and 1 - ts[k] elsewhere. weights holds 2^n entries.
    static void formWeights(const float* ts, int n, float* weights);
};

} // namespace tavrix
