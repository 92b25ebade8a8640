// What a page is told of an opened model or project: its sliders (the
// puppet layer's effect parameters: position, scale and one per model
// parameter), the composition, and what the document sets.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace tavrix_viewer {

struct SliderInfo {
    // The effect's parameter index: what pages and projects name it by.
    int index = 0;
    // The model parameter's id (PARAM_ANGLE_X), or the effect's name.
    std::string name;
    // The name the effect gave the slider (ANGLE_X): what projects use.
    std::string stream;
    bool point = false;
    double min = 0;
    double max = 0;
    double defaultX = 0;
    double defaultY = 0;
    // The model parameter's row, -1 for the effect's own sliders.
    int row = -1;
};

// A value of a slider: x alone, or x and y for a point.
struct SliderValue {
    double x = 0;
    double y = 0;
    bool point = false;
};

struct SliderKey {
    double frame = 0;
    SliderValue value;
};

// The sound a project's puppet talks with.
struct SceneSound {
    std::string file; // relative to the folder; empty when it lies outside
    std::string param;
    double gain = 5;
    double gate = 0.01;
    double smoothing = 0.1;
    double offset = 0;
};

struct SceneInfo {
    // "model" or "project".
    std::string kind;
    // The document as the page names it: "" for the one the command opened.
    std::string document;
    // Its file, relative to the folder where it lies in it.
    std::string file;
    int width = 0;
    int height = 0;
    double frameRate = 0;
    int frameCount = 0;
    float canvasWidth = 0;
    float canvasHeight = 0;
    // The layer the sliders belong to, -1 when no layer shows a puppet.
    int puppetLayer = -1;
    std::vector<SliderInfo> sliders;
    // What the document sets: constant values and keys, by slider index.
    std::map<int, SliderValue> values;
    std::map<int, std::vector<SliderKey>> keys;
    bool hasSound = false;
    SceneSound sound;
    std::vector<std::string> warnings;

    const SliderInfo* slider(int index) const
    {
        for (const SliderInfo& info : sliders) {
            if (info.index == index) return &info;
        }
        return nullptr;
    }
};

} // namespace tavrix_viewer
