// What the render thread keeps for every instance of a plug-in: the stage
// (its OpenGL context, opened on first use) and the models and sounds read
// so far. Made and destroyed on the render thread.
#pragma once

#include <memory>
#include <string>

#include "AudioFile.h"
#include "ModelData.h"
#include "SharedFiles.h"
#include "Stage.h"

namespace tavrix_frei0r {

class RenderResources {
public:
    RenderResources() = default;
    // Every puppet must be gone: the models' textures live in the stage.
    ~RenderResources() = default;

    // The stage, opened on first use; null with why when OpenGL cannot start.
    tavrix_stage::Stage* stage(std::string& why);

    // They hold no entry alive: the puppets and playbacks do.
    SharedFiles<tavrix_stage::ModelData> models;
    SharedFiles<const tavrix_media::AudioTrack> sounds;

    RenderResources(const RenderResources&) = delete;
    RenderResources& operator=(const RenderResources&) = delete;

private:
    std::unique_ptr<tavrix_stage::Stage> openStage;
    bool tried = false;
    std::string failure;
};

} // namespace tavrix_frei0r
