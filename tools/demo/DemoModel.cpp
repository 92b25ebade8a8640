#include "DemoModel.h"

#include "mocwriter/ModelBuilders.h"

using mocwriter::MocModel;
using mocwriter::ModelBuilders;

namespace tavrix_demo {

MocModel demoModel()
{
    MocModel model;
    model.canvasWidth = 600;
    model.canvasHeight = 800;
    model.params = {
        ModelBuilders::param("PARAM_ANGLE_X", -30, 30, 0),
        ModelBuilders::param("PARAM_BODY_X", -10, 10, 0),
        ModelBuilders::param("PARAM_EYE_L_OPEN", 0, 1, 1),
        ModelBuilders::param("PARAM_EYE_R_OPEN", 0, 1, 1),
    };

    MocModel::Part body;
    body.id = "PARTS_01_BODY";
    // The body grid leans with PARAM_BODY_X: its top row slides sideways.
    MocModel::GridDeformer grid = ModelBuilders::gridDeformer("D_BODY", std::string(MocModel::DST_BASE), 2, 2, 150,
                                                              250, 300, 450,
                                                              ModelBuilders::pivots("PARAM_BODY_X", {-10, 0, 10}));
    for (int k = 0; k < 3; ++k) {
        float shift = (k - 1) * 40.0f;
        for (int i = 0; i <= 2; ++i) grid.lattices[k][2 * i] += shift; // row 0: points 0..2
        for (int i = 0; i <= 2; ++i) grid.lattices[k][2 * (3 + i)] += shift * 0.5f; // row 1
    }
    body.deformers.push_back(grid);
    // The head turns around the neck with PARAM_ANGLE_X; it follows the body grid.
    body.deformers.push_back(ModelBuilders::rotationDeformer(
        "D_HEAD", std::string("D_BODY"), ModelBuilders::pivots("PARAM_ANGLE_X", {-30, 0, 30}),
        {ModelBuilders::affine(0.5f, 0.0f, -20), ModelBuilders::affine(0.5f, 0.0f, 0),
         ModelBuilders::affine(0.5f, 0.0f, 20)}));
    // Meshes without pivots have one keyed shape. Body mesh in grid coordinates (0..1).
    body.meshes.push_back(ModelBuilders::quadMesh("D_BODY_MESH", std::string("D_BODY"), 0, 0, 1, 1,
                                                  MocModel::PivotSet{}, 500, 0));
    // Head in the rotation deformer's space: above the neck (y up is negative).
    body.meshes.push_back(ModelBuilders::quadMesh("D_HEAD_MESH", std::string("D_HEAD"), -120, -220, 240, 220,
                                                  MocModel::PivotSet{}, 510, 1));
    for (int side = 0; side < 2; ++side) {
        const char* param = side == 0 ? "PARAM_EYE_L_OPEN" : "PARAM_EYE_R_OPEN";
        MocModel::Mesh eye = ModelBuilders::quadMesh(side == 0 ? "D_EYE_L" : "D_EYE_R", std::string("D_HEAD"),
                                                     side == 0 ? -80.0f : 30.0f, -140, 50, 30,
                                                     ModelBuilders::pivots(param, {0, 1}), 520, 2);
        // Closed: the eye shrinks to a line at its middle.
        std::vector<float>& closed = eye.keyedPoints[0];
        for (size_t p = 1; p < closed.size(); p += 2) closed[p] = -125.0f;
        eye.opacities = {0.0f, 1.0f};
        body.meshes.push_back(eye);
    }
    model.parts.push_back(body);

    MocModel::Part arm;
    arm.id = "PARTS_01_ARM";
    arm.visible = false;
    arm.meshes.push_back(ModelBuilders::quadMesh("D_ARM", std::string(MocModel::DST_BASE), 420, 350, 60, 250,
                                                 MocModel::PivotSet{}, 490, 3));
    model.parts.push_back(arm);
    return model;
}

} // namespace tavrix_demo
