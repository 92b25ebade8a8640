// Runs the tavrix tool as a user would, in a scratch folder of the test's
// own, and reads back what it wrote: text, PNG frames, parameter lines.
#pragma once

#include <gtest/gtest.h>
#include <json/json.h>

#include <string>
#include <vector>

#include "mocwriter/MocModel.h"
#include "support/DrawingFixtures.h"
#include "support/Files.h"

namespace tavrix_test {

struct ToolRun {
    int status = -1;
    std::string out;
    std::string err;
};

// Runs the tool with args (shell words) in folder and collects both outputs.
ToolRun runTool(const std::string& folder, const std::string& args);
// Runs the tool with args and --chunk K/chunks, K from 1 to chunks, in
// parallel processes in folder; whether every one of them succeeded.
bool runToolChunks(const std::string& folder, const std::string& args, int chunks);
// Writes the demo puppet's files (model JSON file, model, textures) into
// folder with the generator program.
void generateDemo(const std::string& folder);
// A PNG file as straight RGBA; a failure and an empty image when it cannot
// be read.
Image readPngImage(const std::string& path);
// Each line of a file parsed as JSON.
std::vector<Json::Value> readJsonLines(const std::string& path);

class ToolTest : public ::testing::Test {
protected:
    ToolRun run(const std::string& args) { return runTool(dir, args); }
    // The path of name in the test's folder.
    std::string path(const std::string& name) const { return scratch / name; }
    // Writes a file into the test's folder; its path.
    std::string write(const std::string& name, const std::string& bytes) { return writeFile(path(name), bytes); }
    std::string write(const std::string& name, const std::vector<uint8_t>& bytes)
    {
        return writeFile(path(name), bytes);
    }
    // A model file (format version 10), or the demo puppet's.
    std::string writeModel(const std::string& name, const mocwriter::MocModel& model);
    std::string writeDemoModel();

    ScratchFolder scratch{testFileName("tool")};
    const std::string dir = scratch.path();
};

} // namespace tavrix_test
