#include "DemoRig.h"

#include <cmath>
#include <stdexcept>

#include "mocwriter/ModelBuilders.h"

using mocwriter::MocModel;
using mocwriter::ModelBuilders;

namespace tavrix_demo {

Pose::Pose(const std::vector<MocModel::Param>& params)
{
    for (const MocModel::Param& param : params) values[param.id] = param.defaultValue;
}

float Pose::operator[](const std::string& paramId) const
{
    const auto found = values.find(paramId);
    return found == values.end() ? 0.0f : found->second;
}

void Pose::set(const std::string& paramId, float value) { values[paramId] = value; }

MeshShape spriteGrid(Sprite sprite, int cols, int rows)
{
    const DemoTexture painted = paintSprite(sprite);
    const int margin = 2;
    auto cellUsed = [&](int i, int j) {
        const int x0 = std::max(0, painted.width * i / cols - margin);
        const int x1 = std::min(painted.width, painted.width * (i + 1) / cols + margin);
        const int y0 = std::max(0, painted.height * j / rows - margin);
        const int y1 = std::min(painted.height, painted.height * (j + 1) / rows + margin);
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                if (painted.rgba[(static_cast<size_t>(y) * painted.width + x) * 4 + 3] != 0) return true;
        return false;
    };
    MeshShape shape;
    std::vector<int> pointIndex(static_cast<size_t>(cols + 1) * (rows + 1), -1);
    auto point = [&](int i, int j) {
        int& index = pointIndex[static_cast<size_t>(j) * (cols + 1) + i];
        if (index < 0) {
            index = static_cast<int>(shape.st.size());
            shape.st.push_back({static_cast<float>(i) / cols, static_cast<float>(j) / rows});
        }
        return static_cast<uint16_t>(index);
    };
    for (int j = 0; j < rows; ++j) {
        for (int i = 0; i < cols; ++i) {
            if (!cellUsed(i, j)) continue;
            // Two triangles, clockwise on screen like every mesh of the model.
            const uint16_t a = point(i, j), b = point(i + 1, j), c = point(i, j + 1), d = point(i + 1, j + 1);
            shape.indices.insert(shape.indices.end(), {a, b, c, c, b, d});
        }
    }
    return shape;
}

DemoRig::DemoRig(MocModel& model) : model(model) {}

int DemoRig::addPart(const std::string& id)
{
    MocModel::Part part;
    part.id = id;
    model.parts.push_back(part);
    return static_cast<int>(model.parts.size()) - 1;
}

void DemoRig::addRotation(int part, const std::string& id, const std::string& parent, MocModel::PivotSet pivots,
                          const PoseToPoint& origin, const PoseToAngle& angleDeg)
{
    const Pose rest(model.params);
    if (angleDeg(rest) != 0.0f) throw std::logic_error(id + ": a rotation deformer must be unturned at rest");
    std::vector<MocModel::AffineKey> keys;
    for (const Pose& pose : poses(pivots)) {
        const Vec2 o = toFrame(parent, origin(pose));
        keys.push_back(ModelBuilders::affine(o.x, o.y, angleDeg(pose)));
    }
    model.parts[part].deformers.push_back(ModelBuilders::rotationDeformer(id, parent, std::move(pivots), keys));
    frames[id] = Frame{false, Rect{}, origin(rest)};
}

void DemoRig::addGrid(int part, const std::string& id, const std::string& parent, int rows, int cols, Rect rest,
                      MocModel::PivotSet pivots, const Warp& warp)
{
    MocModel::GridDeformer grid =
        ModelBuilders::gridDeformer(id, parent, rows, cols, rest.x, rest.y, rest.width, rest.height, pivots);
    const Pose restPose(model.params);
    const std::vector<Pose> all = poses(pivots);
    for (size_t k = 0; k < all.size(); ++k) {
        std::vector<float>& lattice = grid.lattices[k];
        for (size_t i = 0; i + 1 < lattice.size(); i += 2) {
            const Vec2 point{lattice[i], lattice[i + 1]};
            const Vec2 atRest = warp(restPose, point);
            if (std::fabs(atRest.x - point.x) > 1e-3f || std::fabs(atRest.y - point.y) > 1e-3f)
                throw std::logic_error(id + ": a grid deformer must be regular at rest");
            const Vec2 moved = toFrame(parent, warp(all[k], point));
            lattice[i] = moved.x;
            lattice[i + 1] = moved.y;
        }
    }
    model.parts[part].deformers.push_back(grid);
    frames[id] = Frame{true, rest, Vec2{}};
}

void DemoRig::addMesh(int part, const std::string& id, const std::string& parent, Sprite sprite,
                      const MeshShape& shape, MocModel::PivotSet pivots, int drawOrder, const Placement& placement)
{
    const SpriteRegion region = spriteRegion(sprite);
    MocModel::Mesh mesh;
    mesh.id = id;
    mesh.targetId = parent;
    mesh.textureNo = region.textureNo;
    // Mirrored pieces and deformed shapes may turn triangles over.
    mesh.culling = false;
    mesh.indices = shape.indices;
    for (const Vec2& st : shape.st) {
        mesh.uvs.push_back((region.x + st.x * region.width) / region.sheetWidth);
        mesh.uvs.push_back((region.y + st.y * region.height) / region.sheetHeight);
    }
    for (const Pose& pose : poses(pivots)) {
        std::vector<float> points;
        for (const Vec2& st : shape.st) {
            const Vec2 p = toFrame(parent, placement(pose, st));
            points.push_back(p.x);
            points.push_back(p.y);
        }
        mesh.keyedPoints.push_back(points);
        mesh.drawOrders.push_back(drawOrder);
        mesh.opacities.push_back(1.0f);
    }
    mesh.pivots = std::move(pivots);
    model.parts[part].meshes.push_back(mesh);
}

Vec2 DemoRig::toFrame(const std::string& deformer, Vec2 p) const
{
    if (deformer == MocModel::DST_BASE) return p;
    const auto found = frames.find(deformer);
    if (found == frames.end()) throw std::logic_error("no deformer " + deformer + " before its children");
    const Frame& frame = found->second;
    if (!frame.grid) return p - frame.origin;
    return {(p.x - frame.rect.x) / frame.rect.width, (p.y - frame.rect.y) / frame.rect.height};
}

std::vector<Pose> DemoRig::poses(const MocModel::PivotSet& pivots) const
{
    const size_t count = MocModel::combinationCount(pivots);
    std::vector<Pose> result(count, Pose(model.params));
    for (size_t k = 0; k < count; ++k) {
        // The first parameter varies fastest.
        size_t rest = k;
        for (const MocModel::PivotParam& param : pivots) {
            result[k].set(param.paramId, param.values[rest % param.values.size()]);
            rest /= param.values.size();
        }
    }
    return result;
}

DemoRig::Placement inRect(Rect rect, bool mirrored, DemoRig::Warp warp)
{
    return [rect, mirrored, warp](const Pose& pose, Vec2 st) {
        const float s = mirrored ? 1.0f - st.x : st.x;
        const Vec2 p{rect.x + s * rect.width, rect.y + st.y * rect.height};
        return warp ? warp(pose, p) : p;
    };
}

DemoRig::Placement alongCurve(std::function<Vec2(const Pose&, float)> curve, float width)
{
    return [curve, width](const Pose& pose, Vec2 st) {
        const float step = 0.01f;
        const Vec2 tangent = curve(pose, st.x + step) - curve(pose, st.x - step);
        Vec2 normal = Vec2{-tangent.y, tangent.x} * (1.0f / length(tangent));
        // Strokes run across the face, so "across" points down whichever way
        // the curve runs; mirrored strokes keep their texture's upper side up.
        if (normal.y < 0.0f) normal = normal * -1.0f;
        return curve(pose, st.x) + normal * ((st.y - 0.5f) * width);
    };
}

} // namespace tavrix_demo
