#pragma once

#include <stdint.h>

#include <string>
#include <vector>

namespace tavrix {
class ATavrixModel;
}

// One effect instance's record, kept in the host's sequence-data handle.
// From set-up until freeSequenceDataContents, loadInfoJson and textureIds are
// set; textureIds holds exactly the model's textures (none without a model),
// which belong to the effect's private OpenGL context.
struct SequenceData {
    // The last accepted load result: JSON naming the model and texture
    // files; empty when nothing was loaded. Owned.
    std::string* loadInfoJson;
    // The loaded model or null; owned, destroyed through its virtual
    // destructor.
    tavrix::ATavrixModel* model;
    // Set by the first render with a model, which asks for the model's
    // defaults to be applied to the sliders.
    bool paramsInitialized;
    // OpenGL texture names of model, in texture-number order. Owned.
    std::vector<uint32_t>* textureIds;
};
