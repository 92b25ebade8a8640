// The bundled demo puppet, described in code.
#pragma once

#include "mocwriter/MocModel.h"

namespace tavrix_demo {

// A bust-up puppet on an 800 x 1000 canvas, textured from the three sheets
// of demoTextures() (DemoTextures.h). Left and right (L, R) are the puppet's own:
// its left eye and arm are on the viewer's right.
//
// Deformers, parents first: D_BODY (grid, PARAM_BODY_ANGLE_X leans the body)
// > D_BREATH (grid, PARAM_BREATH) > D_HEAD (rotation, PARAM_ANGLE_Z tilts the
// head) > D_FACE_X (grid, PARAM_ANGLE_X turns the face left and right) >
// D_FACE_Y (grid, PARAM_ANGLE_Y turns it up and down) > D_HAIR_FRONT (grid,
// PARAM_HAIR_FRONT swings the fringe and side locks). D_HAIR_BACK (grid under
// D_HEAD) swings with PARAM_HAIR_BACK; D_ARM_x > D_FOREARM_x (rotations under
// D_BREATH) raise an arm with PARAM_ARM_x (-10 .. 10).
//
// Meshes on the face follow PARAM_EYE_L_OPEN and PARAM_EYE_R_OPEN (0 closed,
// 1 open), PARAM_EYE_BALL_X and _Y (the irises), PARAM_MOUTH_OPEN_Y (0 .. 1)
// and PARAM_MOUTH_FORM (-1 frown .. 1 smile).
mocwriter::MocModel demoModel();

} // namespace tavrix_demo
