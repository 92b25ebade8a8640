// The one folder the viewer's pages may read and write: the folder of the
// opened model or project. Names from a page are resolved in it, '..' and
// symbolic links followed, and refused when they end up anywhere else.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace tavrix_viewer {

class FolderAccess {
public:
    // Files listed at most, and folders gone into below the root.
    static constexpr size_t MAX_LISTED = 500;
    static constexpr int MAX_DEPTH = 3;
    static constexpr size_t MAX_VISITED = 20000;

    // The folder, made absolute with its links resolved; false when it is
    // not a readable folder.
    bool open(const std::string& folder, std::string& why);
    const std::string& root() const { return rootPath; }

    // The absolute path of an existing file named relative to the folder;
    // false with the reason (400 for a malformed name, 403 for one outside
    // the folder, 404 for none) in status.
    bool existingFile(const std::string& name, std::string& path, int& status, std::string& why) const;
    // Where a new or replaced file of that plain name (no folders) goes in
    // the folder; the same refusals.
    bool newFile(const std::string& name, std::string& path, int& status, std::string& why) const;
    // Reads a file of the folder of at most limit bytes (413 beyond).
    bool read(const std::string& name, size_t limit, std::string& bytes, int& status, std::string& why) const;
    // The name of an absolute path relative to the folder, when it lies in
    // it (after resolving links); false otherwise.
    bool nameOf(const std::string& path, std::string& name) const;

    // A file name's extension, lower case, without the dot.
    static std::string extensionOf(const std::string& name);

    // Regular files of the folder and its folders (to MAX_DEPTH), sorted by
    // name, whose extension (lower case, without the dot) is listed.
    std::vector<std::string> list(const std::vector<std::string>& extensions) const;

private:
    bool inside(const std::string& path) const;
    bool checkName(const std::string& name, int& status, std::string& why) const;

    std::string rootPath;
};

} // namespace tavrix_viewer
