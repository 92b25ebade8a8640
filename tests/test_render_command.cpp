// tavrix render run as a user runs it: projects made with the model writer,
// the frames they give, saving and reopening, sub-ranges and chunks, and the
// one-line refusals of bad input.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <json/json.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <sys/wait.h>

#include "ImageFile.h"
#include "support/plugin/PluginFixture.h"
#include "support/tool/ToolProcess.h"

using namespace tavrix_test;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

namespace {

class RenderCommandTest : public ToolTest {
protected:
    // tavrix render with args, in the test's folder.
    ToolRun run(const std::string& args) { return ToolTest::run("render " + args); }

    // A 200 x 100 composition of 8 frames: the effect on an opaque layer
    // above a PNG background, the square moving from x 60 to x 130 (one
    // canvas unit is two pixels at 100 %).
    Json::Value movingSquareProject(const std::string& state)
    {
        Json::Value project = movingEffectProject(200, 100, state);
        Json::Value background;
        background["source"]["type"] = "png";
        background["source"]["path"] = writeSolidPng(testFileName("bg.png"), 200, 100, {0, 0, 255, 255});
        project["layers"].append(background);
        return project;
    }

    // Writes the project into the test's folder; its name there.
    std::string write(const std::string& name, const Json::Value& project)
    {
        writeFile(path(name), project.toStyledString());
        return name;
    }

    Json::Value readJson(const std::string& name)
    {
        Json::Value value;
        std::istringstream(readFile(path(name))) >> value;
        return value;
    }

    static bool exists(const std::string& path) { return std::filesystem::exists(path); }
};

TEST_F(RenderCommandTest, FramesShowTheModelWhereItsKeysPutIt)
{
    write("shot.json", movingSquareProject(centredSquareState({255, 0, 0, 255})));
    ToolRun r = run("shot.json -o 'out/f_####.png' -q");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    for (int f = 0; f < 8; ++f) {
        const Image image = readPngImage(path("out/f_000" + std::to_string(f) + ".png"));
        ASSERT_EQ(image.width, 200);
        const int centre = 60 + 10 * f;
        EXPECT_EQ(comparePixels(image,
                                [&](int x, int y) {
                                    const bool square = x >= centre - 20 && x < centre + 20 && y >= 30 && y < 70;
                                    return square ? Rgba8{255, 0, 0, 255} : Rgba8{0, 0, 255, 255};
                                },
                                0),
                  "")
            << "frame " << f;
    }
}

TEST_F(RenderCommandTest, SavedProjectsAndSubRangesGiveTheSameFiles)
{
    const std::string state = centredSquareState({10, 200, 30, 255});
    write("shot.json", movingSquareProject(state));
    ASSERT_EQ(run("shot.json -o 'full/f_####.png' -q --save saved.json").status, 0);
    const Json::Value saved = readJson("saved.json");
    EXPECT_EQ(saved["layers"][0]["effect"]["state"].asString(), state) << "the flattened state is the loaded text";
    EXPECT_FALSE(saved["layers"][1].isMember("effect"));

    ASSERT_EQ(run("saved.json -o 'reopened/f_%04d.png' -q").status, 0);
    ASSERT_EQ(run("shot.json -o 'late/f_####.png' -s 5 -e 6 -q").status, 0);
    ASSERT_EQ(run("shot.json -o 'stepped/f_####.png' -i 3 -q").status, 0);
    // Chunks in parallel processes, each starting at its own first frame.
    ASSERT_TRUE(runToolChunks(dir, "render shot.json -o 'chunks/f_####.png' -q", 3));
    for (int f = 0; f < 8; ++f) {
        const std::string name = "/f_000" + std::to_string(f) + ".png";
        const std::string full = readFile(dir + "/full" + name);
        ASSERT_FALSE(full.empty());
        EXPECT_EQ(readFile(dir + "/reopened" + name), full) << "frame " << f;
        EXPECT_EQ(readFile(dir + "/chunks" + name), full) << "frame " << f;
        if (f == 5 || f == 6) {
            EXPECT_EQ(readFile(dir + "/late" + name), full) << "frame " << f;
        }
        if (f % 3 == 0) {
            EXPECT_EQ(readFile(dir + "/stepped" + name), full) << "frame " << f;
        }
        EXPECT_EQ(exists(dir + "/stepped" + name), f % 3 == 0);
    }
}

TEST_F(RenderCommandTest, BadProjectsAreRefusedBeforeAnyFrame)
{
    const std::string state = centredSquareState({255, 255, 255, 255});
    Json::Value unknownName = movingSquareProject(state);
    unknownName["layers"][0]["effect"]["params"]["ANGLE_X"] = 3;
    Json::Value outOfRange = movingSquareProject(state);
    outOfRange["layers"][0]["effect"]["params"]["FLAT"] = -1200;
    Json::Value wrongType = movingSquareProject(state);
    wrongType["layers"][0]["effect"]["params"]["Scale"] = "big";
    Json::Value pointAsNumber = movingSquareProject(state);
    pointAsNumber["layers"][0]["effect"]["params"]["3"] = 5;
    Json::Value button = movingSquareProject(state);
    button["layers"][0]["effect"]["params"]["2"] = 1;
    writeFile(dir + "/broken.json", "{\"composition\": {\"width\": 10,}");

    const struct {
        std::string file;
        std::string message;
    } cases[] = {
        {"broken.json", "tavrix render: broken.json: not valid JSON: Line 1, Column 30: "},
        {write("name.json", unknownName),
         "tavrix render: name.json: layers[0].effect.params.ANGLE_X: no parameter of the effect has this name\n"},
        {write("range.json", outOfRange),
         "tavrix render: range.json: layers[0].effect.params.FLAT: must lie between -1000 and 1000 (is -1200)\n"},
        {write("type.json", wrongType), "tavrix render: type.json: layers[0].effect.params.Scale: must be a number\n"},
        {write("point.json", pointAsNumber),
         "tavrix render: point.json: layers[0].effect.params.3: a point takes [x, y]\n"},
        {write("button.json", button),
         "tavrix render: button.json: layers[0].effect.params.2: parameter 2 cannot be animated\n"},
    };
    for (const auto& c : cases) {
        ToolRun r = run(c.file + " -o 'out/f_####.png'");
        EXPECT_EQ(r.status, 1) << c.file;
        EXPECT_THAT(r.err, StartsWith(c.message)) << c.file;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_FALSE(exists(dir + "/out")) << c.file << ": nothing is written";
    }

    write("shot.json", movingSquareProject(state));
    writeFile(dir + "/blocker", "a file");
    ToolRun r = run("shot.json -o 'blocker/f_####.png'");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "tavrix render: 'blocker' is not a folder\n");
    for (const char* range : {"-s -5 -e 2", "-e -3"}) {
        r = run("shot.json -o 'out/f_####.png' " + std::string(range));
        EXPECT_EQ(r.status, 2) << range;
        EXPECT_THAT(r.err, StartsWith("tavrix render: "));
        EXPECT_THAT(r.err, HasSubstr(" is negative: frames count from 0\n"));
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    }
    r = run("shot.json -o 'out/f_####.png' --save missing/saved.json -q");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "tavrix render: cannot write 'missing/saved.json': No such file or directory\n");
    EXPECT_FALSE(exists(dir + "/missing"));
}

// Frames are written on worker threads while the next ones are drawn; a
// frame that cannot be written there (a folder in the way of its name)
// stops the run at that frame as a sequential run would: the frames before
// it are complete, none after it is left, and no temporary file either.
// --continue writes the others. A dry run draws every frame and writes
// nothing.
TEST_F(RenderCommandTest, AFrameThatCannotBeWrittenStopsTheRunThereAndADryRunWritesNothing)
{
    write("shot.json", movingSquareProject(centredSquareState({255, 0, 0, 255})));
    for (const std::string folder : {"stopped", "kept"}) {
        std::filesystem::create_directories(path(folder + "/f_0005.png"));
        write(folder + "/f_0005.png/keep", "x");
    }
    ToolRun stopped = run("shot.json -o 'stopped/f_####.png' -q");
    EXPECT_EQ(stopped.status, 1);
    EXPECT_EQ(stopped.err.find("frame 5 failed: cannot write 'stopped/f_0005.png': Is a directory\n"), 0u)
        << stopped.err;
    EXPECT_THAT(stopped.err, HasSubstr("rendered 5 frames (1 failed)"));
    ToolRun kept = run("shot.json -o 'kept/f_####.png' -q --continue");
    EXPECT_EQ(kept.status, 0) << kept.err;
    EXPECT_THAT(kept.err, HasSubstr("rendered 7 frames (1 failed)"));
    for (int f = 0; f < 8; ++f) {
        if (f == 5) continue;
        const std::string name = "/f_000" + std::to_string(f) + ".png";
        EXPECT_EQ(exists(dir + "/stopped" + name), f < 5) << name;
        EXPECT_TRUE(exists(dir + "/kept" + name)) << name;
    }
    for (const auto& entry : std::filesystem::recursive_directory_iterator(dir))
        EXPECT_THAT(entry.path().filename().string(), Not(HasSubstr(".tmp"))) << "left " << entry.path();

    ToolRun dry = run("shot.json -o 'dry/f_####.png' --dry-run");
    EXPECT_EQ(dry.status, 0) << dry.err;
    EXPECT_THAT(dry.err, HasSubstr("rendered 8 frames (0 failed)"));
    EXPECT_THAT(dry.err, HasSubstr("-> nothing written (dry run)"));
    EXPECT_FALSE(exists(dir + "/dry"));
}

// Ctrl+C or a scheduler's SIGTERM in the middle of a run: the run ends with a
// line naming the next frame, the PNG frames written so far are whole, and a
// clip that cannot be finished is not left behind.
TEST_F(RenderCommandTest, ASignalStopsTheRunWithoutAHalfWrittenFile)
{
    Json::Value project = movingSquareProject(centredSquareState({255, 0, 0, 255}));
    project["composition"]["frameCount"] = 100000;
    write("long.json", project);
    for (const std::string signal : {"INT", "TERM"}) {
        for (const std::string output : {"frames/f_######.png", "clip.mp4"}) {
            // The tool in the background, the signal once it is under way.
            const std::string started = output == "clip.mp4" ? "ls clip.mp4*" : "ls frames/f_000001.png";
            const int raw = std::system(("cd '" + dir + "' && { '" TAVRIX_TOOL_PATH "' render long.json -q -o '" +
                                         output + "' 2>err.txt & tool=$!; for i in $(seq 600); do " + started +
                                         " >/dev/null 2>&1 && break; sleep 0.05; done; sleep 0.3; kill -" + signal +
                                         " $tool; wait $tool; }")
                                            .c_str());
            ToolRun r{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, "", readFile(path("err.txt"))};
            EXPECT_EQ(r.status, 1) << signal << " " << output << ": " << r.err;
            EXPECT_THAT(r.err, HasSubstr("tavrix render: interrupted before frame ")) << signal << " " << output;
            for (const auto& entry : std::filesystem::recursive_directory_iterator(dir)) {
                const std::string name = entry.path().filename().string();
                EXPECT_THAT(name, Not(HasSubstr(".tmp"))) << "left " << name;
                EXPECT_NE(name, "clip.mp4") << signal;
                if (entry.path().extension() == ".png") {
                    EXPECT_EQ(readPngImage(entry.path().string()).width, 200);
                }
            }
            std::filesystem::remove_all(path("frames"));
            std::filesystem::remove(path("err.txt"));
        }
    }
}

TEST_F(RenderCommandTest, ALoadThroughTheDialogRendersAsItsSavedStateDoes)
{
    const std::string state = centredSquareState({200, 30, 30, 255});
    Json::Value saved;
    std::istringstream(state) >> saved;
    write("state.json", movingSquareProject(state));
    Json::Value project = movingSquareProject("");
    project["layers"][0]["effect"].removeMember("state");
    Json::Value& load = project["layers"][0]["effect"]["load"];
    load[0]["chooseModel"] = saved["modelPath"];
    load[1]["chooseTextures"] = saved["texturePaths"];
    load[2]["press"] = "OK";
    write("load.json", project);
    ASSERT_EQ(run("state.json -o 'state/f_####.png' -q").status, 0);
    ToolRun r = run("load.json -o 'load/f_####.png' -q --save saved.json");
    ASSERT_EQ(r.status, 0) << r.err;
    for (int f = 0; f < 8; ++f) {
        const std::string name = "/f_000" + std::to_string(f) + ".png";
        EXPECT_EQ(readFile(dir + "/load" + name), readFile(dir + "/state" + name)) << "frame " << f;
    }
    const Json::Value reopened = readJson("saved.json");
    Json::Value stored;
    std::istringstream(reopened["layers"][0]["effect"]["state"].asString()) >> stored;
    EXPECT_EQ(stored["modelPath"], saved["modelPath"]) << "the dialog's result is what the project keeps";
}

TEST_F(RenderCommandTest, LoadsThatFailAreRefusedBeforeAnyFrame)
{
    writeFile(dir + "/notex.json", R"({"model": "x.moc"})");
    writeFile(dir + "/broken.moc", "not a model");
    const struct {
        const char* load;
        std::string message;
    } cases[] = {
        {R"([{"select": "JSON"}, {"chooseJson": "nowhere.json"}, {"press": "OK"}])",
         "layers[0].effect.load[1].chooseJson: '" + dir + "/nowhere.json': no such file"},
        {R"([{"press": "OK", "select": "JSON"}])", "layers[0].effect.load[0]: must be an object with one member"},
        {R"([{"chooseJson": "notex.json"}, {"press": "OK"}])",
         "layers[0].effect.load[0] (chooseJson \"notex.json\"): the \"File\" button beside \"JSON:\" is disabled"},
        {R"([{"select": "JSON"}, {"chooseJson": "notex.json"}, {"press": "OK"}])",
         "layers[0].effect.load: The model JSON file " + dir + "/notex.json names no textures"},
        {R"([{"chooseModel": "broken.moc"}, {"press": "OK"}])",
         "layers[0].effect.load: The model file " + dir + "/broken.moc could not be loaded (error "},
        {R"([{"press": "Cancel"}])", "layers[0].effect.load: the dialog gave the effect no model"},
    };
    for (const auto& c : cases) {
        Json::Value project = movingSquareProject("");
        project["layers"][0]["effect"].removeMember("state");
        std::istringstream(c.load) >> project["layers"][0]["effect"]["load"];
        write("shot.json", project);
        ToolRun r = run("shot.json -o 'out/f_####.png'");
        EXPECT_EQ(r.status, 1) << c.load;
        const std::string expected = "tavrix render: shot.json: " + c.message;
        EXPECT_THAT(r.err, StartsWith(expected));
        EXPECT_FALSE(exists(dir + "/out")) << c.load;
    }
}

TEST_F(RenderCommandTest, AMissingModelRendersWithoutItAndSaysSoOnce)
{
    Json::Value project = movingSquareProject(loadResult(dir + "/gone.moc", {}));
    project["layers"][0]["effect"]["params"]["ANGLE_X"] = 3;
    write("gone.json", project);
    ToolRun r = run("gone.json -o 'out/f_####.png' -q");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "tavrix render: gone.json: layers[0].effect.state: the saved model did not load ('" + dir +
                         "/gone.moc' is missing or unreadable); rendering without a model\n");
    EXPECT_EQ(comparePixels(readPngImage(path("out/f_0003.png")), [](int, int) { return Rgba8{0, 0, 255, 255}; }, 0), "") << "the background alone";
}

TEST_F(RenderCommandTest, HalfResolutionAndTheLayersOwnAlpha)
{
    Json::Value project = movingSquareProject(centredSquareState({255, 255, 0, 255}));
    // The effect's layer: a PNG, opaque on its right half only.
    const std::string halfOpaque = dir + "/half.png";
    tavrix_media::RgbaImage mask;
    mask.width = 200;
    mask.height = 100;
    mask.pixels.assign(200 * 100 * 4, 0);
    for (int y = 0; y < 100; ++y) {
        for (int x = 100; x < 200; ++x) mask.pixels[(y * 200 + x) * 4 + 3] = 255;
    }
    std::string why;
    ASSERT_TRUE(tavrix_media::writePngAtomically(halfOpaque, mask, why)) << why;
    project["layers"][0]["source"]["type"] = "png";
    project["layers"][0]["source"]["path"] = halfOpaque;
    project["layers"][0]["effect"]["params"]["Position"] = Json::Value(Json::arrayValue);
    project["layers"][0]["effect"]["params"]["Position"].append(100);
    project["layers"][0]["effect"]["params"]["Position"].append(50);
    write("masked.json", project);
    ASSERT_EQ(run("masked.json -o 'half/f_####.png' --downsample 2 -e 0 -q").status, 0);
    const Image image = readPngImage(path("half/f_0000.png"));
    ASSERT_EQ(image.width, 100);
    ASSERT_EQ(image.height, 50);
    // The square spans x 40..60 at half size; only its right half shows.
    EXPECT_EQ(comparePixels(image,
                            [](int x, int y) {
                                const bool shown = x >= 50 && x < 60 && y >= 15 && y < 35;
                                return shown ? Rgba8{255, 255, 0, 255} : Rgba8{0, 0, 255, 255};
                            },
                            0),
              "");
}

} // namespace
