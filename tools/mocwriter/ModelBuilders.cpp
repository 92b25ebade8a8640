#include "mocwriter/ModelBuilders.h"

#include <utility>

namespace mocwriter {

MocModel::Param ModelBuilders::param(const std::string& id, float minValue, float maxValue,
                                     float defaultValue) {
    MocModel::Param p;
    p.id = id;
    p.minValue = minValue;
    p.maxValue = maxValue;
    p.defaultValue = defaultValue;
    return p;
}

MocModel::PivotSet ModelBuilders::singlePivot(const std::string& paramId, float value) {
    return pivots(paramId, {value});
}

MocModel::PivotSet ModelBuilders::pivots(const std::string& paramId, std::vector<float> values) {
    MocModel::PivotParam p;
    p.paramId = paramId;
    p.values = std::move(values);
    return {p};
}

MocModel::AffineKey ModelBuilders::affine(float originX, float originY, float rotationDeg,
                                          float scale) {
    MocModel::AffineKey key;
    key.originX = originX;
    key.originY = originY;
    key.rotationDeg = rotationDeg;
    key.scaleX = scale;
    key.scaleY = scale;
    return key;
}

MocModel::RotationDeformer ModelBuilders::rotationDeformer(const std::string& id,
                                                           const std::optional<std::string>& targetId,
                                                           MocModel::PivotSet pivots,
                                                           std::vector<MocModel::AffineKey> affines) {
    MocModel::RotationDeformer d;
    d.id = id;
    d.targetId = targetId;
    d.opacities.assign(MocModel::combinationCount(pivots), 1.0f);
    d.pivots = std::move(pivots);
    d.affines = std::move(affines);
    return d;
}

std::vector<float> ModelBuilders::regularLattice(int row, int col, float x, float y, float width,
                                                 float height) {
    std::vector<float> points;
    for (int j = 0; j <= row; ++j) {
        for (int i = 0; i <= col; ++i) {
            points.push_back(x + width * static_cast<float>(i) / static_cast<float>(col));
            points.push_back(y + height * static_cast<float>(j) / static_cast<float>(row));
        }
    }
    return points;
}

MocModel::GridDeformer ModelBuilders::gridDeformer(const std::string& id,
                                                   const std::optional<std::string>& targetId,
                                                   int row, int col, float x, float y, float width,
                                                   float height, MocModel::PivotSet pivots) {
    MocModel::GridDeformer d;
    d.id = id;
    d.targetId = targetId;
    d.row = row;
    d.col = col;
    const std::size_t combos = MocModel::combinationCount(pivots);
    d.lattices.assign(combos, regularLattice(row, col, x, y, width, height));
    d.opacities.assign(combos, 1.0f);
    d.pivots = std::move(pivots);
    return d;
}

MocModel::Mesh ModelBuilders::quadMesh(const std::string& id,
                                       const std::optional<std::string>& targetId, float x, float y,
                                       float width, float height, MocModel::PivotSet pivots,
                                       int drawOrder, int textureNo) {
    MocModel::Mesh m;
    m.id = id;
    m.targetId = targetId;
    m.textureNo = textureNo;
    const std::size_t combos = MocModel::combinationCount(pivots);
    m.pivots = std::move(pivots);
    m.drawOrders.assign(combos, drawOrder);
    m.opacities.assign(combos, 1.0f);
    const float x1 = x + width;
    const float y1 = y + height;
    m.keyedPoints.assign(combos, {x, y, x1, y, x, y1, x1, y1});
    m.uvs = {0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 1.0f, 1.0f, 1.0f};
    m.indices = {0, 1, 2, 2, 1, 3};
    return m;
}

MocModel ModelBuilders::oneParamModel() {
    MocModel model;
    model.canvasWidth = 400;
    model.canvasHeight = 400;
    model.params.push_back(param(PARAM_ID, -30.0f, 30.0f, 0.0f));

    MocModel::Part part;
    part.id = PART_ID;
    part.deformers.push_back(rotationDeformer(
        DEFORMER_ID, std::string(MocModel::DST_BASE), pivots(PARAM_ID, {-30.0f, 0.0f, 30.0f}),
        {affine(200.0f, 200.0f, -30.0f), affine(200.0f, 200.0f, 0.0f), affine(200.0f, 200.0f, 30.0f)}));
    // Mesh points are in the deformer's frame, around its origin.
    part.meshes.push_back(quadMesh(MESH_ID, std::string(DEFORMER_ID), -50.0f, -50.0f, 100.0f, 100.0f,
                                   pivots(PARAM_ID, {-30.0f, 30.0f})));
    model.parts.push_back(std::move(part));
    return model;
}

} // namespace mocwriter
