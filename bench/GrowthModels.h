// Generated models that grow along one axis at a time, for checking that
// loading and evaluating cost in proportion to the model's size.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "mocwriter/ModelBuilders.h"

namespace growth {

enum class Axis {
    Parameters,    // parameter definitions
    Meshes,        // quad meshes in one part
    DeformerChain, // rotation deformers, each the parent of the next
    PointsPerMesh, // points of each of a few strip meshes
};

struct AxisInfo {
    Axis axis;
    const char* name;
    int baseSize; // the 1x size; the largest size (100x) stays within the runtime's limits
};

// 100x meshes stay below the 65534 drawables a model may have, and 100x
// points below the 65536 a mesh's 16-bit indices can address.
inline const std::vector<AxisInfo>& axes()
{
    static const std::vector<AxisInfo> list = {
        {Axis::Parameters, "parameters", 1000},
        {Axis::Meshes, "meshes", 600},
        {Axis::DeformerChain, "deformers", 100},
        {Axis::PointsPerMesh, "points", 64},
    };
    return list;
}

inline const char* const DRIVER_PARAM = "PARAM_ANGLE";
// Meshes of the points axis.
inline constexpr int STRIP_MESH_COUNT = 4;

// A mesh of n points (n even, at least 4) in two rows, as a strip of triangles.
inline mocwriter::MocModel::Mesh stripMesh(const std::string& id, const std::string& target, int n)
{
    using mocwriter::ModelBuilders;
    mocwriter::MocModel::Mesh mesh =
        ModelBuilders::quadMesh(id, target, 0, 0, 10, 10, ModelBuilders::pivots(DRIVER_PARAM, {-30, 30}));
    const int columns = n / 2;
    mesh.uvs.clear();
    mesh.indices.clear();
    std::vector<float> points;
    for (int row = 0; row < 2; ++row) {
        for (int c = 0; c < columns; ++c) {
            points.push_back(static_cast<float>(c));
            points.push_back(static_cast<float>(row * 10));
            mesh.uvs.push_back(static_cast<float>(c) / static_cast<float>(columns - 1));
            mesh.uvs.push_back(static_cast<float>(row));
        }
    }
    for (int c = 0; c + 1 < columns; ++c) {
        const auto top = static_cast<uint16_t>(c);
        const auto bottom = static_cast<uint16_t>(columns + c);
        mesh.indices.insert(mesh.indices.end(), {top, static_cast<uint16_t>(top + 1), bottom});
        mesh.indices.insert(mesh.indices.end(), {bottom, static_cast<uint16_t>(top + 1), static_cast<uint16_t>(bottom + 1)});
    }
    for (std::vector<float>& keyed : mesh.keyedPoints) keyed = points;
    return mesh;
}

// The model of size n along the axis; everything else stays at the size of a
// small puppet: one driving parameter, one part, one deformer and one mesh.
inline mocwriter::MocModel growthModel(Axis axis, int n)
{
    using mocwriter::MocModel;
    using mocwriter::ModelBuilders;
    MocModel model;
    model.canvasWidth = 400;
    model.canvasHeight = 400;
    model.params.push_back(ModelBuilders::param(DRIVER_PARAM, -30, 30, 0));
    MocModel::Part part;
    part.id = "PARTS_01";
    const std::vector<MocModel::AffineKey> turn = {ModelBuilders::affine(10, 0, -10), ModelBuilders::affine(10, 0, 0),
                                                   ModelBuilders::affine(10, 0, 10)};
    const MocModel::PivotSet turnPivots = ModelBuilders::pivots(DRIVER_PARAM, {-30, 0, 30});

    // The driver comes first, so searches from the newest parameter meet
    // every added one before it.
    if (axis == Axis::Parameters) {
        for (int i = 1; i < n; ++i) model.params.push_back(ModelBuilders::param("PARAM_" + std::to_string(i), -1, 1, 0));
    }

    const int chainLength = axis == Axis::DeformerChain ? n : 1;
    for (int i = 0; i < chainLength; ++i) {
        const std::string parent = i == 0 ? std::string(MocModel::DST_BASE) : "D_" + std::to_string(i - 1);
        part.deformers.push_back(ModelBuilders::rotationDeformer("D_" + std::to_string(i), parent, turnPivots, turn));
    }
    const std::string lastDeformer = "D_" + std::to_string(chainLength - 1);

    if (axis == Axis::PointsPerMesh) {
        for (int i = 0; i < STRIP_MESH_COUNT; ++i) {
            part.meshes.push_back(stripMesh("M_" + std::to_string(i), lastDeformer, n));
        }
    } else {
        const int meshCount = axis == Axis::Meshes ? n : 1;
        for (int i = 0; i < meshCount; ++i) {
            part.meshes.push_back(ModelBuilders::quadMesh("M_" + std::to_string(i), lastDeformer, -5, -5, 10, 10,
                                                          ModelBuilders::pivots(DRIVER_PARAM, {-30, 30}),
                                                          500 + i % 100));
        }
    }
    model.parts.push_back(std::move(part));
    return model;
}

} // namespace growth
