// A puppet on a stage: a model and its textures loaded into the stage's
// context, its parameters by name with their ranges and defaults, and where
// it stands in the picture.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "ModelFiles.h"

namespace tavrix {
class ATavrixModel;
class TavrixModelOpenGL;
} // namespace tavrix

namespace tavrix_stage {

class Stage;

// A parameter the model defines: its id, range and default, and its row in
// the model's parameter table (for setting it by index).
struct PuppetParam {
    std::string id;
    float min = 0;
    float max = 0;
    float defaultValue = 0;
    int row = -1;
};

// What a model load result means, in words ("invalid model data").
const char* describeLoadResult(int result);
// "PATH: cannot load model: result N, what it means: the runtime's message"
// for the load that just failed (the message when the runtime gave one).
std::string describeLoadFailure(const std::string& modelPath, int result);

// The parameters a model defines, in model order (a model needs no stage
// for this: evaluating without drawing takes a bare model).
std::vector<PuppetParam> modelParams(tavrix::ATavrixModel& model);

class Puppet {
public:
    // Loads the model and its textures with the stage's context current. A
    // texture that cannot be decoded adds a warning naming it (meshes using
    // it draw black); the puppet still loads. Null when the model cannot be
    // loaded, with why naming the file, the load result and the runtime's
    // message, and loadResult holding the result.
    static std::unique_ptr<Puppet> load(Stage& stage, const ModelFiles& files, std::vector<std::string>& warnings,
                                        std::string& why, int* loadResult = nullptr);
    // Frees the model and its textures; the stage's context must be current.
    ~Puppet();

    tavrix::TavrixModelOpenGL& model() { return *loaded; }
    float canvasWidth() const;
    float canvasHeight() const;

    // The model's parameters in model order.
    const std::vector<PuppetParam>& params() const { return paramList; }
    // The parameter of that id, or null when the model defines none.
    const PuppetParam* findParam(const std::string& id) const;
    // Sets the parameter of that id (weight 1 replaces the value); a model
    // keeps values of ids it does not define too, as its table allows.
    void setParam(const std::string& id, float value, float weight = 1.0f);
    // Evaluates the model for its current parameter values.
    void update();

    // Where it stands in a picture: by default its canvas fills the picture's
    // width with y running down from the top edge; placed, the model point
    // (canvasWidth / 2, canvasWidth / 2) stands on the pixel (x, y) and scale
    // multiplies its size around it.
    void fillWidth() { placed = false; }
    void place(double x, double y, float scale);

    Puppet(const Puppet&) = delete;
    Puppet& operator=(const Puppet&) = delete;

private:
    friend class Stage;
    Puppet() = default;
    // Gives the model the projection of a width x height picture.
    void project(int width, int height);

    tavrix::TavrixModelOpenGL* loaded = nullptr;
    std::vector<unsigned int> textures;
    std::vector<PuppetParam> paramList;
    bool placed = false;
    double placeX = 0;
    double placeY = 0;
    float placeScale = 1;
};

} // namespace tavrix_stage
