// Files dropped onto a page (motions, hair set-ups), kept in memory by
// number for the pages of this viewer; never written to disk.
#pragma once

#include <cstddef>
#include <map>
#include <mutex>
#include <string>

namespace tavrix_viewer {

class UploadStore {
public:
    static constexpr size_t MAX_FILE_BYTES = 8u << 20;
    // Past this, the oldest files are forgotten.
    static constexpr size_t MAX_TOTAL_BYTES = 64u << 20;

    // Keeps a file; its number.
    int add(const std::string& name, std::string bytes);
    // A file kept; false when none has that number (any more).
    bool get(int number, std::string& bytes, std::string& name) const;

private:
    struct File {
        std::string name;
        std::string bytes;
    };
    mutable std::mutex mutex;
    std::map<int, File> files;
    size_t total = 0;
    int next = 1;
};

} // namespace tavrix_viewer
