// Plain description of a puppet model, as the ".moc" stream stores it.
//
// Every field maps to one field of the stream; MocModelSerializer writes them
// in the reader's order. Nothing is derived behind the caller's back except
// where a member says so (mesh point and triangle counts, the mesh option
// flag), and each of those can be overridden to write inconsistent data on
// purpose.
//
// Keyed values. An element keyed by parameters P0 ... Pm-1 with c0 ... cm-1
// pivots stores c0 x ... x cm-1 keyed values; the value for pivot choice
// (i0, ..., im-1) sits at index i0 + i1*c0 + i2*c0*c1 + ...: the first
// parameter varies fastest. An element with no parameters has one combination.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace mocwriter {

struct MocModel {
    // Name of the root of the deformer tree; a target of DST_BASE means
    // "transformed by no deformer".
    static constexpr const char* DST_BASE = "DST_BASE";

    // One model parameter (class 131).
    struct Param {
        std::string id;
        float minValue = 0.0f;
        float maxValue = 1.0f;
        float defaultValue = 0.0f;
    };

    // The pivots of one parameter (class 67): ascending parameter values.
    struct PivotParam {
        std::string paramId;
        std::vector<float> values;
        // Written as the pivot count; defaults to values.size().
        std::optional<std::int32_t> countOverride;
    };

    // The parameters an element is keyed by (class 66), in layout order.
    using PivotSet = std::vector<PivotParam>;

    // One keyed state of a rotation deformer (class 69).
    struct AffineKey {
        float originX = 0.0f;
        float originY = 0.0f;
        float scaleX = 1.0f;
        float scaleY = 1.0f;
        float rotationDeg = 0.0f;
        bool reflectX = false; // stored from format version 10
        bool reflectY = false; // stored from format version 10
    };

    // Rotation deformer (class 68).
    struct RotationDeformer {
        std::string id;
        // Parent deformer; nullopt writes a null object.
        std::optional<std::string> targetId = std::string(DST_BASE);
        PivotSet pivots;
        std::vector<AffineKey> affines;   // one per pivot combination
        std::vector<float> opacities;     // one per combination; stored from version 10
    };

    // Grid deformer (class 65): a lattice of col x row cells.
    struct GridDeformer {
        std::string id;
        std::optional<std::string> targetId = std::string(DST_BASE);
        std::int32_t row = 1;
        std::int32_t col = 1;
        PivotSet pivots;
        // One lattice per combination: (col + 1) * (row + 1) points as x, y
        // pairs, point (i, j) at float index 2 * (i + j * (col + 1)).
        std::vector<std::vector<float>> lattices;
        std::vector<float> opacities;     // one per combination; stored from version 10
    };

    using Deformer = std::variant<RotationDeformer, GridDeformer>;

    // Textured triangle mesh (class 70).
    struct Mesh {
        std::string id;
        std::optional<std::string> targetId = std::string(DST_BASE);
        PivotSet pivots;
        std::int32_t reservedOrder = 0;         // stored, unused by the runtime
        std::vector<std::int32_t> drawOrders;   // one per combination
        std::vector<float> opacities;           // one per combination
        std::int32_t textureNo = 0;
        std::vector<std::uint16_t> indices;     // three per triangle
        std::vector<std::vector<float>> keyedPoints; // one x, y array per combination
        std::vector<float> uvs;                 // u, v per point
        // Option flag contents (stored from format version 8).
        std::int32_t compositionMode = 0;       // 0 normal, 1 additive, 2 multiplicative; 0..15
        bool culling = true;
        std::optional<std::int32_t> optionValue; // sets flag bit 0 and follows the flag
        // Overrides for writing inconsistent meshes on purpose.
        std::optional<std::int32_t> numPtsOverride;
        std::optional<std::int32_t> numPolygonsOverride;
        std::optional<std::int32_t> optionFlagOverride;

        std::int32_t numPts() const;        // uvs.size() / 2 unless overridden
        std::int32_t numPolygons() const;   // indices.size() / 3 unless overridden
        // Bit 0: optionValue present; bits 1-4: compositionMode; bit 5: culling off.
        std::int32_t optionFlag() const;
    };

    // One part of the model (class 133).
    struct Part {
        std::string id;
        bool reservedFlag = false; // first stored bit, unused by the runtime
        bool visible = true;       // second stored bit
        std::vector<Deformer> deformers;
        std::vector<Mesh> meshes;
    };

    // Replacement set for a part (class 142). Not reachable from the model
    // root; written on its own with MocModelSerializer::writeAvatarPartsItem.
    struct AvatarPartsItem {
        std::string partsId;
        std::vector<Mesh> meshes;       // stored before the deformers
        std::vector<Deformer> deformers;
    };

    std::int32_t canvasWidth = 0;
    std::int32_t canvasHeight = 0;
    std::vector<Param> params;
    std::vector<Part> parts;

    // Number of keyed values an element with these pivots stores.
    static std::size_t combinationCount(const PivotSet& pivots);

    // Consistency problems a loader would trip over (keyed value counts that
    // do not match the pivots, lattices or point arrays of the wrong size,
    // indices beyond the points, targets naming no deformer). Empty when the
    // model is sound. `formatVersion` decides which stored fields are checked.
    std::vector<std::string> problems(int formatVersion = 10) const;
};

} // namespace mocwriter
