#include "SourceProperties.h"

#include <algorithm>
#include <string>

#include <obs-module.h>

#include "LivePuppet.h"
#include "PuppetSource.h"
#include "SourceSettings.h"

namespace tavrix_obs {

namespace {

// How long the dialog waits for a model to load before it lists no sliders.
const int LOAD_WAIT_MS = 5000;

const char* text(const char* key)
{
    return obs_module_text(key);
}

// The motions beside the model, for the idle motion.
void fillIdleMotions(obs_properties_t* props, const LivePuppet::Facts& facts)
{
    obs_property_t* list = obs_properties_get(props, keys::IDLE_MOTION);
    if (!list) return;
    obs_property_list_clear(list);
    obs_property_list_add_string(list, text("NoIdleMotion"), "");
    for (const std::string& motion : facts.motions) obs_property_list_add_string(list, motion.c_str(), motion.c_str());
}

// The model's parameters, for the one the lip sync moves.
void fillMouthParams(obs_properties_t* props, const LivePuppet::Facts& facts, obs_data_t* settings)
{
    obs_property_t* list = obs_properties_get(props, keys::LIPSYNC_PARAM);
    if (!list) return;
    obs_property_list_clear(list);
    const std::string chosen = obs_data_get_string(settings, keys::LIPSYNC_PARAM);
    bool listed = false;
    for (const tavrix_stage::PuppetParam& param : facts.params) {
        obs_property_list_add_string(list, param.id.c_str(), param.id.c_str());
        listed = listed || param.id == chosen;
    }
    if (!listed && !chosen.empty()) obs_property_list_add_string(list, chosen.c_str(), chosen.c_str());
}

// A slider per parameter, in model order, defaulting to its rest value.
void fillSliders(obs_properties_t* props, const LivePuppet::Facts& facts, obs_data_t* settings)
{
    obs_properties_remove_by_name(props, keys::PARAMETERS);
    if (facts.params.empty()) return;
    obs_properties_t* sliders = obs_properties_create();
    for (const tavrix_stage::PuppetParam& param : facts.params) {
        const double range = static_cast<double>(param.max) - param.min;
        const double step = range > 0 ? std::max(range / 1000.0, 1e-6) : 0.001;
        obs_properties_add_float_slider(sliders, param.id.c_str(), param.id.c_str(), param.min, param.max, step);
        obs_data_set_default_double(settings, param.id.c_str(), param.defaultValue);
    }
    obs_properties_add_group(props, keys::PARAMETERS, text("Parameters"), OBS_GROUP_NORMAL, sliders);
}

void fillModelParts(obs_properties_t* props, const LivePuppet::Facts& facts, obs_data_t* settings)
{
    fillIdleMotions(props, facts);
    fillMouthParams(props, facts, settings);
    fillSliders(props, facts, settings);
}

bool modelFileChanged(void* priv, obs_properties_t* props, obs_property_t*, obs_data_t* settings)
{
    PuppetSource& puppet = *static_cast<PuppetSource*>(priv);
    fillModelParts(props, puppet.factsFor(settings, LOAD_WAIT_MS), settings);
    return true;
}

bool resetPressed(obs_properties_t*, obs_property_t*, void* data)
{
    static_cast<PuppetSource*>(data)->resetParameters();
    return true;
}

// OBS's sources that carry sound, by name; the chosen one stays listed
// even while it is missing.
void fillAudioSources(obs_property_t* list, const std::string& chosen)
{
    struct Listing {
        obs_property_t* list;
        const std::string& chosen;
        bool found;
    } listing{list, chosen, false};
    obs_property_list_add_string(list, text("NoLipSync"), "");
    obs_enum_sources(
        [](void* data, obs_source_t* source) {
            Listing& l = *static_cast<Listing*>(data);
            if ((obs_source_get_output_flags(source) & OBS_SOURCE_AUDIO) == 0) return true;
            const char* name = obs_source_get_name(source);
            if (!name) return true;
            obs_property_list_add_string(l.list, name, name);
            l.found = l.found || l.chosen == name;
            return true;
        },
        &listing);
    if (!listing.found && !chosen.empty()) obs_property_list_add_string(list, chosen.c_str(), chosen.c_str());
}

} // namespace

obs_properties_t* buildProperties(PuppetSource& puppet, obs_source_t* source)
{
    obs_data_t* settings = obs_source_get_settings(source);
    obs_properties_t* props = obs_properties_create();

    obs_property_t* model = obs_properties_add_path(props, keys::MODEL_FILE, text("ModelFile"), OBS_PATH_FILE,
                                                    text("ModelFileFilter"), nullptr);
    obs_property_set_modified_callback2(model, modelFileChanged, &puppet);
    obs_properties_add_button2(props, keys::RESET_PARAMETERS, text("ResetParameters"), resetPressed, &puppet);

    obs_property_t* width = obs_properties_add_int(props, keys::WIDTH, text("Width"), 0, MAX_SIDE, 1);
    obs_property_set_long_description(width, text("SizeHint"));
    obs_properties_add_int(props, keys::HEIGHT, text("Height"), 0, MAX_SIDE, 1);
    obs_properties_add_int(props, keys::OFFSET_X, text("OffsetX"), -MAX_SIDE * 4, MAX_SIDE * 4, 1);
    obs_properties_add_int(props, keys::OFFSET_Y, text("OffsetY"), -MAX_SIDE * 4, MAX_SIDE * 4, 1);
    obs_properties_add_float_slider(props, keys::SCALE, text("Scale"), 0.01, 10.0, 0.01);

    obs_properties_add_list(props, keys::IDLE_MOTION, text("IdleMotion"), OBS_COMBO_TYPE_LIST, OBS_COMBO_FORMAT_STRING);
    obs_properties_add_bool(props, keys::BLINK, text("Blink"));
    obs_properties_add_float(props, keys::BLINK_INTERVAL, text("BlinkInterval"), 0.5, 60.0, 0.1);
    obs_properties_add_path(props, keys::PHYSICS_FILE, text("PhysicsFile"), OBS_PATH_FILE, text("PhysicsFileFilter"),
                            nullptr);

    obs_property_t* audio = obs_properties_add_list(props, keys::LIPSYNC_SOURCE, text("LipSyncSource"),
                                                    OBS_COMBO_TYPE_LIST, OBS_COMBO_FORMAT_STRING);
    fillAudioSources(audio, obs_data_get_string(settings, keys::LIPSYNC_SOURCE));
    obs_properties_add_list(props, keys::LIPSYNC_PARAM, text("LipSyncParam"), OBS_COMBO_TYPE_LIST,
                            OBS_COMBO_FORMAT_STRING);
    obs_properties_add_float(props, keys::LIPSYNC_GAIN, text("LipSyncGain"), 0.0, 100.0, 0.1);
    obs_properties_add_float(props, keys::LIPSYNC_GATE, text("LipSyncGate"), 0.0, 1.0, 0.001);
    obs_properties_add_float(props, keys::LIPSYNC_SMOOTHING, text("LipSyncSmoothing"),
                             tavrix_media::MouthOpening::LOUDNESS_WINDOW_SECONDS,
                             tavrix_media::LipSyncSettings::MAX_SMOOTHING_SECONDS, 0.01);

    fillModelParts(props, puppet.factsFor(settings, LOAD_WAIT_MS), settings);
    obs_data_release(settings);
    return props;
}

} // namespace tavrix_obs
