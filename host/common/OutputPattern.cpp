#include "OutputPattern.h"

#include <cctype>
#include <cerrno>
#include <cstring>
#include <sys/stat.h>

namespace tavrix_tool {

namespace {

std::string unescapePercent(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        out += text[i];
        if (text[i] == '%' && i + 1 < text.size() && text[i + 1] == '%') ++i;
    }
    return out;
}

} // namespace

bool OutputPattern::parse(const std::string& text, std::string& why)
{
    pattern = text;
    width = -1;
    size_t fieldStart = std::string::npos, fieldEnd = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        size_t start = i;
        int digits = -1;
        if (text[i] == '#') {
            while (i + 1 < text.size() && text[i + 1] == '#') ++i;
            digits = static_cast<int>(i - start + 1);
        } else if (text[i] == '%') {
            if (i + 1 < text.size() && text[i + 1] == '%') { ++i; continue; }
            size_t j = i + 1;
            bool zeroPadded = j < text.size() && text[j] == '0';
            int padding = 0;
            while (j < text.size() && std::isdigit(static_cast<unsigned char>(text[j])) && padding < 100)
                padding = padding * 10 + (text[j++] - '0');
            if (j >= text.size() || text[j] != 'd' || (padding > 0 && !zeroPadded) || padding > 12) {
                why = "output name '" + text + "': '%' must start a frame field %d or %0Nd (write %% for a '%')";
                return false;
            }
            i = j;
            digits = padding;
        } else {
            continue;
        }
        if (fieldStart != std::string::npos) {
            why = "output name '" + text + "' has more than one frame field";
            return false;
        }
        fieldStart = start;
        fieldEnd = i + 1;
        width = digits;
    }
    if (width < 0) {
        prefix = unescapePercent(text);
        suffix.clear();
    } else {
        prefix = unescapePercent(text.substr(0, fieldStart));
        suffix = unescapePercent(text.substr(fieldEnd));
    }
    if (prefix.empty() && suffix.empty() && width < 0) {
        why = "output name is empty";
        return false;
    }
    return true;
}

std::string OutputPattern::pathFor(int frame) const
{
    if (width < 0) return prefix;
    std::string digits = std::to_string(frame < 0 ? -static_cast<long long>(frame) : frame);
    if (static_cast<int>(digits.size()) < width) digits.insert(0, static_cast<size_t>(width) - digits.size(), '0');
    return prefix + (frame < 0 ? "-" : "") + digits + suffix;
}

std::string fileExtension(const std::string& path)
{
    size_t slash = path.find_last_of('/');
    size_t dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return "";
    std::string ext = path.substr(dot + 1);
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

std::string OutputPattern::extension() const { return fileExtension(pathFor(0)); }

bool OutputPattern::createFolder(std::string& why) const
{
    std::string name = pathFor(0);
    size_t slash = name.find_last_of('/');
    if (slash == std::string::npos || slash == 0) return true;
    std::string folder = name.substr(0, slash);
    for (size_t at = 1; at <= folder.size(); ++at) {
        if (at != folder.size() && folder[at] != '/') continue;
        std::string part = folder.substr(0, at);
        if (::mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) {
            why = "cannot create folder '" + part + "': " + std::strerror(errno);
            return false;
        }
    }
    struct stat info;
    if (::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) {
        why = "'" + folder + "' is not a folder";
        return false;
    }
    return true;
}

} // namespace tavrix_tool
