#include "mocwriter/MocModel.h"

#include <set>

namespace mocwriter {

std::int32_t MocModel::Mesh::numPts() const {
    return numPtsOverride ? *numPtsOverride : static_cast<std::int32_t>(uvs.size() / 2);
}

std::int32_t MocModel::Mesh::numPolygons() const {
    return numPolygonsOverride ? *numPolygonsOverride
                               : static_cast<std::int32_t>(indices.size() / 3);
}

std::int32_t MocModel::Mesh::optionFlag() const {
    if (optionFlagOverride) {
        return *optionFlagOverride;
    }
    std::int32_t flag = 0;
    if (optionValue) flag |= 0x01;
    flag |= (compositionMode & 0x0F) << 1;
    if (!culling) flag |= 0x20;
    return flag;
}

std::size_t MocModel::combinationCount(const PivotSet& pivots) {
    std::size_t count = 1;
    for (const PivotParam& p : pivots) {
        count *= p.values.size();
    }
    return count;
}

namespace {

// Collects problems with a location prefix such as "part P / mesh M: ".
class ProblemList {
public:
    explicit ProblemList(std::vector<std::string>& out) : out_(out) {}
    void add(const std::string& where, const std::string& what) { out_.push_back(where + ": " + what); }
    void expectCount(const std::string& where, const char* what, std::size_t actual,
                     std::size_t expected) {
        if (actual != expected) {
            add(where, std::string(what) + " has " + std::to_string(actual) + " entries, expected " +
                           std::to_string(expected));
        }
    }

private:
    std::vector<std::string>& out_;
};

void checkPivots(ProblemList& problems, const std::string& where, const MocModel::PivotSet& pivots,
                 const std::set<std::string>& paramIds) {
    for (const MocModel::PivotParam& p : pivots) {
        const std::string at = where + " / pivots of " + p.paramId;
        if (paramIds.count(p.paramId) == 0) {
            problems.add(at, "parameter is not defined by the model");
        }
        if (p.values.empty()) {
            problems.add(at, "no pivot values");
        }
        for (std::size_t i = 1; i < p.values.size(); ++i) {
            if (!(p.values[i - 1] < p.values[i])) {
                problems.add(at, "pivot values are not strictly ascending");
                break;
            }
        }
        if (p.countOverride && *p.countOverride != static_cast<std::int32_t>(p.values.size())) {
            problems.add(at, "pivot count override differs from the number of values");
        }
    }
}

void checkTarget(ProblemList& problems, const std::string& where,
                 const std::optional<std::string>& target, const std::set<std::string>& deformerIds) {
    if (target && *target != MocModel::DST_BASE && deformerIds.count(*target) == 0) {
        problems.add(where, "target deformer " + *target + " does not exist");
    }
}

void checkDeformer(ProblemList& problems, const std::string& partWhere, const MocModel::Deformer& d,
                   int formatVersion, const std::set<std::string>& paramIds,
                   const std::set<std::string>& deformerIds) {
    if (const auto* rot = std::get_if<MocModel::RotationDeformer>(&d)) {
        const std::string where = partWhere + " / rotation deformer " + rot->id;
        const std::size_t combos = MocModel::combinationCount(rot->pivots);
        checkPivots(problems, where, rot->pivots, paramIds);
        checkTarget(problems, where, rot->targetId, deformerIds);
        if (rot->targetId && *rot->targetId == rot->id) {
            problems.add(where, "deformer targets itself");
        }
        problems.expectCount(where, "affines", rot->affines.size(), combos);
        if (formatVersion >= 10) {
            problems.expectCount(where, "opacities", rot->opacities.size(), combos);
        }
        return;
    }
    const auto& grid = std::get<MocModel::GridDeformer>(d);
    const std::string where = partWhere + " / grid deformer " + grid.id;
    const std::size_t combos = MocModel::combinationCount(grid.pivots);
    checkPivots(problems, where, grid.pivots, paramIds);
    checkTarget(problems, where, grid.targetId, deformerIds);
    if (grid.targetId && *grid.targetId == grid.id) {
        problems.add(where, "deformer targets itself");
    }
    if (grid.row < 1 || grid.col < 1) {
        problems.add(where, "row and col must be at least 1");
    }
    problems.expectCount(where, "lattices", grid.lattices.size(), combos);
    if (grid.row >= 1 && grid.col >= 1) {
        const std::size_t floats = 2u * static_cast<std::size_t>(grid.row + 1) *
                                   static_cast<std::size_t>(grid.col + 1);
        for (std::size_t i = 0; i < grid.lattices.size(); ++i) {
            problems.expectCount(where, ("lattice " + std::to_string(i)).c_str(),
                                 grid.lattices[i].size(), floats);
        }
    }
    if (formatVersion >= 10) {
        problems.expectCount(where, "opacities", grid.opacities.size(), combos);
    }
}

void checkMesh(ProblemList& problems, const std::string& partWhere, const MocModel::Mesh& m,
               int formatVersion, const std::set<std::string>& paramIds,
               const std::set<std::string>& deformerIds) {
    const std::string where = partWhere + " / mesh " + m.id;
    const std::size_t combos = MocModel::combinationCount(m.pivots);
    checkPivots(problems, where, m.pivots, paramIds);
    checkTarget(problems, where, m.targetId, deformerIds);
    problems.expectCount(where, "draw orders", m.drawOrders.size(), combos);
    problems.expectCount(where, "opacities", m.opacities.size(), combos);
    problems.expectCount(where, "keyed point arrays", m.keyedPoints.size(), combos);
    if (m.uvs.size() % 2 != 0) {
        problems.add(where, "odd number of uv values");
    }
    if (m.indices.size() % 3 != 0) {
        problems.add(where, "index count is not a multiple of 3");
    }
    const std::size_t numPts = m.numPts() < 0 ? 0 : static_cast<std::size_t>(m.numPts());
    problems.expectCount(where, "uvs", m.uvs.size(), 2 * numPts);
    for (std::size_t i = 0; i < m.keyedPoints.size(); ++i) {
        problems.expectCount(where, ("keyed points " + std::to_string(i)).c_str(),
                             m.keyedPoints[i].size(), 2 * numPts);
    }
    if (m.numPolygons() < 0 || m.indices.size() != 3 * static_cast<std::size_t>(m.numPolygons())) {
        problems.add(where, "triangle count does not match the index list");
    }
    for (std::uint16_t index : m.indices) {
        if (index >= numPts) {
            problems.add(where, "index " + std::to_string(index) + " is beyond the points");
            break;
        }
    }
    if (m.compositionMode < 0 || m.compositionMode > 15) {
        problems.add(where, "composition mode must lie in 0..15");
    }
    if (formatVersion < 8 && (m.compositionMode != 0 || !m.culling || m.optionValue)) {
        problems.add(where, "option flags are not stored before format version 8");
    }
}

} // namespace

std::vector<std::string> MocModel::problems(int formatVersion) const {
    std::vector<std::string> out;
    ProblemList list(out);

    std::set<std::string> paramIds;
    for (const Param& p : params) {
        if (!paramIds.insert(p.id).second) {
            list.add("parameter " + p.id, "defined twice");
        }
        if (!(p.minValue <= p.defaultValue && p.defaultValue <= p.maxValue)) {
            list.add("parameter " + p.id, "default lies outside min..max");
        }
    }

    std::set<std::string> deformerIds;
    std::set<std::string> meshIds;
    std::set<std::string> partIds;
    for (const Part& part : parts) {
        if (!partIds.insert(part.id).second) {
            list.add("part " + part.id, "defined twice");
        }
        for (const Deformer& d : part.deformers) {
            const std::string& id = std::visit([](const auto& x) -> const std::string& { return x.id; }, d);
            if (!deformerIds.insert(id).second) {
                list.add("part " + part.id + " / deformer " + id, "defined twice");
            }
        }
        for (const Mesh& m : part.meshes) {
            if (!meshIds.insert(m.id).second) {
                list.add("part " + part.id + " / mesh " + m.id, "defined twice");
            }
        }
    }

    for (const Part& part : parts) {
        const std::string where = "part " + part.id;
        for (const Deformer& d : part.deformers) {
            checkDeformer(list, where, d, formatVersion, paramIds, deformerIds);
        }
        for (const Mesh& m : part.meshes) {
            checkMesh(list, where, m, formatVersion, paramIds, deformerIds);
        }
    }
    return out;
}

} // namespace mocwriter
