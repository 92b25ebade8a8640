// Builds the demo puppet's model description from shapes authored in canvas
// coordinates.
//
// Every keyed element is given as a function of a Pose (the parameter values
// of one pivot combination, the others at their defaults); the rig evaluates
// it for every combination and stores the result in the coordinates that the
// element's parent deformer expects: offsets from the origin under a rotation
// deformer, 0..1 lattice coordinates under a grid deformer. At the default
// pose every deformer is an identity-like placement (no rotation, regular
// axis-aligned lattices), so a shape drawn in canvas coordinates converts to
// any parent's frame without solving anything.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "DemoTextures.h"
#include "DemoPaint.h"
#include "mocwriter/MocModel.h"

namespace tavrix_demo {

struct Rect {
    float x = 0.0f;
    float y = 0.0f;
    float width = 0.0f;
    float height = 0.0f;
};

class Pose {
public:
    explicit Pose(const std::vector<mocwriter::MocModel::Param>& params);
    float operator[](const std::string& paramId) const; // the value, or 0 for an unknown id
    void set(const std::string& paramId, float value);

private:
    std::map<std::string, float> values;
};

// Points of a sprite mesh as (s, t) in 0..1 across the sprite, and its
// triangles.
struct MeshShape {
    std::vector<Vec2> st;
    std::vector<uint16_t> indices;
};

// A cols x rows grid over the sprite; cells whose texels (and a margin
// around them) are all transparent are left out, so the mesh follows the
// painted shape.
MeshShape spriteGrid(Sprite sprite, int cols, int rows);

class DemoRig {
public:
    using PoseToPoint = std::function<Vec2(const Pose&)>;
    using PoseToAngle = std::function<float(const Pose&)>;
    // Where a rest point (canvas coordinates) goes in a pose.
    using Warp = std::function<Vec2(const Pose&, Vec2)>;
    // Where the sprite point (s, t) lies in a pose, in canvas coordinates.
    using Placement = std::function<Vec2(const Pose&, Vec2)>;

    explicit DemoRig(mocwriter::MocModel& model);

    int addPart(const std::string& id);
    void addRotation(int part, const std::string& id, const std::string& parent, mocwriter::MocModel::PivotSet pivots,
                     const PoseToPoint& origin, const PoseToAngle& angleDeg);
    void addGrid(int part, const std::string& id, const std::string& parent, int rows, int cols, Rect rest,
                 mocwriter::MocModel::PivotSet pivots, const Warp& warp);
    void addMesh(int part, const std::string& id, const std::string& parent, Sprite sprite, const MeshShape& shape,
                 mocwriter::MocModel::PivotSet pivots, int drawOrder, const Placement& placement);

private:
    // How a deformer's children map to canvas coordinates at the default pose.
    struct Frame {
        bool grid = false;
        Rect rect;   // grid: the lattice's rectangle
        Vec2 origin; // rotation: the origin
    };

    Vec2 toFrame(const std::string& deformer, Vec2 canvasPoint) const;
    std::vector<Pose> poses(const mocwriter::MocModel::PivotSet& pivots) const;

    mocwriter::MocModel& model;
    std::map<std::string, Frame> frames;
};

// Placements of a sprite drawn in a canvas rectangle, optionally mirrored
// left to right, then moved by warp.
DemoRig::Placement inRect(Rect rect, bool mirrored, DemoRig::Warp warp = nullptr);

// A stroke sprite laid along a curve: s runs along curve(pose, s), t across
// it over width canvas units, t = 0 on the upper side.
DemoRig::Placement alongCurve(std::function<Vec2(const Pose&, float)> curve, float width);

} // namespace tavrix_demo
