#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include <json/json.h>

#include "AudioFile.h"
#include "DialogSession.h"
#include "LipSync.h"

namespace tavrix_project {

// A project as the project file describes it, checked and ready to open:
// the composition, its layers (the first on top), each with a source and
// optionally the effect with its saved state and parameter settings.
struct Project {
    // A value of one parameter at one frame: x alone for a slider, x and y
    // (layer pixels) for a point.
    struct Key {
        double frame;
        double x;
        double y;
        // 1 for a number, 2 for a point.
        int arity;
    };
    struct ParamSetting {
        // The member name as written: a parameter index or a stream name.
        std::string key;
        // Where it stands in the file, for messages.
        std::string where;
        std::vector<Key> keys;
    };
    struct Audio {
        // Where it stands in the file, for messages.
        std::string where;
        // The file as resolved, and its sound as decoded when the project is read.
        std::string path;
        tavrix_media::AudioTrack track;
        // A slider name, a parameter index, or a model parameter name
        // (whose slider bears the name without its PARAM_).
        std::string param = "PARAM_MOUTH_OPEN_Y";
        tavrix_media::LipSyncSettings lipSync;
        // The composition time, in seconds, at which the sound starts.
        double offsetSeconds = 0;
    };
    struct Effect {
        bool present = false;
        bool hasState = false;
        std::string state;
        // The user pressing "Load .moc" once the effect is applied: what
        // they do in the load dialog.
        bool hasLoad = false;
        tavrix_host::DialogSession load;
        std::vector<ParamSetting> params;
        // A sound whose loudness drives one slider, as lip sync drives a
        // puppet's mouth; its sound also goes into a video of the project.
        bool hasAudio = false;
        Audio audio;
    };
    enum class SourceKind { Transparent, Solid, Png };
    struct Layer {
        std::string name;
        std::string where;
        // Without a source a layer is an opaque black solid: the effect's
        // output keeps the layer's alpha, so the model shows everywhere.
        SourceKind source = SourceKind::Solid;
        // Straight RGBA of a solid source.
        uint8_t colour[4] = {0, 0, 0, 255};
        // A PNG source: its resolved path and straight RGBA pixels.
        std::string imagePath;
        std::vector<uint8_t> image;
        int32_t width = 0;
        int32_t height = 0;
        Effect effect;
    };

    std::string file;
    // The parsed document, kept so that saving changes only what it must.
    Json::Value document;
    int32_t width = 0;
    int32_t height = 0;
    double frameRate = 0;
    int32_t frameCount = 0;
    std::vector<Layer> layers;
};

} // namespace tavrix_project
