#include "DemoModel.h"

#include <cmath>

#include "DemoRig.h"
#include "mocwriter/ModelBuilders.h"

using mocwriter::MocModel;
using mocwriter::ModelBuilders;

namespace tavrix_demo {

namespace {

const float PI = 3.14159265f;
const float DEG = PI / 180.0f;
const char* const ROOT = MocModel::DST_BASE;

// Canvas landmarks at rest (y down).
const float CENTRE_X = 400.0f;
const Vec2 NECK{400, 470};          // the head turns around it
const Rect HEAD{210, 110, 380, 390}; // the face grids: all of the head
const Rect FRINGE{210, 140, 380, 360};
const Rect BACK_HAIR{200, 130, 400, 540};
const Rect BODY{120, 380, 560, 680};
const Rect CHEST{160, 420, 480, 640};
const Vec2 SHOULDER{234, 598}; // the puppet's right arm, on the viewer's left
const Vec2 ELBOW{234, 736};
const Vec2 HIPS{400, 1060};    // the body leans around it
const float EYE_DX = 62.0f;
const float EYE_Y = 352.0f;
const float EYE_CLOSED_Y = 362.0f;
const Vec2 MOUTH_CENTRE{400, 440};

Rect centred(Vec2 centre, Sprite sprite)
{
    const SpriteRegion region = spriteRegion(sprite);
    return {centre.x - region.width / 2.0f, centre.y - region.height / 2.0f, static_cast<float>(region.width),
            static_cast<float>(region.height)};
}

Rect at(float x, float y, Sprite sprite)
{
    const SpriteRegion region = spriteRegion(sprite);
    return {x, y, static_cast<float>(region.width), static_cast<float>(region.height)};
}

Vec2 mirrored(Vec2 p) { return {2.0f * CENTRE_X - p.x, p.y}; }

// Turning a rounded surface: where a point u (-1 .. 1 across the surface) at
// depth * (1 - u^2) is seen after turning by angle. For depths up to 0.55 the
// mapping stays monotonic up to about 42 degrees, so nothing folds over.
float turned(float u, float depth, float angle) { return u * std::cos(angle) + depth * (1.0f - u * u) * std::sin(angle); }

// The face turning left and right: the near side widens a little, the far
// side narrows, the middle moves furthest.
Vec2 turnSideways(const Pose& pose, Vec2 p)
{
    const float angle = pose["PARAM_ANGLE_X"] / 30.0f * 25.0f * DEG;
    const float halfWidth = HEAD.width / 2.0f;
    // Deepest across the eyes, nose and mouth; the crown and the chin lie
    // closer to the axis the head turns around, so they move less.
    const float v = (p.y - HEAD.y) / HEAD.height;
    const float depth = 0.15f + 0.4f * smoothstep(0.1f, 0.45f, v) * (1.0f - 0.5f * smoothstep(0.6f, 1.0f, v));
    return {CENTRE_X + halfWidth * turned((p.x - CENTRE_X) / halfWidth, depth, angle), p.y};
}

// The face turning up and down (positive: looking up).
Vec2 turnUpDown(const Pose& pose, Vec2 p)
{
    const float angle = -pose["PARAM_ANGLE_Y"] / 30.0f * 18.0f * DEG;
    const float halfHeight = HEAD.height / 2.0f;
    const float middle = HEAD.y + halfHeight;
    return {p.x, middle + halfHeight * turned((p.y - middle) / halfHeight, 0.4f, angle)};
}

// Hair swinging sideways, more towards its tips.
float swing(float amount, float v, float reach) { return amount * reach * std::pow(std::max(0.0f, v), 1.5f); }

// An eye's upper lash line: an arch over the open eye, a line curving down
// when closed. s runs from the outer corner to the inner one.
Vec2 lashCurve(const Pose& pose, float s, const char* openParam, bool left)
{
    const float open = pose[openParam];
    const float x = CENTRE_X - EYE_DX - 50.0f + 100.0f * s;
    const float arch = std::pow(std::max(0.0f, std::sin(PI * s)), 0.75f);
    const float openY = EYE_Y - 2.0f - 29.0f * arch;
    const float closedY = EYE_CLOSED_Y - 2.0f + 7.0f * std::sin(PI * s);
    const Vec2 p{x, closedY + (openY - closedY) * open};
    return left ? mirrored(p) : p;
}

// The lips' meeting line and the lower lip, s from the puppet's right
// corner to its left.
Vec2 mouthPoint(const Pose& pose, float s, float t)
{
    const float form = pose["PARAM_MOUTH_FORM"];
    const float open = pose["PARAM_MOUTH_OPEN_Y"];
    const float u = 2.0f * s - 1.0f;
    const float bow = std::max(0.0f, 1.0f - u * u);
    const float meet = MOUTH_CENTRE.y - (2.0f + form * 7.0f) * u * u + form * 2.0f;
    const float upper = meet - open * 4.0f * bow;
    const float lower = meet + open * (28.0f + 6.0f * form) * std::pow(bow, 0.7f);
    const float halfWidth = 26.0f + 4.0f * form + 3.0f * open;
    return {MOUTH_CENTRE.x + u * halfWidth, upper + (lower - upper) * t};
}

MocModel::PivotSet pivots(const char* param, std::vector<float> values)
{
    return ModelBuilders::pivots(param, std::move(values));
}

MocModel::PivotSet pivots2(const char* first, std::vector<float> firstValues, const char* second,
                           std::vector<float> secondValues)
{
    MocModel::PivotSet set = pivots(first, std::move(firstValues));
    set.push_back(pivots(second, std::move(secondValues))[0]);
    return set;
}

void addBody(DemoRig& rig)
{
    const int part = rig.addPart("PARTS_01_BODY");
    // The body leans from the hips, bending a little at the chest.
    rig.addGrid(part, "D_BODY", ROOT, 4, 4, BODY, pivots("PARAM_BODY_ANGLE_X", {-10, 0, 10}),
                [](const Pose& pose, Vec2 p) {
                    const float lean = pose["PARAM_BODY_ANGLE_X"] / 10.0f;
                    const float up = 1.0f - (p.y - BODY.y) / BODY.height;
                    const float angle = lean * (4.0f + 2.0f * up) * DEG;
                    const Vec2 r = p - HIPS;
                    return Vec2{HIPS.x + r.x * std::cos(angle) - r.y * std::sin(angle),
                                HIPS.y + r.x * std::sin(angle) + r.y * std::cos(angle)};
                });
    // Breathing lifts the shoulders and widens the chest a little.
    rig.addGrid(part, "D_BREATH", "D_BODY", 4, 4, CHEST, pivots("PARAM_BREATH", {0, 1}),
                [](const Pose& pose, Vec2 p) {
                    const float breath = pose["PARAM_BREATH"];
                    const float up = 1.0f - (p.y - CHEST.y) / CHEST.height;
                    return Vec2{CENTRE_X + (p.x - CENTRE_X) * (1.0f + 0.02f * breath * up),
                                p.y - 8.0f * breath * std::pow(up, 1.5f)};
                });
    rig.addMesh(part, "M_NECK", "D_BREATH", Sprite::NECK, spriteGrid(Sprite::NECK, 2, 6), {}, 510,
                inRect(at(355, 430, Sprite::NECK), false));
    rig.addMesh(part, "M_TORSO", "D_BREATH", Sprite::TORSO, spriteGrid(Sprite::TORSO, 10, 10), {}, 520,
                inRect(at(170, 535, Sprite::TORSO), false));
}

// One arm: raising it (10) swings the upper arm out and bends the forearm up
// beside the head, a wave; -10 tucks it in.
void addArm(DemoRig& rig, bool left)
{
    const std::string side = left ? "L" : "R";
    const std::string param = "PARAM_ARM_" + side;
    const int part = rig.addPart("PARTS_01_ARM_" + side);
    const float turn = left ? -1.0f : 1.0f; // outwards is clockwise on the viewer's left
    const Vec2 shoulder = left ? mirrored(SHOULDER) : SHOULDER;
    const Vec2 elbow = left ? mirrored(ELBOW) : ELBOW;
    const std::vector<float> raise = {-10, 0, 10};
    auto angle = [param, turn](float down, float up) {
        return [param, turn, down, up](const Pose& pose) {
            const float a = pose[param] / 10.0f;
            return turn * (a >= 0.0f ? a * up : -a * down);
        };
    };
    rig.addRotation(part, "D_ARM_" + side, "D_BREATH", pivots(param.c_str(), raise),
                    [shoulder](const Pose&) { return shoulder; }, angle(-8.0f, 40.0f));
    rig.addRotation(part, "D_FOREARM_" + side, "D_ARM_" + side, pivots(param.c_str(), raise),
                    [elbow](const Pose&) { return elbow; }, angle(-15.0f, 130.0f));
    const float x = left ? mirrored({274, 0}).x : 194.0f;
    rig.addMesh(part, "M_UPPER_ARM_" + side, "D_ARM_" + side, Sprite::UPPER_ARM, spriteGrid(Sprite::UPPER_ARM, 3, 8),
                {}, 530, inRect(at(x, 560, Sprite::UPPER_ARM), left));
    rig.addMesh(part, "M_FOREARM_" + side, "D_FOREARM_" + side, Sprite::FOREARM, spriteGrid(Sprite::FOREARM, 3, 8),
                {}, 532, inRect(at(x, 712, Sprite::FOREARM), left));
}

void addHead(DemoRig& rig)
{
    const int part = rig.addPart("PARTS_01_FACE");
    rig.addRotation(part, "D_HEAD", "D_BREATH", pivots("PARAM_ANGLE_Z", {-30, 0, 30}),
                    [](const Pose&) { return NECK; },
                    [](const Pose& pose) { return pose["PARAM_ANGLE_Z"] * 0.6f; });
    // Turning sideways, then up and down inside it: everything on the face
    // hangs below both.
    rig.addGrid(part, "D_FACE_X", "D_HEAD", 8, 8, HEAD, pivots("PARAM_ANGLE_X", {-30, 0, 30}), turnSideways);
    rig.addGrid(part, "D_FACE_Y", "D_FACE_X", 8, 8, HEAD, pivots("PARAM_ANGLE_Y", {-30, 0, 30}), turnUpDown);
    rig.addMesh(part, "M_FACE", "D_FACE_Y", Sprite::FACE, spriteGrid(Sprite::FACE, 10, 10), {}, 545,
                inRect(centred({400, 330}, Sprite::FACE), false));
    for (bool left : {false, true}) {
        const Vec2 cheek = left ? mirrored({332, 410}) : Vec2{332, 410};
        rig.addMesh(part, std::string("M_BLUSH_") + (left ? "L" : "R"), "D_FACE_Y", Sprite::BLUSH,
                    spriteGrid(Sprite::BLUSH, 2, 2), {}, 548, inRect(centred(cheek, Sprite::BLUSH), left));
    }
    rig.addMesh(part, "M_NOSE", "D_FACE_Y", Sprite::NOSE, spriteGrid(Sprite::NOSE, 1, 1), {}, 550,
                inRect(centred({400, 400}, Sprite::NOSE), false));

    const int mouth = rig.addPart("PARTS_01_MOUTH");
    const MocModel::PivotSet mouthPivots =
        pivots2("PARAM_MOUTH_FORM", {-1, 0, 1}, "PARAM_MOUTH_OPEN_Y", {0, 1});
    rig.addMesh(mouth, "M_MOUTH", "D_FACE_Y", Sprite::MOUTH, spriteGrid(Sprite::MOUTH, 8, 2), mouthPivots, 552,
                [](const Pose& pose, Vec2 st) { return mouthPoint(pose, st.x, st.y); });
    rig.addMesh(mouth, "M_MOUTH_LINE", "D_FACE_Y", Sprite::MOUTH_LINE, spriteGrid(Sprite::MOUTH_LINE, 10, 1),
                mouthPivots, 553,
                alongCurve([](const Pose& pose, float s) { return mouthPoint(pose, s, 0.0f); }, 16.0f));
}

void addEye(DemoRig& rig, bool left)
{
    const std::string side = left ? "L" : "R";
    const char* open = left ? "PARAM_EYE_L_OPEN" : "PARAM_EYE_R_OPEN";
    const int part = rig.addPart("PARTS_01_EYE_" + side);
    const Vec2 centre = left ? Vec2{CENTRE_X + EYE_DX, EYE_Y} : Vec2{CENTRE_X - EYE_DX, EYE_Y};
    // Closing squashes the white and the iris onto the line where the lids meet.
    auto close = [open](const Pose& pose, Vec2 p) {
        return Vec2{p.x, EYE_CLOSED_Y + (p.y - EYE_CLOSED_Y) * pose[open]};
    };
    rig.addMesh(part, "M_EYE_WHITE_" + side, "D_FACE_Y", Sprite::EYE_WHITE, spriteGrid(Sprite::EYE_WHITE, 4, 4),
                pivots(open, {0, 1}), 555, inRect(centred(centre, Sprite::EYE_WHITE), left, close));
    MocModel::PivotSet irisPivots = pivots2(open, {0, 1}, "PARAM_EYE_BALL_X", {-1, 0, 1});
    irisPivots.push_back(pivots("PARAM_EYE_BALL_Y", {-1, 0, 1})[0]);
    rig.addMesh(part, "M_IRIS_" + side, "D_FACE_Y", Sprite::IRIS, spriteGrid(Sprite::IRIS, 4, 4), irisPivots, 556,
                [centre, close](const Pose& pose, Vec2 st) {
                    const Vec2 look{11.0f * pose["PARAM_EYE_BALL_X"], -6.0f * pose["PARAM_EYE_BALL_Y"]};
                    const Rect r = centred(centre + look, Sprite::IRIS);
                    return close(pose, {r.x + st.x * r.width, r.y + st.y * r.height});
                });
    rig.addMesh(part, "M_LASH_" + side, "D_FACE_Y", Sprite::LASH, spriteGrid(Sprite::LASH, 16, 1),
                pivots(open, {0, 1}), 558,
                alongCurve([open, left](const Pose& pose, float s) { return lashCurve(pose, s, open, left); },
                           28.0f));
    rig.addMesh(part, "M_BROW_" + side, "D_FACE_Y", Sprite::BROW, spriteGrid(Sprite::BROW, 12, 1), {}, 560,
                alongCurve(
                    [left](const Pose&, float s) {
                        const Vec2 p{CENTRE_X - EYE_DX - 46.0f + 84.0f * s, 303.0f - 9.0f * std::sin(PI * s) - 3.0f * s};
                        return left ? mirrored(p) : p;
                    },
                    22.0f));
}

void addHair(DemoRig& rig)
{
    const int back = rig.addPart("PARTS_01_HAIR_BACK");
    // Behind the head: swings with PARAM_HAIR_BACK and moves against the
    // face's turn, so the head reads as round.
    rig.addGrid(back, "D_HAIR_BACK", "D_HEAD", 5, 5, BACK_HAIR,
                pivots2("PARAM_HAIR_BACK", {-1, 0, 1}, "PARAM_ANGLE_X", {-30, 0, 30}),
                [](const Pose& pose, Vec2 p) {
                    const float v = (p.y - BACK_HAIR.y) / BACK_HAIR.height;
                    const float against = -pose["PARAM_ANGLE_X"] / 30.0f * 8.0f;
                    return Vec2{p.x + swing(pose["PARAM_HAIR_BACK"], v, 30.0f) + against, p.y};
                });
    rig.addMesh(back, "M_HAIR_BACK", "D_HAIR_BACK", Sprite::HAIR_BACK, spriteGrid(Sprite::HAIR_BACK, 10, 12), {},
                500, inRect(at(210, 140, Sprite::HAIR_BACK), false));

    const int front = rig.addPart("PARTS_01_HAIR_FRONT");
    rig.addGrid(front, "D_HAIR_FRONT", "D_FACE_Y", 6, 6, FRINGE, pivots("PARAM_HAIR_FRONT", {-1, 0, 1}),
                [](const Pose& pose, Vec2 p) {
                    const float v = (p.y - FRINGE.y) / FRINGE.height;
                    return Vec2{p.x + swing(pose["PARAM_HAIR_FRONT"], v, 24.0f), p.y};
                });
    for (bool left : {false, true}) {
        const float x = left ? mirrored({304, 0}).x : 234.0f;
        rig.addMesh(front, std::string("M_SIDE_LOCK_") + (left ? "L" : "R"), "D_HAIR_FRONT", Sprite::SIDE_LOCK,
                    spriteGrid(Sprite::SIDE_LOCK, 3, 10), {}, 565, inRect(at(x, 252, Sprite::SIDE_LOCK), left));
    }
    rig.addMesh(front, "M_BANGS", "D_HAIR_FRONT", Sprite::BANGS, spriteGrid(Sprite::BANGS, 12, 6), {}, 570,
                inRect(at(210, 140, Sprite::BANGS), false));
}

} // namespace

MocModel demoModel()
{
    MocModel model;
    model.canvasWidth = 800;
    model.canvasHeight = 1000;
    model.params = {
        ModelBuilders::param("PARAM_ANGLE_X", -30, 30, 0),
        ModelBuilders::param("PARAM_ANGLE_Y", -30, 30, 0),
        ModelBuilders::param("PARAM_ANGLE_Z", -30, 30, 0),
        ModelBuilders::param("PARAM_EYE_L_OPEN", 0, 1, 1),
        ModelBuilders::param("PARAM_EYE_R_OPEN", 0, 1, 1),
        ModelBuilders::param("PARAM_EYE_BALL_X", -1, 1, 0),
        ModelBuilders::param("PARAM_EYE_BALL_Y", -1, 1, 0),
        ModelBuilders::param("PARAM_MOUTH_FORM", -1, 1, 0),
        ModelBuilders::param("PARAM_MOUTH_OPEN_Y", 0, 1, 0),
        ModelBuilders::param("PARAM_BODY_ANGLE_X", -10, 10, 0),
        ModelBuilders::param("PARAM_BREATH", 0, 1, 0),
        ModelBuilders::param("PARAM_ARM_L", -10, 10, 0),
        ModelBuilders::param("PARAM_ARM_R", -10, 10, 0),
        ModelBuilders::param("PARAM_HAIR_FRONT", -1, 1, 0),
        ModelBuilders::param("PARAM_HAIR_BACK", -1, 1, 0),
    };
    DemoRig rig(model);
    addBody(rig);
    addArm(rig, false);
    addArm(rig, true);
    addHead(rig);
    addEye(rig, false);
    addEye(rig, true);
    addHair(rig);
    return model;
}

} // namespace tavrix_demo
