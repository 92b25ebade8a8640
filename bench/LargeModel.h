// A large generated model for the load and update benchmarks: parameters
// that all move something, rotation deformers three deep, grid deformers
// under the deepest rotations, and many meshes of many points inside the
// grids, every element keyed with values that differ between pivots.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "mocwriter/ModelBuilders.h"

namespace large_model {

struct Size {
    int meshes;
    int pointRows;    // points of each mesh: pointRows x pointColumns
    int pointColumns;
};

// At least 100 meshes and 20,000 points: the update benchmark's model.
inline constexpr Size UPDATE_SIZE = {120, 10, 20};
// Over 10 MB of file: the load benchmark's model.
inline constexpr Size LOAD_SIZE = {400, 20, 20};

inline constexpr int PARAM_COUNT = 24;
inline constexpr int CHAINS = 4;           // rotation chains, three deep each
inline constexpr int GRIDS_PER_CHAIN = 2;  // grid deformers under each chain's deepest rotation
inline constexpr int GRID_CELLS = 5;       // cells along each side of a lattice
inline constexpr float PIVOTS[] = {-1.0f, 0.0f, 1.0f};

inline std::string paramId(int i)
{
    return "PARAM_" + std::to_string(i);
}

// The two parameters that key mesh m.
inline int meshParamA(int m) { return (m * 2) % PARAM_COUNT; }
inline int meshParamB(int m) { return (m * 2 + 1) % PARAM_COUNT; }

// A deterministic wobble in -1..1, different for every element, pivot
// combination and point.
inline float wobble(int element, int combination, int point)
{
    return std::sin(0.37f * static_cast<float>(element) + 1.3f * static_cast<float>(combination) +
                    0.11f * static_cast<float>(point));
}

inline mocwriter::MocModel::PivotSet twoParamPivots(int a, int b)
{
    return {{paramId(a), {PIVOTS[0], PIVOTS[1], PIVOTS[2]}, std::nullopt},
            {paramId(b), {PIVOTS[0], PIVOTS[1], PIVOTS[2]}, std::nullopt}};
}

// Mesh m's keyed points: a grid over the unit square of its grid deformer,
// moved a little differently in each of the 9 pivot combinations.
inline mocwriter::MocModel::Mesh mesh(int m, const std::string& grid, const Size& size)
{
    using mocwriter::ModelBuilders;
    mocwriter::MocModel::Mesh mesh = ModelBuilders::quadMesh("M_" + std::to_string(m), grid, 0, 0, 1, 1,
                                                             twoParamPivots(meshParamA(m), meshParamB(m)),
                                                             500 + m % 200, m % 3);
    mesh.uvs.clear();
    mesh.indices.clear();
    const int rows = size.pointRows;
    const int columns = size.pointColumns;
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            mesh.uvs.push_back(static_cast<float>(c) / static_cast<float>(columns - 1));
            mesh.uvs.push_back(static_cast<float>(r) / static_cast<float>(rows - 1));
        }
    }
    for (int r = 0; r + 1 < rows; ++r) {
        for (int c = 0; c + 1 < columns; ++c) {
            const auto at = [&](int rr, int cc) { return static_cast<uint16_t>(rr * columns + cc); };
            mesh.indices.insert(mesh.indices.end(), {at(r, c), at(r, c + 1), at(r + 1, c)});
            mesh.indices.insert(mesh.indices.end(), {at(r + 1, c), at(r, c + 1), at(r + 1, c + 1)});
        }
    }
    for (size_t k = 0; k < mesh.keyedPoints.size(); ++k) {
        std::vector<float>& points = mesh.keyedPoints[k];
        points.clear();
        for (size_t i = 0; i < mesh.uvs.size(); ++i) {
            points.push_back(0.05f + 0.9f * mesh.uvs[i] + 0.02f * wobble(m, static_cast<int>(k), static_cast<int>(i)));
        }
    }
    return mesh;
}

inline mocwriter::MocModel model(const Size& size)
{
    using mocwriter::MocModel;
    using mocwriter::ModelBuilders;
    MocModel model;
    model.canvasWidth = 2000;
    model.canvasHeight = 2000;
    for (int i = 0; i < PARAM_COUNT; ++i) model.params.push_back(ModelBuilders::param(paramId(i), -1, 1, 0));
    MocModel::Part part;
    part.id = "PARTS_01";

    std::vector<std::string> grids;
    for (int chain = 0; chain < CHAINS; ++chain) {
        std::string parent = MocModel::DST_BASE;
        for (int depth = 0; depth < 3; ++depth) {
            const int param = (chain * 3 + depth) % PARAM_COUNT;
            const float x = depth == 0 ? 250.0f + 500.0f * static_cast<float>(chain) : 20.0f;
            const float y = depth == 0 ? 1000.0f : 30.0f;
            const std::string id = "R_" + std::to_string(chain) + "_" + std::to_string(depth);
            part.deformers.push_back(ModelBuilders::rotationDeformer(
                id, parent, ModelBuilders::pivots(paramId(param), {PIVOTS[0], PIVOTS[1], PIVOTS[2]}),
                {ModelBuilders::affine(x, y, -10), ModelBuilders::affine(x, y, 0), ModelBuilders::affine(x, y, 12)}));
            parent = id;
        }
        for (int g = 0; g < GRIDS_PER_CHAIN; ++g) {
            const int index = chain * GRIDS_PER_CHAIN + g;
            const std::string id = "G_" + std::to_string(index);
            MocModel::GridDeformer grid = ModelBuilders::gridDeformer(
                id, parent, GRID_CELLS, GRID_CELLS, -200.0f + 200.0f * static_cast<float>(g), -200.0f, 190.0f,
                400.0f, twoParamPivots((index * 5) % PARAM_COUNT, (index * 5 + 3) % PARAM_COUNT));
            for (size_t k = 0; k < grid.lattices.size(); ++k) {
                for (size_t i = 0; i < grid.lattices[k].size(); ++i) {
                    grid.lattices[k][i] += 6.0f * wobble(1000 + index, static_cast<int>(k), static_cast<int>(i));
                }
            }
            part.deformers.push_back(grid);
            grids.push_back(id);
        }
    }
    for (int m = 0; m < size.meshes; ++m) part.meshes.push_back(mesh(m, grids[m % grids.size()], size));
    model.parts.push_back(std::move(part));
    return model;
}

// Parameter i's value in frame f: every parameter on its own slow sweep,
// between pivots rather than on them.
inline float sweep(int i, int frame)
{
    return 0.93f * std::sin(0.05f * static_cast<float>(frame) + 0.7f * static_cast<float>(i));
}

} // namespace large_model
