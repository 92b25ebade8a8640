// An opened model or project on the render thread: its project (a model is
// opened as a one-layer composition whose puppet fills the picture's width,
// as `tavrix draw` draws it) rendered through the substitute host and the
// effect plug-in exactly as `tavrix render` renders it, the puppet layer's
// sliders, and a bare copy of its model for animation and rig facts.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <json/json.h>

#include "ImageFile.h"
#include "Project.h"
#include "ProjectRenderer.h"
#include "Puppet.h"
#include "SceneInfo.h"

namespace tavrix {
class ATavrixModel;
}
namespace tavrix_host {
class Host;
}

namespace tavrix_viewer {

class FolderAccess;

// Which document to open.
struct SceneSource {
    bool isModel = false;
    // The model (a .moc or a model JSON file) or the project file.
    std::string path;
    // The textures of a .moc model.
    std::vector<std::string> textures;
    // The document as pages name it.
    std::string document;
};

// The composition asked for; zeros keep the document's own.
struct CompositionChoice {
    int width = 0;
    int height = 0;
    double frameRate = 0;
    int frameCount = 0;
};

class Scene {
public:
    // A model's picture by default: its canvas scaled to at most this a side.
    static constexpr int DEFAULT_MODEL_SIDE = 800;
    // A model plays at `tavrix play`'s default rate, five seconds by default.
    static constexpr int DEFAULT_MODEL_FPS = 30;

    // Opens source in host; null with the reason (one line naming the file).
    static std::unique_ptr<Scene> open(tavrix_host::Host& host, const SceneSource& source,
                                       const CompositionChoice& composition, const FolderAccess& folder,
                                       std::string& why);
    ~Scene();

    const SceneInfo& info() const { return description; }
    // The project document as opened (the composition chosen applied).
    const Json::Value& document() const { return project.document; }
    const std::string& projectPath() const { return project.file; }
    const SceneSource& source() const { return origin; }

    // The puppet layer's bare model, null without one, and its parameters.
    tavrix::ATavrixModel* puppetModel() { return model.get(); }
    const std::vector<tavrix_stage::PuppetParam>& puppetParams() const { return params; }
    // Puts the model parameter values (by row) into the bare model, every
    // row it holds: those given, and the defaults after them.
    void poseModel(const std::vector<float>& rows);

    // A slider of the puppet layer: a constant, or keys the host
    // interpolates between frames as `tavrix render` does.
    void setSlider(int index, const SliderValue& value);
    void setSliderKeys(int index, const std::vector<SliderKey>& keys);
    // How a project names a slider: by its name where no other parameter of
    // the effect bears it, else by its index.
    std::string projectName(int index) const;
    // The frame as straight RGBA at the composition's size.
    bool renderFrame(int frame, tavrix_media::RgbaImage& image, std::string& why);
    // The bare model's facts (the document `inspect --json` prints, updated
    // for its current values) with where canvas coordinates land in the
    // picture for the puppet layer's position and scale:
    // "toPixel": [k, x0, y0], pixel = (x0 + k x, y0 + k y).
    std::string rigJson(const SliderValue& position, double scale);

    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;

private:
    explicit Scene(tavrix_host::Host& host);
    bool findPuppet(const FolderAccess& folder, std::string& why);
    void describe(const FolderAccess& folder);

    SceneSource origin;
    tavrix_project::Project project;
    tavrix_project::ProjectRenderer renderer;
    std::unique_ptr<tavrix::ATavrixModel> model;
    std::vector<tavrix_stage::PuppetParam> params;
    SceneInfo description;
};

} // namespace tavrix_viewer
