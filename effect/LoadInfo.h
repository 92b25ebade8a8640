#pragma once

#include <string>
#include <vector>

// The files a load result names, in the order the model loader takes them:
// "modelPath" first (when present), then each of "texturePaths". False when
// the text does not parse or holds values of the wrong kind (a root that is
// not an object, a "modelPath" that is not a string, a "texturePaths" that is
// not an array of strings): then no model is to be loaded.
bool modelPathsFromLoadInfo(const std::string& loadInfoJson, std::vector<std::string>& paths);
