#include "SourceSettings.h"

#include <cmath>
#include <cstring>

namespace tavrix_obs {

namespace {

const char* const TEXT_KEYS[] = {keys::MODEL_FILE, keys::IDLE_MOTION, keys::PHYSICS_FILE, keys::LIPSYNC_SOURCE,
                                 keys::LIPSYNC_PARAM};
const char* const BOOL_KEYS[] = {keys::BLINK};
// Numbers with their ranges (whole numbers where integral).
struct NumberKey {
    const char* key;
    double min;
    double max;
    bool integral;
};
const NumberKey NUMBER_KEYS[] = {
    {keys::WIDTH, 0, MAX_SIDE, true},
    {keys::HEIGHT, 0, MAX_SIDE, true},
    {keys::OFFSET_X, -MAX_SIDE * 4, MAX_SIDE * 4, true},
    {keys::OFFSET_Y, -MAX_SIDE * 4, MAX_SIDE * 4, true},
    {keys::SCALE, 0.01, 100, false},
    {keys::BLINK_INTERVAL, 0.5, 60, false},
    {keys::LIPSYNC_GAIN, 0, tavrix_media::LipSyncSettings::MAX_GAIN, false},
    {keys::LIPSYNC_GATE, 0, tavrix_media::LipSyncSettings::MAX_GATE, false},
    {keys::LIPSYNC_SMOOTHING, tavrix_media::MouthOpening::LOUDNESS_WINDOW_SECONDS,
     tavrix_media::LipSyncSettings::MAX_SMOOTHING_SECONDS, false},
};

template <size_t N> bool listed(const char* const (&list)[N], const char* key)
{
    for (const char* k : list) {
        if (std::strcmp(k, key) == 0) return true;
    }
    return false;
}

const NumberKey* numberKey(const char* key)
{
    for (const NumberKey& k : NUMBER_KEYS) {
        if (std::strcmp(k.key, key) == 0) return &k;
    }
    return nullptr;
}

// The item's value as a finite double, when it holds a number.
bool numberOf(obs_data_item_t* item, double& value)
{
    if (obs_data_item_gettype(item) != OBS_DATA_NUMBER) return false;
    value = obs_data_item_numtype(item) == OBS_DATA_NUM_INT ? static_cast<double>(obs_data_item_get_int(item))
                                                             : obs_data_item_get_double(item);
    return std::isfinite(value);
}

void storeNumber(SourceSettings& s, const char* key, double value)
{
    if (std::strcmp(key, keys::WIDTH) == 0) s.width = static_cast<int>(value);
    else if (std::strcmp(key, keys::HEIGHT) == 0) s.height = static_cast<int>(value);
    else if (std::strcmp(key, keys::OFFSET_X) == 0) s.offsetX = static_cast<int>(value);
    else if (std::strcmp(key, keys::OFFSET_Y) == 0) s.offsetY = static_cast<int>(value);
    else if (std::strcmp(key, keys::SCALE) == 0) s.scale = value;
    else if (std::strcmp(key, keys::BLINK_INTERVAL) == 0) s.blinkIntervalSeconds = value;
    else if (std::strcmp(key, keys::LIPSYNC_GAIN) == 0) s.lipSync.gain = value;
    else if (std::strcmp(key, keys::LIPSYNC_GATE) == 0) s.lipSync.gate = value;
    else if (std::strcmp(key, keys::LIPSYNC_SMOOTHING) == 0) s.lipSync.smoothingSeconds = value;
}

void storeText(SourceSettings& s, const char* key, const char* value)
{
    if (std::strcmp(key, keys::MODEL_FILE) == 0) s.modelFile = value;
    else if (std::strcmp(key, keys::IDLE_MOTION) == 0) s.idleMotion = value;
    else if (std::strcmp(key, keys::PHYSICS_FILE) == 0) s.physicsFile = value;
    else if (std::strcmp(key, keys::LIPSYNC_SOURCE) == 0) s.lipSyncSource = value;
    else if (key == keys::LIPSYNC_PARAM && *value) s.lipSyncParam = value;
}

} // namespace

SourceSettings readSourceSettings(obs_data_t* settings, std::vector<std::string>& problems)
{
    SourceSettings s;
    for (obs_data_item_t* item = obs_data_first(settings); item; obs_data_item_next(&item)) {
        if (!obs_data_item_has_user_value(item)) continue;
        const char* name = obs_data_item_get_name(item);
        const obs_data_type type = obs_data_item_gettype(item);
        const std::string key = name;
        if (const NumberKey* number = numberKey(name)) {
            double value = 0;
            if (!numberOf(item, value)) {
                problems.push_back("setting " + key + " is not a number; using the default");
            } else if (value < number->min || value > number->max ||
                       (number->integral && value != std::floor(value))) {
                problems.push_back("setting " + key + " = " + std::to_string(value) + " is out of range (" +
                                   std::to_string(number->min) + " to " + std::to_string(number->max) +
                                   (number->integral ? ", whole" : "") + "); using the default");
            } else {
                storeNumber(s, number->key, value);
            }
        } else if (listed(TEXT_KEYS, name)) {
            if (type != OBS_DATA_STRING) {
                problems.push_back("setting " + key + " is not text; using the default");
            } else {
                for (const char* k : TEXT_KEYS) {
                    if (std::strcmp(k, name) == 0) storeText(s, k, obs_data_item_get_string(item));
                }
            }
        } else if (listed(BOOL_KEYS, name)) {
            if (type != OBS_DATA_BOOLEAN) {
                problems.push_back("setting " + key + " is not true or false; using the default");
            } else {
                s.blink = obs_data_item_get_bool(item);
            }
        } else if (type == OBS_DATA_NUMBER) {
            double value = 0;
            if (numberOf(item, value)) s.paramValues[key] = static_cast<float>(value);
        } else {
            problems.push_back("setting " + key + " is no setting of this source (nor a number for a parameter); ignored");
        }
    }
    return s;
}

void setDefaultSettings(obs_data_t* settings)
{
    const SourceSettings defaults;
    obs_data_set_default_string(settings, keys::MODEL_FILE, "");
    obs_data_set_default_int(settings, keys::WIDTH, defaults.width);
    obs_data_set_default_int(settings, keys::HEIGHT, defaults.height);
    obs_data_set_default_int(settings, keys::OFFSET_X, defaults.offsetX);
    obs_data_set_default_int(settings, keys::OFFSET_Y, defaults.offsetY);
    obs_data_set_default_double(settings, keys::SCALE, defaults.scale);
    obs_data_set_default_string(settings, keys::IDLE_MOTION, "");
    obs_data_set_default_bool(settings, keys::BLINK, defaults.blink);
    obs_data_set_default_double(settings, keys::BLINK_INTERVAL, defaults.blinkIntervalSeconds);
    obs_data_set_default_string(settings, keys::PHYSICS_FILE, "");
    obs_data_set_default_string(settings, keys::LIPSYNC_SOURCE, "");
    obs_data_set_default_string(settings, keys::LIPSYNC_PARAM, defaults.lipSyncParam.c_str());
    obs_data_set_default_double(settings, keys::LIPSYNC_GAIN, defaults.lipSync.gain);
    obs_data_set_default_double(settings, keys::LIPSYNC_GATE, defaults.lipSync.gate);
    obs_data_set_default_double(settings, keys::LIPSYNC_SMOOTHING, defaults.lipSync.smoothingSeconds);
}

} // namespace tavrix_obs
