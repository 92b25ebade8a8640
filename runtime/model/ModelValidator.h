#pragma once

#include <cstdint>

namespace tavrix {

class BReader;
class IBaseData;
class IDrawData;
class LDString;
class ModelImpl;
class PivotManager;

// Checks freshly read model data before it is installed: every object the
// evaluation relies on is present, every table has the length its pivots
// and sizes promise, and every float the evaluation reads is finite. The
// first problem found is described in problem ("mesh D1: ...").
class ModelValidator {
public:
    // Drawables are numbered with 16 bits and 65535 marks none.
    static constexpr int MAX_DRAWABLES = 65534;
    // 16-bit indices address at most this many points.
    static constexpr int MAX_MESH_POINTS = 65536;

    static bool validate(ModelImpl* root, BReader& reader, LDString& problem);

private:
    static bool validatePivots(PivotManager* pivotManager, int64_t* combinations, LDString& problem);
    // floatArraysFinite: the reader saw no float array with a value that is
    // not finite, so point arrays need no second look.
    static bool validateDeformer(IBaseData* deformer, bool floatArraysFinite, LDString& problem);
    static bool validateDrawable(IDrawData* drawable, bool floatArraysFinite, LDString& problem);
};

} // namespace tavrix
