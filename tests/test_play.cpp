// tavrix play run as a user would: the parameter lines follow the motions,
// sub-ranges reproduce a full run, seeds repeat, bad input is refused.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <json/json.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "support/tool/ToolProcess.h"

using tavrix_test::readFile;
using tavrix_test::readJsonLines;
using tavrix_test::ToolRun;
using ::testing::HasSubstr;

#define EXAMPLE_MOTIONS TAVRIX_EXAMPLES_DIR "/motions"

using ::testing::ElementsAreArray;

namespace {

float param(const Json::Value& line, const char* id)
{
    return static_cast<float>(line["params"][id].asDouble());
}

class PlayTest : public tavrix_test::ToolTest {
protected:
    // Runs play on the demo model with --no-images; the parameter lines.
    std::vector<Json::Value> play(const std::string& args)
    {
        std::filesystem::remove(path("params.jsonl"));
        ToolRun r = run("play '" + model + "' " + args + " --params-json params.jsonl --no-images -q");
        EXPECT_EQ(r.status, 0) << r.err;
        return readJsonLines(path("params.jsonl"));
    }

    std::string model = writeDemoModel();
};

TEST_F(PlayTest, ParameterLinesFollowTheCurves)
{
    std::string wave = write("wave.mtn", "$fps=25\n$fadein=0\n$fadeout=0\nPARAM_ANGLE_X=0,10,20.5,-7\n");
    std::string lean = write("lean.mtn", "$fps=25\n$fadein=0\n$fadeout=0\nPARAM_BODY_ANGLE_X=4,4,4,4,4,4\n");
    std::string hair = write("hair.json", "[{\"sources\": [{\"id\": \"PARAM_ANGLE_X\", \"scale\": 0.01}],"
                                              " \"targets\": [{\"kind\": 1, \"id\": \"PARAM_SWING\"}]}]");
    std::vector<Json::Value> lines =
        play("--motion '" + wave + "' --motion '" + lean + "@0.1' --physics '" + hair + "' --fps 25");
    // Until the end of the longest motion (lean: 6 frames from 0.1 s).
    ASSERT_EQ(lines.size(), 9u);
    for (int k = 0; k < 9; ++k) {
        EXPECT_EQ(lines[k]["frame"].asInt(), k);
        EXPECT_EQ(lines[k]["timeMSec"].asInt(), 40 * k);
    }
    // At 25 fps every frame lands on a curve value; the lean starts at
    // frame 3 and fades out the wave, which then holds its last value.
    EXPECT_EQ(param(lines[1], "PARAM_ANGLE_X"), 10.0f);
    EXPECT_EQ(param(lines[2], "PARAM_ANGLE_X"), 20.5f);
    EXPECT_EQ(param(lines[2], "PARAM_BODY_ANGLE_X"), 0.0f);
    EXPECT_EQ(param(lines[3], "PARAM_BODY_ANGLE_X"), 4.0f);
    EXPECT_EQ(param(lines[3], "PARAM_ANGLE_X"), -7.0f);
    // Rows the run adds come after the model's own, in table order.
    EXPECT_EQ(lines[1]["params"].size(), lines[0]["params"].size() + 1);
    EXPECT_TRUE(lines[1]["params"].isMember("PARAM_SWING"));
    std::string text = readFile(dir + "/params.jsonl");
    EXPECT_LT(text.find("\"PARAM_HAIR_BACK\""), text.find("\"PARAM_SWING\""));
}

TEST_F(PlayTest, SubRangeEqualsTheSameFramesOfAFullRun)
{
    std::string wave = write("wave.mtn", "PARAM_ANGLE_X=0,10,20,-7,3\nPARAM_BODY_ANGLE_X=1 2 3\n");
    std::string hair = write("hair.json", "[{\"mass\": 0.2, \"sources\": [{\"id\": \"PARAM_ANGLE_X\", \"scale\": 0.01}],"
                                              " \"targets\": [{\"id\": \"PARAM_SWING\"}]}]");
    std::string common = "--motion '" + wave + "' --motion '" + wave + "@1.3' --loop --blink 11 --physics '" + hair +
                         "' --duration 5";
    std::vector<Json::Value> full = play(common);
    ASSERT_EQ(full.size(), 150u);
    std::vector<Json::Value> part = play(common + " -s 90 -e 120");
    ASSERT_EQ(part.size(), 31u);
    EXPECT_THAT(part, ElementsAreArray(full.begin() + 90, full.begin() + 121));
    // -e may reach past the duration: the run goes on.
    EXPECT_EQ(play(common + " -s 160 -e 160")[0]["frame"].asInt(), 160);
}

TEST_F(PlayTest, BlinkSeedsRepeatAndDiffer)
{
    auto eyes = [](const std::vector<Json::Value>& lines) {
        std::vector<float> values;
        for (const Json::Value& line : lines) values.push_back(param(line, "PARAM_EYE_L_OPEN"));
        return values;
    };
    std::vector<float> first = eyes(play("--blink 3 --duration 20"));
    EXPECT_EQ(first, eyes(play("--blink 3 --duration 20")));
    EXPECT_NE(first, eyes(play("--blink 4 --duration 20")));
    EXPECT_NE(std::find(first.begin(), first.end(), 0.0f), first.end()); // the eyes close at some frame
}

TEST_F(PlayTest, ExampleMotionMovesTheDemoPuppet)
{
    std::vector<Json::Value> lines = play("--motion '" EXAMPLE_MOTIONS "/demo_wave.mtn' --physics '" EXAMPLE_MOTIONS
                                          "/demo_hair.json'");
    ASSERT_EQ(lines.size(), 91u);
    // A quarter in, the head has turned right and the body leans left;
    // halfway the right arm is up; three quarters in, the head has turned
    // left and the hair swings; at the end everything is nearly back.
    EXPECT_GT(param(lines[23], "PARAM_ANGLE_X"), 15.0f);
    EXPECT_LT(param(lines[23], "PARAM_BODY_ANGLE_X"), -4.0f);
    EXPECT_GT(param(lines[45], "PARAM_ARM_R"), 6.0f);
    EXPECT_LT(param(lines[68], "PARAM_ANGLE_X"), -15.0f);
    EXPECT_NE(param(lines[68], "PARAM_HAIR_FRONT"), 0.0f);
    EXPECT_NEAR(param(lines[90], "PARAM_ARM_R"), 0.0f, 0.01f);
}

TEST_F(PlayTest, FramesAreTheModelDrawnWithTheFramesParameters)
{
    ASSERT_NO_FATAL_FAILURE(tavrix_test::generateDemo(path("painted")));
    std::string painted = dir + "/painted/demo.json";
    std::string lines = dir + "/frames.jsonl";
    ToolRun r = run("play '" + painted + "' --motion '" EXAMPLE_MOTIONS "/demo_wave.mtn' --blink 5 --size 200x250 -s 20 -e 23 -o '" +
                    dir + "/frames/f_%02d.png' --params-json '" + lines + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_THAT(r.err, HasSubstr("played 4 frames"));
    std::vector<Json::Value> values = readJsonLines(lines);
    ASSERT_EQ(values.size(), 4u);

    // Frame 23 drawn by play equals the model drawn with frame 23's values.
    std::string sets;
    for (const std::string& id : values[3]["params"].getMemberNames()) {
        sets += " --set '" + id + "=" + values[3]["params"][id].asString() + "'";
    }
    ToolRun still = run("draw '" + painted + "' --size 200x250" + sets + " -o '" + dir + "/still.png'");
    ASSERT_EQ(still.status, 0) << still.err;
    std::string frame23 = readFile(dir + "/frames/f_23.png");
    EXPECT_FALSE(frame23.empty());
    EXPECT_EQ(frame23, readFile(dir + "/still.png"));
    // The motion moves the puppet from frame to frame; earlier frames are not written.
    EXPECT_NE(readFile(dir + "/frames/f_20.png"), frame23);
    EXPECT_TRUE(readFile(dir + "/frames/f_19.png").empty());

    // A dry run draws the same frames and writes nothing.
    ToolRun dry = run("play '" + painted + "' --motion '" EXAMPLE_MOTIONS "/demo_wave.mtn' --blink 5 --size 200x250 "
                      "-s 20 -e 23 --dry-run -o '" + dir + "/dry/f_%02d.png'");
    ASSERT_EQ(dry.status, 0) << dry.err;
    EXPECT_THAT(dry.err, HasSubstr("played 4 frames (0 failed)"));
    EXPECT_THAT(dry.err, HasSubstr("-> nothing written (dry run)"));
    EXPECT_FALSE(std::ifstream(dir + "/dry").good());
}

TEST_F(PlayTest, BadInputIsRefusedWithItsName)
{
    std::string wave = write("wave.mtn", "PARAM_ANGLE_X=0,1\n");
    std::string lines = "--params-json '" + dir + "/p.jsonl'";
    struct Case {
        std::string args;
        int status;
        std::string message;
    } cases[] = {
        {"play '" + dir + "/none.moc' --no-images " + lines, 1, "none.moc: cannot load model"},
        {"play '" + model + "' --motion '" + dir + "/none.mtn' --no-images " + lines, 1, "none.mtn: cannot be read"},
        {"play '" + model + "' --motion '" + model + "' --no-images " + lines, 1, "demo.moc: not a motion"},
        {"play '" + model + "' --motion '" + write("empty.mtn", "# nothing\n") + "' --no-images " + lines, 1, "empty.mtn: no motion curves"},
        {"play '" + model + "' -o '" + dir + "/f.gif'", 2, "unknown extension '.gif'"},
        {"play '" + model + "' --physics '" + write("h1.json", "[{\"targets\": [{\"id\": 3}]}]") +
             "' --no-images " + lines,
         1, "h1.json: [0].targets[0].id: expected a parameter name"},
        {"play '" + model + "' --physics '" + write("h2.json", "[{\"mass\": 0}]") + "' --no-images " + lines, 1,
         "h2.json: [0].mass: must be above 0"},
        {"play '" + model + "' --physics '" + write("h3.json", "[{\"lenght\": 1}]") + "' --no-images " + lines, 1,
         "h3.json: [0].lenght: unknown member"},
        {"play '" + model + "' --physics '" + write("h4.json", "{") + "' --no-images " + lines, 1,
         "h4.json: not valid JSON"},
        {"play '" + model + "' --no-images", 2, "--no-images writes nothing without --params-json"},
        {"play '" + model + "' --dry-run " + lines, 2, "--dry-run writes nothing: leave out --params-json"},
        {"play '" + model + "' --fps 0 --no-images " + lines, 2, "--fps 0 must be from 1 to 1000"},
        {"play '" + model + "' -s 9 -e 3 --no-images " + lines, 2, "start frame 9 is after end frame 3"},
        {"play '" + model + "' -s -5 -e 2 --no-images " + lines, 2, "start frame -5 is negative: frames count from 0"},
        {"play '" + model + "' -e -3 --no-images " + lines, 2, "end frame -3 is negative: frames count from 0"},
        // Refused before the run, not after it.
        {"play '" + model + "' --no-images --params-json '" + dir + "/no/folder/p.jsonl'", 1,
         "--params-json: cannot write '" + dir + "/no/folder/p.jsonl'"},
    };
    for (const Case& c : cases) {
        ToolRun r = run(c.args);
        EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.err;
        EXPECT_THAT(r.err, HasSubstr(c.message)) << c.args;
    }
    EXPECT_FALSE(std::filesystem::exists(dir + "/p.jsonl")); // nothing half-written
}

} // namespace
