#include "PhysicsFile.h"

#include <json/json.h>

#include <cmath>
#include <fstream>
#include <initializer_list>

#include "JsonText.h"

namespace tavrix_stage {

namespace {

// Checks member names so that a misspelt one is not silently ignored.
bool onlyKnownMembers(const Json::Value& object, const std::string& where, std::initializer_list<const char*> known,
                      std::string& why)
{
    for (const std::string& name : object.getMemberNames()) {
        bool found = false;
        for (const char* k : known) found = found || name == k;
        if (!found) {
            why = where + "." + name + ": unknown member";
            return false;
        }
    }
    return true;
}

// An optional finite number; with positive, it must also be above 0.
bool readNumber(const Json::Value& object, const char* name, const std::string& where, float& value,
                bool positive, std::string& why)
{
    if (!object.isMember(name)) return true;
    const Json::Value& member = object[name];
    std::string at = where + "." + name;
    if (!member.isNumeric()) {
        why = at + ": expected a number";
        return false;
    }
    float number = static_cast<float>(member.asDouble());
    if (!std::isfinite(number)) {
        why = at + ": out of range";
        return false;
    }
    if (positive && !(number > 0.0f)) {
        why = at + ": must be above 0";
        return false;
    }
    value = number;
    return true;
}

bool readLinks(const Json::Value& hair, const char* name, const std::string& where, std::vector<HairLink>& links,
               std::string& why)
{
    if (!hair.isMember(name)) return true;
    const Json::Value& list = hair[name];
    std::string at = where + "." + name;
    if (!list.isArray()) {
        why = at + ": expected an array";
        return false;
    }
    for (Json::ArrayIndex i = 0; i < list.size(); ++i) {
        const Json::Value& entry = list[i];
        std::string entryAt = at + "[" + std::to_string(i) + "]";
        if (!entry.isObject()) {
            why = entryAt + ": expected an object";
            return false;
        }
        if (!onlyKnownMembers(entry, entryAt, {"kind", "id", "scale", "weight"}, why)) return false;
        HairLink link;
        if (entry.isMember("kind")) {
            if (!entry["kind"].isInt()) {
                why = entryAt + ".kind: expected a whole number";
                return false;
            }
            link.kind = entry["kind"].asInt();
        }
        if (!entry["id"].isString() || entry["id"].asString().empty()) {
            why = entryAt + ".id: expected a parameter name";
            return false;
        }
        link.id = entry["id"].asString();
        if (!readNumber(entry, "scale", entryAt, link.scale, false, why) ||
            !readNumber(entry, "weight", entryAt, link.weight, false, why)) {
            return false;
        }
        links.push_back(link);
    }
    return true;
}

} // namespace

bool readPhysicsFile(const std::string& path, std::vector<HairSetup>& hairs, std::string& why)
{
    std::string text;
    if (!tavrix_media::readTextFile(path, text, why)) return false;
    return parsePhysicsJson(text, hairs, why);
}

bool parsePhysicsJson(const std::string& text, std::vector<HairSetup>& hairs, std::string& why)
{
    Json::CharReaderBuilder builder;
    Json::Value root;
    std::string errors;
    if (!tavrix_media::parseJsonText(text, builder, root, &errors)) {
        why = "not valid JSON: " + errors.substr(0, errors.find('\n'));
        return false;
    }
    if (!root.isArray()) {
        why = "expected an array of hairs";
        return false;
    }
    hairs.clear();
    for (Json::ArrayIndex i = 0; i < root.size(); ++i) {
        const Json::Value& hair = root[i];
        std::string at = "[" + std::to_string(i) + "]";
        if (!hair.isObject()) {
            why = at + ": expected an object";
            return false;
        }
        if (!onlyKnownMembers(hair, at, {"length", "air_resistance", "mass", "gravity_angle_deg", "sources", "targets"},
                              why)) {
            return false;
        }
        HairSetup setup;
        if (!readNumber(hair, "length", at, setup.length, true, why) ||
            !readNumber(hair, "air_resistance", at, setup.airResistance, false, why) ||
            !readNumber(hair, "mass", at, setup.mass, true, why) ||
            !readNumber(hair, "gravity_angle_deg", at, setup.gravityAngleDeg, false, why) ||
            !readLinks(hair, "sources", at, setup.sources, why) || !readLinks(hair, "targets", at, setup.targets, why)) {
            return false;
        }
        hairs.push_back(setup);
    }
    return true;
}

} // namespace tavrix_stage
