// Lip sync in the commands, with sounds the tests write: tavrix play moves
// the mouth over the motions and puts the sound into its clip, a project's
// "audio" entry drives the effect's slider through the substitute host and
// its sound goes into the rendered clip; bad sounds and names stop a run
// before any frame.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <json/json.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "AudioFile.h"
#include "ProjectFile.h"
#include "ProjectRenderer.h"
#include "support/audio/SyntheticSound.h"
#include "support/plugin/PluginFixture.h"
#include "support/tool/ToolProcess.h"
#include "support/video/ClipDecoder.h"

using tavrix_test::ToolRun;
using tavrix_media::AudioTrack;
using ::testing::HasSubstr;
using ::testing::StartsWith;

namespace {

const char* const MOUTH = "PARAM_MOUTH_OPEN_Y";

double firstSound(const AudioTrack& track)
{
    return tavrix_test::firstSound(track.samples, AudioTrack::SAMPLE_RATE);
}

// 1.5 s of sound at 44.1 kHz: silence, a loud burst from 0.5 to 1.0 s, silence.
void writeVoice(const std::string& path, double amplitude = 0.3)
{
    tavrix_test::writeWav(path, tavrix_test::toneBurst(44100, 1.5, 0.5, 1.0, amplitude), 44100, 1);
}

class PlayLipSyncTest : public tavrix_test::ToolTest {
protected:
    void SetUp() override { writeVoice(voice); }
    // The values of one parameter in each line of --params-json.
    std::vector<double> play(const std::string& args, const char* id = MOUTH)
    {
        std::filesystem::remove(path("params.jsonl"));
        ToolRun r = run("play '" + model + "' " + args + " --params-json params.jsonl --no-images -q");
        EXPECT_EQ(r.status, 0) << r.err;
        std::vector<double> values;
        for (const Json::Value& line : tavrix_test::readJsonLines(path("params.jsonl"))) {
            values.push_back(line["params"][id].asDouble());
        }
        return values;
    }

    std::string model = writeDemoModel();
    std::string voice = path("voice.wav");
};

TEST_F(PlayLipSyncTest, TheSoundMovesTheMouthOverTheMotions)
{
    // A motion holds the mouth half open and turns the head: the sound wins
    // on the mouth, the motion keeps the head.
    const std::string motion = write("talk.mtn", [] {
        std::string text = "$fps=30\n$fadein=0\n$fadeout=0\nPARAM_MOUTH_OPEN_Y=";
        for (int i = 0; i < 60; ++i) text += "0.5,";
        text += "0.5\nPARAM_ANGLE_X=";
        for (int i = 0; i < 60; ++i) text += "20,";
        return text + "20\n";
    }());
    const std::string common = "--lipsync '" + voice + "' --motion '" + motion + "'";
    std::vector<double> mouth = play(common);
    ASSERT_EQ(mouth.size(), 61u); // the motion's 2 s outlast the 1.5 s sound
    for (int k = 0; k <= 15; ++k) EXPECT_EQ(mouth[k], 0.0) << k;         // until 0.5 s: silence
    for (int k = 16; k <= 30; ++k) EXPECT_GT(mouth[k], 0.9) << k;        // the burst opens it
    for (int k = 33; k < 61; ++k) EXPECT_EQ(mouth[k], 0.0) << k;         // 0.1 s after it: closed
    EXPECT_EQ(play(common, "PARAM_ANGLE_X")[20], 20.0);

    // Any frame alone gives the value of the full run, the release included.
    for (int k : {16, 20, 31, 32}) {
        std::vector<double> alone = play(common + " -s " + std::to_string(k) + " -e " + std::to_string(k));
        ASSERT_EQ(alone.size(), 1u);
        EXPECT_EQ(alone[0], mouth[k]) << k;
    }

    // Without motions the run lasts as long as the sound; the gain scales
    // the opening (RMS 0.21 of the burst).
    std::vector<double> gentle = play("--lipsync '" + voice + "' --lipsync-gain 2");
    ASSERT_EQ(gentle.size(), 45u);
    EXPECT_NEAR(gentle[25], 0.42, 0.02);

    // Another parameter by name, mapped onto its own range (-30 to 30).
    std::vector<double> angle = play("--lipsync '" + voice + ":PARAM_ANGLE_X'", "PARAM_ANGLE_X");
    EXPECT_EQ(angle[10], -30.0);
    EXPECT_EQ(angle[25], 30.0);
}

TEST_F(PlayLipSyncTest, AClipCarriesTheSoundOfItsFrames)
{
    // Frames 15 to 29 are 0.5 to 1.0 s: the clip's sound is the burst, from
    // its first frame on.
    const std::string clip = dir + "/talk.webm";
    ToolRun r = run("play '" + model + "' --lipsync '" + voice + "' --size 40x50 -s 15 -e 29 -q -o '" + clip + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    tavrix_test::DecodedClip pictures;
    std::string why;
    ASSERT_TRUE(tavrix_test::decodeClip(clip, pictures, why)) << why;
    EXPECT_EQ(pictures.frames.size(), 15u);
    AudioTrack sound;
    ASSERT_TRUE(tavrix_media::readAudioFile(clip, sound, why)) << why;
    EXPECT_NEAR(sound.seconds(), 0.5, 1 / 30.0);
    EXPECT_NEAR(firstSound(sound), 0.0, 1 / 30.0);
}

TEST_F(PlayLipSyncTest, BadSoundsAndNamesStopBeforeAnyFrame)
{
    const std::string notes = write("notes.wav", "hello");
    const std::string lines = " --params-json '" + dir + "/p.jsonl' -o '" + dir + "/f_####.png'";
    struct Case {
        std::string args;
        int status;
        std::string message;
    } cases[] = {
        {"--lipsync '" + dir + "/none.wav'", 1, "--lipsync: '" + dir + "/none.wav' cannot be opened"},
        {"--lipsync '" + notes + "'", 1, "--lipsync: '" + notes + "' cannot be"},
        {"--lipsync '" + model + "'", 1, "--lipsync: '" + model + "' "},
        {"--lipsync '" + voice + ":PARAM_NOSE'", 1, "demo.moc: the model has no parameter PARAM_NOSE for --lipsync"},
        {"--lipsync-gain 2", 2, "--lipsync-gain requires --lipsync"},
        {"--lipsync '" + voice + "' --lipsync-smoothing 0.01", 2, "--lipsync-smoothing"},
    };
    for (const Case& c : cases) {
        ToolRun r = run("play '" + model + "' " + c.args + lines);
        EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.err;
        EXPECT_THAT(r.err, HasSubstr(c.message)) << c.args;
        // One line; usage errors add a pointer to --help.
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), c.status == 1 ? 1 : 2) << r.err;
    }
    EXPECT_EQ(tavrix_test::filesIn(dir), (std::vector<std::string>{"demo.moc", "notes.wav", "voice.wav"}))
        << "nothing is written";
}

// A project whose layer shows a model with parameters from -10 to 10, one of
// them the mouth, and plays a sound with an "audio" entry.
class RenderLipSyncTest : public tavrix_test::PluginTest {
protected:
    void SetUp() override
    {
        PluginTest::SetUp();
        writeVoice(dir + "/voice.wav", 0.5);
        const std::string modelPath = tavrix_test::writeTempModel(
            tavrix_test::testFileName("talk.moc"), tavrix_test::modelWithParams({"PARAM_ANGLE_X", MOUTH}));
        project = tavrix_test::movingEffectProject(40, 40, tavrix_test::loadResult(modelPath, {}));
        project["composition"]["frameCount"] = 48; // at 24 frames/s
        // The burst plays 0.75 to 1.25 s into the composition: frames 18 to 30.
        audio()["file"] = "voice.wav";
        audio()["offset"] = 0.25;
    }
    Json::Value& audio() { return project["layers"][0]["effect"]["audio"]; }

    // Reads and opens the project; false with the one line of refusal.
    bool open(tavrix_project::Project& read, tavrix_project::ProjectRenderer& renderer, std::string& error)
    {
        std::ostringstream text;
        text << project;
        std::vector<std::string> warnings;
        return tavrix_project::ProjectFile::parse(text.str(), dir + "/shot.json", read, error) &&
               renderer.open(read, error, warnings);
    }

    tavrix_test::ScratchFolder scratch{tavrix_test::testFileName("render")};
    const std::string dir = scratch.path();
    Json::Value project;
};

TEST_F(RenderLipSyncTest, TheSoundDrivesTheSliderAcrossTheParametersRange)
{
    tavrix_project::Project read;
    tavrix_project::ProjectRenderer renderer(host);
    std::string error;
    ASSERT_TRUE(open(read, renderer, error)) << error;
    tavrix_host::EffectInstance& instance = *host.instances().at(0);
    const int slider = instance.findStream("MOUTH_OPEN_Y");
    ASSERT_GT(slider, 0);
    // Frames in any order: each value is the frame's own.
    for (int frame : {40, 24, 10, 19, 31}) {
        std::vector<uint8_t> rgba;
        int32_t width = 0;
        int32_t height = 0;
        ASSERT_TRUE(renderer.renderFrame(frame, 1, PF_Quality_HI, rgba, width, height, error)) << error;
        std::vector<PF_ParamDef> defs;
        std::vector<PF_ParamDef*> pointers;
        instance.buildParams(frame, 1, nullptr, defs, pointers);
        const double value = defs[slider].u.fs_d.value;
        const double t = frame / 24.0;
        if (t <= 0.75 || t >= 1.25 + 0.1) {
            EXPECT_EQ(value, -10.0) << frame;
        } else if (t <= 1.25) {
            EXPECT_EQ(value, 10.0) << frame;
        } else { // closing
            EXPECT_GT(value, -10.0) << frame;
            EXPECT_LT(value, 10.0) << frame;
        }
    }
    renderer.close();
}

TEST_F(RenderLipSyncTest, RefusalsNameTheMemberBeforeAnyFrame)
{
    struct Case {
        const char* member;
        Json::Value value;
        std::string message;
    } cases[] = {
        {"file", "none.wav", "layers[0].effect.audio.file: '" + dir + "/none.wav' cannot be opened"},
        {"param", "NOSE", "layers[0].effect.audio.param: no parameter of the effect has this name"},
        {"param", "3", "layers[0].effect.audio.param: parameter 3 is not a slider"},
        {"gain", -1, "layers[0].effect.audio.gain: must lie between 0 and 1000 (is -1)"},
        {"smoothing", 0.01, "layers[0].effect.audio.smoothing: must lie between 0.04 and 2"},
        {"volume", 1, "layers[0].effect.audio.volume: unknown member"},
    };
    for (const Case& c : cases) {
        Json::Value kept = audio();
        audio()[c.member] = c.value;
        tavrix_project::Project read;
        tavrix_project::ProjectRenderer renderer(host);
        std::string error;
        EXPECT_FALSE(open(read, renderer, error)) << c.member;
        EXPECT_THAT(error, StartsWith(dir + "/shot.json: " + c.message));
        renderer.close();
        audio() = kept;
    }
    // A slider keyed by params as well.
    project["layers"][0]["effect"]["params"]["MOUTH_OPEN_Y"] = 0.5;
    tavrix_project::Project read;
    tavrix_project::ProjectRenderer renderer(host);
    std::string error;
    EXPECT_FALSE(open(read, renderer, error));
    EXPECT_THAT(error, HasSubstr("layers[0].effect.audio.param: the effect's params set this slider too"));
}

TEST_F(RenderLipSyncTest, TheRenderedClipCarriesTheSoundAtItsOffset)
{
    tavrix_test::writeFile(dir + "/shot.json", project.toStyledString());
    // Frames 12 to 35 (0.5 to 1.5 s): the burst starts 0.25 s into the clip.
    const ToolRun r = tavrix_test::runTool(dir, "render shot.json -q -s 12 -e 35 -o clip.mov");
    ASSERT_EQ(r.status, 0) << r.err;
    AudioTrack sound;
    std::string why;
    ASSERT_TRUE(tavrix_media::readAudioFile(dir + "/clip.mov", sound, why)) << why;
    EXPECT_NEAR(sound.seconds(), 1.0, 1 / 24.0);
    EXPECT_NEAR(firstSound(sound), 0.25, 1 / 24.0);
}

} // namespace
