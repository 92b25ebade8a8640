// What the viewer's pages send: JSON text read as a page's state and checked
// against the demo puppet's sliders, as the server reads every request.
#include <string>

#include "FuzzTarget.h"
#include "SceneInfo.h"
#include "ViewState.h"

namespace {

// The sliders the viewer shows for the demo puppet: position, scale and a
// few model parameters.
tavrix_viewer::SceneInfo demoScene()
{
    tavrix_viewer::SceneInfo scene;
    tavrix_viewer::SliderInfo position;
    position.index = 3;
    position.name = "Position";
    position.point = true;
    scene.sliders.push_back(position);
    tavrix_viewer::SliderInfo scale;
    scale.index = 4;
    scale.name = "Scale";
    scale.max = 1000;
    scale.defaultX = 100;
    scene.sliders.push_back(scale);
    const char* names[] = {"PARAM_ANGLE_X", "PARAM_EYE_L_OPEN", "PARAM_MOUTH_OPEN_Y"};
    for (int i = 0; i < 3; ++i) {
        tavrix_viewer::SliderInfo slider;
        slider.index = 7 + i;
        slider.name = names[i];
        slider.min = i == 0 ? -30 : 0;
        slider.max = i == 0 ? 30 : 1;
        slider.row = i;
        scene.sliders.push_back(slider);
    }
    return scene;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > tavrix_fuzz::LARGEST_INPUT) return 0;
    static const tavrix_viewer::SceneInfo scene = demoScene();
    Json::Value root;
    std::string why;
    if (!tavrix_viewer::parsePageJson(std::string(reinterpret_cast<const char*>(data), size), root, why)) {
        tavrix_fuzz::require(!why.empty(), "refused text says why");
        return 0;
    }
    tavrix_viewer::ViewState state;
    if (!tavrix_viewer::readViewState(root, state, why)) {
        tavrix_fuzz::require(!why.empty(), "a refused state says why");
        return 0;
    }
    tavrix_fuzz::require(state.frame >= 0 && state.frame < state.frameCount, "the frame lies in the shot");
    tavrix_fuzz::require(state.width >= 1 && state.width <= tavrix_viewer::ViewState::MAX_SIDE &&
                             state.height >= 1 && state.height <= tavrix_viewer::ViewState::MAX_SIDE,
                         "the picture's size is bounded");
    why.clear();
    if (!tavrix_viewer::checkSliders(state, scene, why)) tavrix_fuzz::require(!why.empty(), "a refused slider says why");
    return 0;
}
