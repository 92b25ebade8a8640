#include "FolderAccess.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "JsonText.h"

namespace fs = std::filesystem;

namespace tavrix_viewer {

namespace {

const size_t MAX_NAME_BYTES = 1024;

} // namespace

std::string FolderAccess::extensionOf(const std::string& name)
{
    std::string extension = fs::path(name).extension().string();
    if (!extension.empty()) extension.erase(0, 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension;
}

bool FolderAccess::open(const std::string& folder, std::string& why)
{
    std::error_code error;
    const fs::path resolved = fs::canonical(folder.empty() ? "." : folder, error);
    if (error || !fs::is_directory(resolved, error)) {
        why = "'" + folder + "' is not a folder that can be read";
        return false;
    }
    rootPath = resolved.string();
    return true;
}

bool FolderAccess::inside(const std::string& path) const
{
    if (path == rootPath) return false;
    const std::string prefix = rootPath == "/" ? rootPath : rootPath + "/";
    return path.compare(0, prefix.size(), prefix) == 0;
}

bool FolderAccess::checkName(const std::string& name, int& status, std::string& why) const
{
    status = 400;
    if (name.empty()) {
        why = "no file name given";
        return false;
    }
    if (name.size() > MAX_NAME_BYTES) {
        why = "the file name is longer than " + std::to_string(MAX_NAME_BYTES) + " bytes";
        return false;
    }
    for (unsigned char c : name) {
        if (c < 0x20 || c == 0x7f || c == '\\') {
            why = "the file name '" + name + "' holds a control character or a backslash";
            return false;
        }
    }
    if (name[0] == '/') {
        status = 403;
        why = "'" + name + "' is an absolute path; only files of the opened folder can be used";
        return false;
    }
    return true;
}

bool FolderAccess::existingFile(const std::string& name, std::string& path, int& status, std::string& why) const
{
    if (!checkName(name, status, why)) return false;
    std::error_code error;
    const fs::path resolved = fs::canonical(fs::path(rootPath) / name, error);
    if (error) {
        // Say "outside" for names that point out of the folder even when
        // the file is missing, so that nothing is learnt about other folders.
        const fs::path plain = (fs::path(rootPath) / name).lexically_normal();
        status = inside(plain.string()) ? 404 : 403;
        why = status == 404 ? "'" + name + "' does not exist in the opened folder"
                            : "'" + name + "' lies outside the opened folder";
        return false;
    }
    if (!inside(resolved.string())) {
        status = 403;
        why = "'" + name + "' lies outside the opened folder";
        return false;
    }
    if (!fs::is_regular_file(resolved, error)) {
        status = 404;
        why = "'" + name + "' is not a file";
        return false;
    }
    path = resolved.string();
    return true;
}

bool FolderAccess::newFile(const std::string& name, std::string& path, int& status, std::string& why) const
{
    if (!checkName(name, status, why)) return false;
    if (name.find('/') != std::string::npos || name == "." || name == "..") {
        status = 403;
        why = "'" + name + "' is not a plain file name: files are saved in the opened folder itself";
        return false;
    }
    const fs::path target = fs::path(rootPath) / name;
    std::error_code error;
    const fs::file_status kind = fs::symlink_status(target, error);
    if (fs::exists(kind)) {
        // Replacing a link would write where it points; replacing a folder
        // is never meant.
        if (fs::is_symlink(kind) || !fs::is_regular_file(kind)) {
            status = 403;
            why = "'" + name + "' exists and is not a plain file; choose another name";
            return false;
        }
    }
    path = target.string();
    return true;
}

bool FolderAccess::read(const std::string& name, size_t limit, std::string& bytes, int& status, std::string& why) const
{
    std::string path;
    if (!existingFile(name, path, status, why)) return false;
    std::error_code error;
    const uintmax_t size = fs::file_size(path, error);
    if (!error && size > limit) {
        status = 413;
        why = "'" + name + "' is larger than " + std::to_string(limit) + " bytes";
        return false;
    }
    if (!tavrix_media::readTextFile(path, bytes, why, limit)) {
        status = bytes.size() > limit ? 413 : 500;
        why = "'" + name + "' " + why;
        return false;
    }
    return true;
}

bool FolderAccess::nameOf(const std::string& path, std::string& name) const
{
    std::error_code error;
    const fs::path resolved = fs::canonical(path, error);
    if (error || !inside(resolved.string())) return false;
    name = resolved.lexically_relative(rootPath).generic_string();
    return true;
}

std::vector<std::string> FolderAccess::list(const std::vector<std::string>& extensions) const
{
    std::vector<std::string> names;
    std::error_code error;
    // A folder full of other things (a home folder) is looked through only so far.
    size_t visited = 0;
    fs::recursive_directory_iterator it(rootPath, fs::directory_options::skip_permission_denied, error);
    for (; !error && it != fs::recursive_directory_iterator() && names.size() < MAX_LISTED && visited++ < MAX_VISITED;
         it.increment(error)) {
        if (it.depth() >= MAX_DEPTH) it.disable_recursion_pending();
        const std::string fileName = it->path().filename().string();
        // Hidden files and folders (and the atomic writer's temporaries).
        if (!fileName.empty() && fileName[0] == '.') {
            if (it->is_directory(error)) it.disable_recursion_pending();
            continue;
        }
        std::error_code kindError;
        if (!it->is_regular_file(kindError)) continue;
        const std::string extension = extensionOf(it->path().filename().string());
        if (std::find(extensions.begin(), extensions.end(), extension) == extensions.end()) continue;
        std::string name;
        // Links pointing out of the folder are not offered.
        if (nameOf(it->path().string(), name)) names.push_back(it->path().lexically_relative(rootPath).generic_string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace tavrix_viewer
