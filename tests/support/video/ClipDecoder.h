// Reads video clips back for tests: every frame decoded to straight RGBA.
#pragma once

#include <string>
#include <vector>

#include "ImageFile.h"

namespace tavrix_test {

struct DecodedClip {
    int width = 0;
    int height = 0;
    double frameRate = 0;
    bool alphaPlane = false;
    std::vector<tavrix_media::RgbaImage> frames;
};

// False with a reason when the file cannot be opened or has no decoder.
bool decodeClip(const std::string& path, DecodedClip& clip, std::string& why);

} // namespace tavrix_test
