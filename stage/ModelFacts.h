// What a model is made of and where it stands after its last update: the
// parameters, parts, deformers and meshes with their evaluated geometry in
// canvas coordinates, and the order meshes are drawn in. `tavrix inspect`
// prints it; the viewer draws the rig from it.
#pragma once

#include <string>
#include <vector>

namespace tavrix {
class ATavrixModel;
class IBaseContext;
class IBaseData;
class ModelContext;
class ModelImpl;
} // namespace tavrix

namespace tavrix_stage {

// One deformer in file order (part by part), with its evaluated state; the
// context is null when the parents-first ordering left the deformer out.
struct DeformerFacts {
    tavrix::IBaseData* data;
    int part;
    tavrix::IBaseContext* context;
};

std::vector<DeformerFacts> collectDeformers(tavrix::ModelImpl* impl, tavrix::ModelContext& context);

// Indices of the meshes that would be drawn, back to front.
std::vector<int> drawSequence(tavrix::ModelContext& context);

// The default of every parameter row: its first definition's, 0 for a row
// the model does not define.
std::vector<float> paramDefaults(tavrix::ATavrixModel& model);

// One JSON document of the updated model (the format `inspect --json`
// documents); floats with 9 significant digits, NaN and infinities as null.
std::string modelFactsJson(tavrix::ATavrixModel& model);

} // namespace tavrix_stage
