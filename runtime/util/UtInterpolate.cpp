#include "util/UtInterpolate.h"

#include <climits>
#include <cmath>
#include <cstring>

#include "ModelContext.h"
#include "param/PivotManager.h"

namespace tavrix {

namespace {

const int MAX_COMBINATIONS = 1 << PivotManager::MAX_INTERPOLATED_PARAMS;

// Truncation toward zero; values an int cannot hold saturate and NaN gives 0,
// so that no keyed table can make the conversion undefined.
int truncateToInt(float value)
{
    if (std::isnan(value)) return 0;
    if (value >= 2147483648.0f) return INT_MAX;
    if (value < -2147483648.0f) return INT_MIN;
    return static_cast<int>(value);
}

// Difference of two keyed integers with 32-bit wrap-around.
int wrappedDifference(int b, int a)
{
    return static_cast<int>(static_cast<unsigned int>(b) - static_cast<unsigned int>(a));
}

int lerpInt(int a, int b, float t)
{
    return truncateToInt(static_cast<float>(a) + static_cast<float>(wrappedDifference(b, a)) * t);
}

float lerpFloat(float a, float b, float t)
{
    return a + (b - a) * t;
}

// Packs the combinations into the context's tables and returns how many
// fractions were packed; false when a combination lies outside the keyed
// values (size of them).
bool packCombinations(ModelContext& context, PivotManager& pivotManager, bool* outside, int keyedCount,
                      int& packedCount)
{
    const int interpolationCount = pivotManager.calcPivotValue(context, outside);
    const unsigned short* indices = context.getTmpPivotTableIndicesRef();
    packedCount = pivotManager.calcPivotIndexies(context.getTmpPivotTableIndicesRef(), context.getTmpT_ArrayRef(),
                                                 interpolationCount);
    const int count = 1 << packedCount;
    for (int j = 0; j < count; ++j) {
        if (indices[j] >= keyedCount) {
            if (outside) *outside = true;
            return false;
        }
    }
    return true;
}

// Four fractions in nested form: pairs by the first, then (1 - t) * a + t * b.
inline float nestedFour(const float* const* keys, const float* ts, int i)
{
    const float t0 = ts[0], t1 = ts[1], t2 = ts[2], t3 = ts[3];
    const float s0 = 1.0f - t0, s1 = 1.0f - t1, s2 = 1.0f - t2, s3 = 1.0f - t3;
    float pairs[8];
    for (int p = 0; p < 8; ++p) pairs[p] = keys[2 * p][i] * s0 + keys[2 * p + 1][i] * t0;
    const float q0 = s1 * pairs[0] + t1 * pairs[1];
    const float q1 = s1 * pairs[2] + t1 * pairs[3];
    const float q2 = s1 * pairs[4] + t1 * pairs[5];
    const float q3 = s1 * pairs[6] + t1 * pairs[7];
    const float r0 = s2 * q0 + t2 * q1;
    const float r1 = s2 * q2 + t2 * q3;
    return s3 * r0 + t3 * r1;
}

// The weighted sum of COUNT keyed arrays, term by term from the first.
template <int COUNT>
void weightedSum(const float* const* keys, const float* weights, float* __restrict dst, int floats)
{
    const float* __restrict k[COUNT];
    float w[COUNT];
    for (int j = 0; j < COUNT; ++j) {
        k[j] = keys[j];
        w[j] = weights[j];
    }
    for (int i = 0; i < floats; ++i) {
        float sum = w[0] * k[0][i];
        for (int j = 1; j < COUNT; ++j) sum = sum + w[j] * k[j][i];
        dst[i] = sum;
    }
}

// Blends floats consecutive values of the keyed arrays into dst.
void blendPacked(const float* const* keys, int n, const float* ts, float* __restrict dst, int floats)
{
    if (n == 1) {
        const float t0 = ts[0];
        const float s0 = 1.0f - t0;
        const float* __restrict a = keys[0];
        const float* __restrict b = keys[1];
        for (int i = 0; i < floats; ++i) dst[i] = a[i] * s0 + b[i] * t0;
        return;
    }
    if (n == 4) {
        for (int i = 0; i < floats; ++i) dst[i] = nestedFour(keys, ts, i);
        return;
    }
    float weights[MAX_COMBINATIONS];
    UtInterpolate::formWeights(ts, n, weights);
    switch (n) {
    case 2: weightedSum<4>(keys, weights, dst, floats); return;
    case 3: weightedSum<8>(keys, weights, dst, floats); return;
    case 5: weightedSum<32>(keys, weights, dst, floats); return;
    default: weightedSum<64>(keys, weights, dst, floats); return;
    }
}

} // namespace

void UtInterpolate::formWeights(const float* ts, int n, float* weights)
{
    if (n < 1) {
        weights[0] = 1.0f;
        return;
    }
    const int count = 1 << n;
    for (int j = 0; j < count; ++j) {
        float w = (j & 1) ? ts[0] : 1.0f - ts[0];
        for (int k = 1; k < n; ++k) w = w * (((j >> k) & 1) ? ts[k] : 1.0f - ts[k]);
        weights[j] = w;
    }
}

int UtInterpolate::interpolateInt(ModelContext& context, PivotManager& pivotManager, bool* outside,
                                  LDVector<int>& values)
{
    int n = 0;
    if (!packCombinations(context, pivotManager, outside, values.size(), n)) return 0;
    const unsigned short* idx = context.getTmpPivotTableIndicesRef();
    const float* ts = context.getTmpT_ArrayRef();

    if (n <= 4) {
        // Combine neighbouring pairs one fraction at a time, truncating at
        // every stage.
        int stage[16];
        int count = 1 << n;
        for (int j = 0; j < count; ++j) stage[j] = values[idx[j]];
        for (int k = 0; k < n; ++k) {
            count /= 2;
            for (int j = 0; j < count; ++j) stage[j] = lerpInt(stage[2 * j], stage[2 * j + 1], ts[k]);
        }
        return stage[0];
    }

    float weights[MAX_COMBINATIONS];
    UtInterpolate::formWeights(ts, n, weights);
    const int count = 1 << n;
    float sum = weights[0] * static_cast<float>(values[idx[0]]);
    for (int j = 1; j < count; ++j) sum = sum + weights[j] * static_cast<float>(values[idx[j]]);
    return truncateToInt(sum);
}

float UtInterpolate::interpolateFloat(ModelContext& context, PivotManager& pivotManager, bool* outside,
                                      LDVector<float>& values)
{
    int n = 0;
    if (!packCombinations(context, pivotManager, outside, values.size(), n)) return 0.0f;
    const unsigned short* idx = context.getTmpPivotTableIndicesRef();
    const float* ts = context.getTmpT_ArrayRef();

    if (n <= 4) {
        // Nested form: the first fraction blends neighbouring pairs as
        // a + (b - a) * t; every further fraction blends as (1 - t) * a + t * b.
        float stage[16];
        int count = 1 << n;
        for (int j = 0; j < count; ++j) stage[j] = values[idx[j]];
        if (n >= 1) {
            count /= 2;
            for (int j = 0; j < count; ++j) stage[j] = lerpFloat(stage[2 * j], stage[2 * j + 1], ts[0]);
        }
        for (int k = 1; k < n; ++k) {
            count /= 2;
            for (int j = 0; j < count; ++j) stage[j] = (1.0f - ts[k]) * stage[2 * j] + ts[k] * stage[2 * j + 1];
        }
        return stage[0];
    }

    float weights[MAX_COMBINATIONS];
    UtInterpolate::formWeights(ts, n, weights);
    const int count = 1 << n;
    float sum = weights[0] * values[idx[0]];
    for (int j = 1; j < count; ++j) sum = sum + weights[j] * values[idx[j]];
    return sum;
}

void UtInterpolate::interpolatePoints(ModelContext& context, PivotManager& pivotManager, bool* outside, int numPts,
                                      LDVector<float*>& pivotPoints, float* dst, int ptOffset, int ptStep)
{
    int n = 0;
    bool usable = packCombinations(context, pivotManager, outside, pivotPoints.size(), n);
    const unsigned short* idx = context.getTmpPivotTableIndicesRef();
    const float* ts = context.getTmpT_ArrayRef();
    const int count = 1 << n;
    const float* keys[MAX_COMBINATIONS];
    for (int j = 0; usable && j < count; ++j) {
        keys[j] = pivotPoints[idx[j]];
        if (!keys[j]) usable = false;
    }
    if (!usable) {
        if (outside) *outside = true;
        for (int k = 0; k < numPts; ++k) {
            dst[ptOffset + k * ptStep] = 0.0f;
            dst[ptOffset + k * ptStep + 1] = 0.0f;
        }
        return;
    }

    if (n == 0) {
        if (ptStep == 2 && ptOffset == 0) {
            if (numPts > 0) std::memcpy(dst, keys[0], sizeof(float) * 2 * static_cast<size_t>(numPts));
        } else {
            for (int k = 0; k < numPts; ++k) {
                dst[ptOffset + k * ptStep] = keys[0][2 * k];
                dst[ptOffset + k * ptStep + 1] = keys[0][2 * k + 1];
            }
        }
        return;
    }

    if (ptStep == 2 && ptOffset == 0) {
        // Packed points, the usual layout: one pass over the floats, which
        // the compiler can vectorise; each float gets the same arithmetic as
        // in the strided loops below.
        blendPacked(keys, n, ts, dst, 2 * numPts);
        return;
    }

    if (n == 1) {
        const float t0 = ts[0];
        const float s0 = 1.0f - t0;
        for (int k = 0; k < numPts; ++k) {
            for (int c = 0; c < 2; ++c) {
                const int i = 2 * k + c;
                dst[ptOffset + k * ptStep + c] = keys[0][i] * s0 + keys[1][i] * t0;
            }
        }
        return;
    }

    if (n == 4) {
        for (int k = 0; k < numPts; ++k) {
            for (int c = 0; c < 2; ++c) dst[ptOffset + k * ptStep + c] = nestedFour(keys, ts, 2 * k + c);
        }
        return;
    }

    // Two, three, five or six fractions: weighted sum, weights formed once.
    float weights[MAX_COMBINATIONS];
    UtInterpolate::formWeights(ts, n, weights);
    for (int k = 0; k < numPts; ++k) {
        for (int c = 0; c < 2; ++c) {
            const int i = 2 * k + c;
            float sum = weights[0] * keys[0][i];
            for (int j = 1; j < count; ++j) sum = sum + weights[j] * keys[j][i];
            dst[ptOffset + k * ptStep + c] = sum;
        }
    }
}

} // namespace tavrix
