// Short-hands for building model descriptions in tests and generators.
//
// The builders fill in the keyed tables for every pivot combination (the same
// shape, opacity 1.0 and one draw order everywhere), so the results are
// consistent models (MocModel::problems is empty) that callers then adjust.
#pragma once

#include "mocwriter/MocModel.h"

#include <optional>
#include <string>
#include <vector>

namespace mocwriter {

class ModelBuilders {
public:
    // Names used by oneParamModel.
    static constexpr const char* PARAM_ID = "PARAM_ANGLE";
    static constexpr const char* PART_ID = "PARTS_01";
    static constexpr const char* DEFORMER_ID = "D_ROT";
    static constexpr const char* MESH_ID = "D_QUAD";

    static MocModel::Param param(const std::string& id, float minValue, float maxValue,
                                 float defaultValue);

    // One parameter with a single pivot.
    static MocModel::PivotSet singlePivot(const std::string& paramId, float value = 0.0f);
    // One parameter with the given pivots.
    static MocModel::PivotSet pivots(const std::string& paramId, std::vector<float> values);

    static MocModel::AffineKey affine(float originX, float originY, float rotationDeg = 0.0f,
                                      float scale = 1.0f);

    // Rotation deformer with the given keys (one per pivot combination) and
    // opacity 1.0 everywhere.
    static MocModel::RotationDeformer rotationDeformer(const std::string& id,
                                                       const std::optional<std::string>& targetId,
                                                       MocModel::PivotSet pivots,
                                                       std::vector<MocModel::AffineKey> affines);

    // Evenly spaced lattice of col x row cells covering the rectangle.
    static std::vector<float> regularLattice(int row, int col, float x, float y, float width,
                                             float height);
    // Grid deformer whose every combination holds the same regular lattice.
    static MocModel::GridDeformer gridDeformer(const std::string& id,
                                               const std::optional<std::string>& targetId, int row,
                                               int col, float x, float y, float width, float height,
                                               MocModel::PivotSet pivots);

    // Rectangle of two triangles, points top-left, top-right, bottom-left,
    // bottom-right (y pointing down) and uvs 0..1; both triangles run
    // clockwise on screen, the front-facing order of the drawing back-end.
    // Every combination holds the same points.
    static MocModel::Mesh quadMesh(const std::string& id, const std::optional<std::string>& targetId,
                                   float x, float y, float width, float height,
                                   MocModel::PivotSet pivots, int drawOrder = 500,
                                   int textureNo = 0);

    // A 400 x 400 canvas with one parameter PARAM_ANGLE (-30..30, default 0)
    // and one visible part PARTS_01 holding the rotation deformer D_ROT
    // (root target, pivots -30/0/30, origin (200, 200), rotated by the
    // parameter value in degrees) and the 100 x 100 quad D_QUAD centred on the
    // deformer's origin (pivots -30/30, draw order 500, texture 0).
    static MocModel oneParamModel();
};

} // namespace mocwriter
