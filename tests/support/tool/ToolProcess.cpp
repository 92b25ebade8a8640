#include "support/tool/ToolProcess.h"

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>
#include <sys/wait.h>

#include "DemoModel.h"
#include "ImageFile.h"
#include "mocwriter/MocFile.h"

namespace tavrix_test {

namespace {

int exitStatus(const std::string& command)
{
    const int raw = std::system(command.c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

std::string quoted(const std::string& path)
{
    return "'" + path + "'";
}

} // namespace

ToolRun runTool(const std::string& folder, const std::string& args)
{
    // The outputs go beside the folder, so that the folder holds only what
    // the tool wrote.
    const std::string out = folder + ".stdout", err = folder + ".stderr";
    ToolRun run;
    run.status = exitStatus("cd " + quoted(folder) + " && " + quoted(TAVRIX_TOOL_PATH) + " " + args + " >" +
                            quoted(out) + " 2>" + quoted(err));
    run.out = readFile(out);
    run.err = readFile(err);
    std::filesystem::remove(out);
    std::filesystem::remove(err);
    return run;
}

bool runToolChunks(const std::string& folder, const std::string& args, int chunks)
{
    const std::string n = std::to_string(chunks);
    return exitStatus("cd " + quoted(folder) + " && pids= && for k in $(seq 1 " + n + "); do " +
                      quoted(TAVRIX_TOOL_PATH) + " " + args + " --chunk $k/" + n +
                      " & pids=\"$pids $!\"; done; failed=0; for p in $pids; do wait $p || failed=1; done; "
                      "exit $failed") == 0;
}

void generateDemo(const std::string& folder)
{
    ASSERT_EQ(exitStatus(quoted(TAVRIX_DEMO_GENERATOR) + " " + quoted(folder) + " > /dev/null"), 0);
}

Image readPngImage(const std::string& path)
{
    tavrix_media::RgbaImage png;
    std::string why;
    EXPECT_TRUE(tavrix_media::readPng(path, png, why)) << why;
    return Image{static_cast<int>(png.width), static_cast<int>(png.height), png.pixels};
}

std::vector<Json::Value> readJsonLines(const std::string& path)
{
    std::vector<Json::Value> lines;
    std::istringstream text(readFile(path));
    std::string line;
    const std::unique_ptr<Json::CharReader> reader(Json::CharReaderBuilder().newCharReader());
    while (std::getline(text, line)) {
        Json::Value value;
        EXPECT_TRUE(reader->parse(line.data(), line.data() + line.size(), &value, nullptr)) << line;
        lines.push_back(value);
    }
    return lines;
}

std::string ToolTest::writeModel(const std::string& name, const mocwriter::MocModel& model)
{
    return write(name, mocwriter::MocFile::build(model));
}

std::string ToolTest::writeDemoModel()
{
    return writeModel("demo.moc", tavrix_demo::demoModel());
}

} // namespace tavrix_test
