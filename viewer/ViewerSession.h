// Everything the render thread holds: the substitute host with the effect
// plug-in, the documents pages have opened (a few at once, at the sizes
// they asked for), their animations and the sounds they talk with. Every
// call comes from the render thread: the runtime and OpenGL are used from
// that one thread only.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <json/json.h>

#include "AnimationFiles.h"
#include "Host.h"
#include "Scene.h"
#include "ShotAnimation.h"
#include "ViewState.h"

namespace tavrix_viewer {

class FolderAccess;
class UploadStore;

// An answer's failure: an HTTP status and the reason.
struct Failure {
    int status = 500;
    std::string reason;
};

class ViewerSession {
public:
    // Documents kept open at once.
    static constexpr size_t MAX_SCENES = 4;

    ViewerSession(const SceneSource& command, const FolderAccess& folder, const UploadStore& uploads,
                  const std::string& pluginPath);
    ~ViewerSession();

    // Starts the runtime, loads the plug-in and opens the command's document.
    bool open(std::string& why);
    void close();

    // What a page shows of a document: its sliders, composition, what it
    // sets, and the files of the folder it may choose.
    bool describe(const std::string& document, std::string& json, Failure& failure);
    // The frame a page's request asks for, as the binary message it is sent.
    bool frame(const Json::Value& request, std::string& message, Failure& failure);
    // The frame a state shows, as the PNG file's bytes `tavrix render` (and
    // for a model `tavrix draw`) writes for it.
    bool exportPng(const Json::Value& state, std::string& png, Failure& failure);
    // Saves the shot as a project of the folder; the answer's JSON.
    bool save(const std::string& name, const Json::Value& state, std::string& json, Failure& failure);

    ViewerSession(const ViewerSession&) = delete;
    ViewerSession& operator=(const ViewerSession&) = delete;

private:
    struct OpenScene {
        std::string document;
        bool ownComposition = false;
        std::unique_ptr<Scene> scene;
        std::unique_ptr<ShotAnimation> animation;
        uint64_t lastUse = 0;
    };
    // A frame's slider values as the effect gets them, and the model's rows.
    struct Pose {
        std::vector<std::pair<int, SliderValue>> sliders;
        std::vector<float> rows;
    };

    bool sourceOf(const std::string& document, SceneSource& source, Failure& failure) const;
    OpenScene* sceneFor(const std::string& document, const CompositionChoice& composition, Failure& failure);
    bool readState(const Json::Value& json, ViewState& state, OpenScene*& open, Failure& failure);
    // Poses the scene for a frame: animation or slider values into the
    // effect's sliders and the bare model.
    bool pose(OpenScene& open, const ViewState& state, int frame, Pose& pose, Failure& failure);
    bool render(OpenScene& open, const ViewState& state, tavrix_media::RgbaImage& image, Pose& pose,
                Failure& failure);
    // Whether the sound alone moves its slider on every frame of the shot,
    // so that an "audio" entry renders the values the page showed.
    int keptSoundSlider(OpenScene& open, const ViewState& state, const std::vector<std::vector<float>>& frames);

    SceneSource command;
    const FolderAccess& folder;
    AnimationFiles files;
    std::string pluginPath;
    tavrix_host::Host host;
    bool runtimeStarted = false;
    std::vector<std::unique_ptr<OpenScene>> scenes;
    uint64_t uses = 0;
};

} // namespace tavrix_viewer
