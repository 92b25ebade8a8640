#include "OutputPattern.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

namespace tavrix_media {

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
    std::string ext = std::filesystem::path(path).extension().string();
    if (!ext.empty()) ext.erase(0, 1);
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

std::string OutputPattern::extension() const { return fileExtension(pathFor(0)); }

bool OutputPattern::listFrames(std::vector<int>& frames, std::string& why) const
{
    frames.clear();
    if (width < 0 || suffix.find('/') != std::string::npos) {
        why = "'" + pattern + "' needs a frame field (#### or %04d) in the file's name";
        return false;
    }
    const size_t slash = prefix.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : prefix.substr(0, slash + 1);
    const std::string listed = folder.empty() ? std::string(".") : folder;
    std::error_code error;
    for (std::filesystem::directory_iterator entry(listed, error), end; !error && entry != end;
         entry.increment(error)) {
        const std::string path = folder + entry->path().filename().string();
        if (path.size() <= prefix.size() + suffix.size() || path.compare(0, prefix.size(), prefix) != 0 ||
            path.compare(path.size() - suffix.size(), suffix.size(), suffix) != 0) {
            continue;
        }
        const std::string digits = path.substr(prefix.size(), path.size() - prefix.size() - suffix.size());
        if (digits.size() > 9 || digits.find_first_not_of("0123456789") != std::string::npos) continue;
        const int frame = std::stoi(digits);
        if (pathFor(frame) == path) frames.push_back(frame);
    }
    if (error) {
        why = "cannot read folder '" + listed + "': " + error.message();
        return false;
    }
    std::sort(frames.begin(), frames.end());
    return true;
}

bool OutputPattern::createFolder(std::string& why) const
{
    const std::filesystem::path folder = std::filesystem::path(pathFor(0)).parent_path();
    if (folder.empty()) return true;
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (std::filesystem::is_directory(folder)) return true;
    if (std::filesystem::exists(folder) || error == std::errc::file_exists) {
        why = "'" + folder.string() + "' is not a folder";
    } else {
        why = "cannot create folder '" + folder.string() + "': " + error.message();
    }
    return false;
}

} // namespace tavrix_media
