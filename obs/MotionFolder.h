// The motions that come with a model: the ".mtn" and ".mtnb" files in the
// folder of its model file (the .moc or the model JSON file).
#pragma once

#include <string>
#include <vector>

namespace tavrix_obs {

// The folder a model file lies in.
std::string modelFolder(const std::string& modelFile);
// The motion files of that folder by name, sorted; none when it cannot be read.
std::vector<std::string> motionFilesBeside(const std::string& modelFile);

} // namespace tavrix_obs
