// Option values the commands share: parameter assignments, image sizes and
// colours. Each parser returns false with a short reason for the user.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace tavrix_media {

// A whole decimal number and nothing else (no sign, no spaces).
bool parseWholeNumber(const std::string& text, long& value);

// "ID=VALUE" with a finite number after the last '='.
bool parseParamAssignment(const std::string& text, std::pair<std::string, float>& assignment, std::string& why);
bool parseParamAssignments(const std::vector<std::string>& texts,
                           std::vector<std::pair<std::string, float>>& assignments, std::string& why);

// The items of a list separated by ';', each without the spaces around it;
// empty items are left out ("a; b;" gives a and b).
std::vector<std::string> splitList(const std::string& text);
// "ID=VALUE;ID=VALUE;...", as splitList splits it; an item without '=' may
// put ':' in its place ("ID:VALUE"), for hosts that read '=' in a text as
// something else (MLT: keyframes).
bool parseParamList(const std::string& text, std::vector<std::pair<std::string, float>>& assignments,
                    std::string& why);

// Where a picture's subject stands, as fractions of the picture's width and
// height, and its size as a factor.
struct FramePlacement {
    double x = 0.5;
    double y = 0.5;
    double scale = 1.0;
};

// "X,Y" or "X,Y,SCALE": finite numbers, SCALE 0 or more (default 1).
bool parsePlacement(const std::string& text, FramePlacement& placement, std::string& why);

// Largest side an image may have.
constexpr int MAX_IMAGE_SIDE = 16384;

// "WxH" with both sides from 1 to MAX_IMAGE_SIDE.
bool parseImageSize(const std::string& text, int& width, int& height, std::string& why);

// Without a size given, images take the canvas size scaled down (aspect
// kept) so that neither side exceeds largestSide. False for a canvas
// without a size.
constexpr int LARGEST_DEFAULT_SIDE = 4096;
bool imageSizeOfCanvas(float canvasWidth, float canvasHeight, int& width, int& height,
                       int largestSide = LARGEST_DEFAULT_SIDE);

// Bits per second: a number with an optional k (thousand) or M (million)
// after it, such as "800k" or "2.5M"; from 1k to 10G.
bool parseBitrate(const std::string& text, long long& bitsPerSecond, std::string& why);

// Straight (not premultiplied) 8-bit colour.
struct Rgba8 {
    uint8_t r = 0, g = 0, b = 0, a = 0;
};

// "#rrggbb", "#rrggbbaa" (the '#' optional), or one of black, white and
// transparent.
bool parseColor(const std::string& text, Rgba8& color, std::string& why);

} // namespace tavrix_media
