#include "UploadStore.h"

namespace tavrix_viewer {

int UploadStore::add(const std::string& name, std::string bytes)
{
    std::lock_guard<std::mutex> lock(mutex);
    total += bytes.size();
    const int number = next++;
    files[number] = File{name, std::move(bytes)};
    while (total > MAX_TOTAL_BYTES && files.size() > 1) {
        total -= files.begin()->second.bytes.size();
        files.erase(files.begin());
    }
    return number;
}

bool UploadStore::get(int number, std::string& bytes, std::string& name) const
{
    std::lock_guard<std::mutex> lock(mutex);
    auto found = files.find(number);
    if (found == files.end()) return false;
    bytes = found->second.bytes;
    name = found->second.name;
    return true;
}

} // namespace tavrix_viewer
