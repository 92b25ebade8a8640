#include "TextValues.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace tavrix_media {

namespace {

int hexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

} // namespace

bool parseWholeNumber(const std::string& text, long& value)
{
    if (text.empty() || !std::isdigit(static_cast<unsigned char>(text[0]))) return false;
    errno = 0;
    char* end = nullptr;
    value = std::strtol(text.c_str(), &end, 10);
    return errno == 0 && *end == '\0';
}

bool parseParamAssignment(const std::string& text, std::pair<std::string, float>& assignment, std::string& why)
{
    size_t equals = text.rfind('=');
    if (equals == std::string::npos || equals == 0) {
        why = "'" + text + "' is not ID=VALUE";
        return false;
    }
    std::string number = text.substr(equals + 1);
    errno = 0;
    char* end = nullptr;
    float value = std::strtof(number.c_str(), &end);
    if (number.empty() || *end != '\0' || errno == ERANGE || !std::isfinite(value)) {
        why = text + ": '" + number + "' is not a number";
        return false;
    }
    assignment = {text.substr(0, equals), value};
    return true;
}

bool parseParamAssignments(const std::vector<std::string>& texts,
                           std::vector<std::pair<std::string, float>>& assignments, std::string& why)
{
    for (const std::string& text : texts) {
        std::pair<std::string, float> assignment;
        if (!parseParamAssignment(text, assignment, why)) return false;
        assignments.push_back(assignment);
    }
    return true;
}

std::vector<std::string> splitList(const std::string& text)
{
    std::vector<std::string> items;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(';', start);
        if (end == std::string::npos) end = text.size();
        size_t first = start;
        size_t last = end;
        while (first < last && std::isspace(static_cast<unsigned char>(text[first]))) ++first;
        while (last > first && std::isspace(static_cast<unsigned char>(text[last - 1]))) --last;
        if (last > first) items.push_back(text.substr(first, last - first));
        start = end + 1;
    }
    return items;
}

bool parseParamList(const std::string& text, std::vector<std::pair<std::string, float>>& assignments,
                    std::string& why)
{
    std::vector<std::string> items = splitList(text);
    for (std::string& item : items) {
        const size_t colon = item.rfind(':');
        if (item.find('=') == std::string::npos && colon != std::string::npos) item[colon] = '=';
    }
    return parseParamAssignments(items, assignments, why);
}

bool parsePlacement(const std::string& text, FramePlacement& placement, std::string& why)
{
    double values[3] = {0.0, 0.0, 1.0};
    int count = 0;
    bool complete = false;
    const char* at = text.c_str();
    while (count < 3) {
        errno = 0;
        char* end = nullptr;
        values[count] = std::strtod(at, &end);
        if (end == at || errno == ERANGE || !std::isfinite(values[count])) break;
        ++count;
        at = end;
        complete = *at == '\0';
        if (*at != ',') break;
        ++at;
    }
    if (!complete || count < 2) {
        why = "'" + text + "' is not X,Y or X,Y,SCALE (numbers)";
        return false;
    }
    if (values[2] < 0.0) {
        why = "'" + text + "': the scale must be 0 or more";
        return false;
    }
    placement = FramePlacement{values[0], values[1], values[2]};
    return true;
}

bool parseImageSize(const std::string& text, int& width, int& height, std::string& why)
{
    size_t x = text.find_first_of("xX");
    long w = 0, h = 0;
    if (x == std::string::npos || !parseWholeNumber(text.substr(0, x), w) || !parseWholeNumber(text.substr(x + 1), h)) {
        why = "size '" + text + "' is not WIDTHxHEIGHT";
        return false;
    }
    if (w < 1 || h < 1 || w > MAX_IMAGE_SIDE || h > MAX_IMAGE_SIDE) {
        why = "size '" + text + "' is out of range (each side from 1 to " + std::to_string(MAX_IMAGE_SIDE) + ")";
        return false;
    }
    width = static_cast<int>(w);
    height = static_cast<int>(h);
    return true;
}

bool parseBitrate(const std::string& text, long long& bitsPerSecond, std::string& why)
{
    std::string number = text;
    double scale = 1;
    if (!number.empty() && (number.back() == 'k' || number.back() == 'K')) scale = 1e3;
    if (!number.empty() && (number.back() == 'm' || number.back() == 'M')) scale = 1e6;
    if (scale != 1) number.pop_back();
    errno = 0;
    char* end = nullptr;
    double value = std::strtod(number.c_str(), &end);
    bool isNumber = !number.empty() && std::isdigit(static_cast<unsigned char>(number[0])) && *end == '\0' &&
                    errno == 0 && std::isfinite(value);
    value *= scale;
    if (!isNumber || value < 1e3 || value > 1e10) {
        why = "bitrate '" + text + "' is not bits per second from 1k to 10000M (such as 800k or 2.5M)";
        return false;
    }
    bitsPerSecond = std::llround(value);
    return true;
}

bool parseColor(const std::string& text, Rgba8& color, std::string& why)
{
    if (text == "black") { color = {0, 0, 0, 255}; return true; }
    if (text == "white") { color = {255, 255, 255, 255}; return true; }
    if (text == "transparent") { color = {0, 0, 0, 0}; return true; }
    std::string hex = !text.empty() && text[0] == '#' ? text.substr(1) : text;
    uint8_t channels[4] = {0, 0, 0, 255};
    bool ok = hex.size() == 6 || hex.size() == 8;
    for (size_t i = 0; ok && i < hex.size(); i += 2) {
        int high = hexDigit(hex[i]), low = hexDigit(hex[i + 1]);
        ok = high >= 0 && low >= 0;
        if (ok) channels[i / 2] = static_cast<uint8_t>(high * 16 + low);
    }
    if (!ok) {
        why = "colour '" + text + "' is not #rrggbb, #rrggbbaa, black, white or transparent";
        return false;
    }
    color = {channels[0], channels[1], channels[2], channels[3]};
    return true;
}

bool imageSizeOfCanvas(float canvasWidth, float canvasHeight, int& width, int& height, int largestSide)
{
    if (!(canvasWidth >= 0.5f && canvasHeight >= 0.5f) || !std::isfinite(canvasWidth * canvasHeight)) return false;
    const float scale = std::min(1.0f, static_cast<float>(largestSide) / std::max(canvasWidth, canvasHeight));
    width = std::max(1, static_cast<int>(std::lround(canvasWidth * scale)));
    height = std::max(1, static_cast<int>(std::lround(canvasHeight * scale)));
    return true;
}

} // namespace tavrix_media
