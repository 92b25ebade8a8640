// Runs the tavrix tool as a user would, in a scratch folder of its own.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace tavrix_test {

struct ToolRun {
    int status = -1;
    std::string out;
    std::string err;
};

inline std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// A test that runs the tool (TAVRIX_TOOL_PATH) with a scratch folder, dir,
// removed afterwards.
class ToolTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        tool = TAVRIX_TOOL_PATH;
        dir = ::testing::TempDir() + "tavrix_tool_" + std::to_string(getpid());
        std::string make = "mkdir -p '" + dir + "'";
        ASSERT_EQ(std::system(make.c_str()), 0);
    }
    void TearDown() override
    {
        std::string remove = "rm -rf '" + dir + "'";
        std::system(remove.c_str());
    }

    // Writes bytes to dir/name and returns the path.
    std::string writeModel(const std::string& name, const std::vector<uint8_t>& bytes)
    {
        std::string path = dir + "/" + name;
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return path;
    }

    // Runs the tool with args (shell words) and collects both outputs.
    ToolRun run(const std::string& args)
    {
        ToolRun r;
        std::string outPath = dir + "/stdout", errPath = dir + "/stderr";
        std::string command = "'" + tool + "' " + args + " >'" + outPath + "' 2>'" + errPath + "'";
        int raw = std::system(command.c_str());
        r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        r.out = readFile(outPath);
        r.err = readFile(errPath);
        return r;
    }

    std::string tool;
    std::string dir;
};

} // namespace tavrix_test
