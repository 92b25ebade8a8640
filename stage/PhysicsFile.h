// The hair set-up file of `tavrix play --physics`: a JSON array of hairs.
#pragma once

#include <string>
#include <vector>

namespace tavrix_stage {

// One source or target of a hair: kind number, parameter, scale, weight.
struct HairLink {
    int kind = 0;
    std::string id;
    float scale = 1.0f;
    float weight = 1.0f;
};

struct HairSetup {
    float length = 0.3f;
    float airResistance = 0.5f;
    float mass = 0.1f;
    float gravityAngleDeg = 0.0f;
    std::vector<HairLink> sources;
    std::vector<HairLink> targets;
};

// Reads path; false with a reason naming the member at fault (such as
// "[0].sources[1].id: expected a string") when the file cannot be used.
bool readPhysicsFile(const std::string& path, std::vector<HairSetup>& hairs, std::string& why);
// The same for the file's text.
bool parsePhysicsJson(const std::string& text, std::vector<HairSetup>& hairs, std::string& why);

} // namespace tavrix_stage
