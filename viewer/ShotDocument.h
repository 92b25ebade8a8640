// The project a shot is saved as: the opened document with the page's
// composition, and the puppet layer's sliders as the page set them. Keys
// stay keys; values that motions, blinking, hairs or lip sync moved are
// written as a key at every frame where they change, so that `tavrix
// render` gives the frames the page showed. The sound stays a sound where
// it alone moves its slider.
#pragma once

#include <string>
#include <vector>

#include <json/json.h>

#include "ViewState.h"

namespace tavrix_viewer {

class Scene;

// A slider's value as projects and pages write it: a number, or [x, y].
Json::Value sliderValueJson(const SliderValue& value);

// animatedRows: the model's parameter rows at every frame of the shot when
// the state animates the puppet, else null. soundSlider: the slider an
// "audio" entry drives instead of keys, or -1.
Json::Value shotDocument(const Scene& scene, const ViewState& state,
                         const std::vector<std::vector<float>>* animatedRows, int soundSlider);

} // namespace tavrix_viewer
