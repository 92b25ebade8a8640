// Files for the tests: whole files read and written, the names in a folder,
// and a scratch folder made empty when a test starts and removed with all it
// holds when the test ends.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace tavrix_test {

// The file's bytes; empty when it cannot be read.
inline std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// Replaces path's contents with bytes; returns the path.
inline std::string writeFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

inline std::string writeFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    return writeFile(path, std::string(bytes.begin(), bytes.end()));
}

// The names of what a folder holds, sorted; none when it does not exist.
inline std::vector<std::string> filesIn(const std::string& folder)
{
    std::vector<std::string> names;
    std::error_code missing;
    for (const auto& entry : std::filesystem::directory_iterator(folder, missing)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// The running test's suite and name and then suffix: a name no other test
// gives its files.
inline std::string testFileName(const std::string& suffix)
{
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    return test ? std::string(test->test_suite_name()) + "_" + test->name() + "_" + suffix : suffix;
}

// A folder under the test temporary folder, named for this process (test
// programs run in parallel, one process per test) and the label.
class ScratchFolder {
public:
    explicit ScratchFolder(const std::string& label)
        : folder(::testing::TempDir() + "tavrix_" + std::to_string(getpid()) + "_" + label)
    {
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
    }
    ~ScratchFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& path() const { return folder; }
    // The path of name inside the folder.
    std::string operator/(const std::string& name) const { return folder + "/" + name; }

private:
    std::string folder;
};

} // namespace tavrix_test
