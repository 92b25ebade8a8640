// The "Tavrix Puppet" source in a real libobs (under xvfb-run, OpenGL, BGRA
// output, this module alone, plus OBS's own image source as the reference
// for pictures): its pictures against `tavrix draw` and `tavrix play` of the
// same model and settings, its sliders and properties, motions on hotkeys,
// lip sync from an audio source, two sources side by side, and bad model
// files that leave OBS running with an empty source and one log line.
#include <algorithm>
#include <gtest/gtest.h>

#include <json/json.h>
#include <lodepng.h>
#include <obs-module.h>
#include <obs.h>
#include <util/platform.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "AudioFile.h"
#include "support/tool/ToolProcess.h"
#include "support/obs/ObsSession.h"

namespace {

using tavrix_test::ObsSession;
using tavrix_test::Picture;
using tavrix_test::largestDifference;
using tavrix_test::premultiplied;

const int WIDTH = 400;
const int HEIGHT = 500;
const int FPS = 30;
const char* SOURCE = "tavrix_puppet_source";
const char* IMAGE_SOURCE_MODULE = "/usr/lib/x86_64-linux-gnu/obs-plugins/image-source.so";

class ObsSourceTest : public tavrix_test::ToolTest {
protected:
    void SetUp() override
    {
        ASSERT_NO_FATAL_FAILURE(tavrix_test::generateDemo(dir));
        model = path("demo.json");
    }
    void TearDown() override { session.reset(); }

    void startObs(int width, int height)
    {
        session = std::make_unique<ObsSession>(width, height, FPS, TAVRIX_OBS_MODULE, TAVRIX_OBS_DATA);
        ASSERT_EQ(session->failure(), "");
    }

    // Settings of a source showing the demo puppet at WIDTH x HEIGHT with
    // nothing animating it, plus extra members ("\"KEY\": VALUE, ...").
    std::string settings(const std::string& extra = "") const
    {
        return "{\"model_file\": \"" + model + "\", \"width\": " + std::to_string(WIDTH) +
               ", \"height\": " + std::to_string(HEIGHT) + ", \"blink\": false" + (extra.empty() ? "" : ", " + extra) +
               "}";
    }

    // `tavrix draw` of the demo puppet at WIDTH x HEIGHT with --set options.
    Picture draw(const std::string& sets, const std::string& name)
    {
        const std::string out = dir + "/" + name + ".png";
        tavrix_test::ToolRun r = run("draw '" + model + "' --size " + std::to_string(WIDTH) + "x" +
                                     std::to_string(HEIGHT) + " " + sets + " -o '" + out + "'");
        EXPECT_EQ(r.status, 0) << r.err;
        return tavrix_test::readPng(out);
    }

    // Waits until the source alone shows want (within 1 per channel).
    bool showsSoon(obs_source_t* source, const Picture& want, double seconds = 10.0)
    {
        Picture seen;
        const bool shown = ObsSession::waitFor(seconds, [&] {
            seen = session->renderSource(source);
            return largestDifference(seen, want) <= 1;
        });
        if (!shown) ADD_FAILURE() << "largest difference " << largestDifference(seen, want);
        return shown;
    }

    // Log lines that speak of the source of that name.
    int linesAbout(const std::string& name)
    {
        int count = 0;
        for (const std::string& line : session->logLines()) count += line.find("'" + name + "':") != std::string::npos;
        return count;
    }

    std::unique_ptr<ObsSession> session;
    std::string model;
};

TEST_F(ObsSourceTest, TwoPuppetsShowWhatTavrixDrawDrawsFollowTheirSlidersAndReset)
{
    const Picture rest = draw("", "rest");
    const Picture turned = draw("--set PARAM_ANGLE_X=20 --set PARAM_ARM_R=10", "turned");
    ASSERT_FALSE(rest.empty());
    // Top row: the two puppet sources; bottom row: OBS's image source with
    // the PNG files of `tavrix draw`, which go through OBS's output alike.
    // OBS's output lets colour of a pixel's neighbours into transparent
    // pixels beside them (for its image source too), so the rows stand
    // apart and the pictures are compared where they are not transparent.
    const int gap = 8;
    ASSERT_NO_FATAL_FAILURE(startObs(2 * WIDTH, 2 * HEIGHT + gap));
    obs_module_t* images = nullptr;
    ASSERT_EQ(obs_open_module(&images, IMAGE_SOURCE_MODULE, "/usr/share/obs/obs-plugins/image-source"), MODULE_SUCCESS);
    ASSERT_TRUE(obs_init_module(images));
    obs_source_t* left = session->addSource(SOURCE, "left puppet", settings());
    obs_source_t* right = session->addSource(SOURCE, "right puppet",
                                             settings("\"PARAM_ANGLE_X\": 20, \"PARAM_ARM_R\": 10"), WIDTH, 0);
    session->addSource("image_source", "rest image", "{\"file\": \"" + dir + "/rest.png\"}", 0, HEIGHT + gap);
    session->addSource("image_source", "turned image", "{\"file\": \"" + dir + "/turned.png\"}", WIDTH,
                       HEIGHT + gap);
    ASSERT_TRUE(left && right);

    // Each source alone, drawn onto transparent black: premultiplied.
    EXPECT_TRUE(showsSoon(left, premultiplied(rest)));
    EXPECT_TRUE(showsSoon(right, premultiplied(turned)));
    // OBS's output, BGRA: each puppet as the image source shows its PNG.
    int worst = 256;
    ObsSession::waitFor(10.0, [&] {
        const Picture output = tavrix_test::swapRedBlue(session->nextOutputFrame());
        worst = 0;
        for (uint32_t x : {0, WIDTH}) {
            worst = std::max(worst, tavrix_test::largestVisibleDifference(tavrix_test::crop(output, x, 0, WIDTH, HEIGHT),
                                                      tavrix_test::crop(output, x, HEIGHT + gap, WIDTH, HEIGHT)));
        }
        return worst <= 1;
    });
    EXPECT_LE(worst, 1) << "the puppets against the image sources in OBS's output";
    // docs/make-obs-picture.sh takes the two puppets from OBS's output for
    // the README, laid over a light grey.
    if (const char* picture = std::getenv("TAVRIX_OBS_PICTURE")) {
        Picture top = tavrix_test::crop(tavrix_test::swapRedBlue(session->nextOutputFrame()), 0, 0, 2 * WIDTH, HEIGHT);
        for (size_t i = 0; i + 3 < top.pixels.size(); i += 4) {
            const int alpha = top.pixels[i + 3];
            for (size_t c = i; c < i + 3; ++c) top.pixels[c] = static_cast<uint8_t>(top.pixels[c] + (235 * (255 - alpha) + 127) / 255);
            top.pixels[i + 3] = 255;
        }
        EXPECT_EQ(lodepng::encode(picture, top.pixels, top.width, top.height), 0u);
    }

    // A slider per parameter, with the model's range and default.
    tavrix_test::ToolRun facts = run("inspect '" + dir + "/demo.moc' --json");
    ASSERT_EQ(facts.status, 0);
    Json::Value modelFacts;
    ASSERT_TRUE(Json::Reader().parse(facts.out, modelFacts));
    obs_properties_t* props = obs_source_properties(left);
    obs_property_t* group = obs_properties_get(props, "parameters");
    ASSERT_NE(group, nullptr);
    obs_properties_t* sliders = obs_property_group_content(group);
    obs_data_t* defaults = obs_source_get_settings(left);
    ASSERT_GT(modelFacts["params"].size(), 10u);
    for (const Json::Value& param : modelFacts["params"]) {
        const std::string id = param["id"].asString();
        obs_property_t* slider = obs_properties_get(sliders, id.c_str());
        ASSERT_NE(slider, nullptr) << id;
        EXPECT_EQ(obs_property_get_type(slider), OBS_PROPERTY_FLOAT) << id;
        EXPECT_FLOAT_EQ(obs_property_float_min(slider), param["min"].asFloat()) << id;
        EXPECT_FLOAT_EQ(obs_property_float_max(slider), param["max"].asFloat()) << id;
        EXPECT_FLOAT_EQ(obs_data_get_default_double(defaults, id.c_str()), param["default"].asFloat()) << id;
    }
    obs_data_release(defaults);

    // Moving sliders poses the puppet as `draw --set`; Reset brings it back.
    obs_data_t* moved = obs_data_create_from_json("{\"PARAM_ANGLE_X\": 20, \"PARAM_ARM_R\": 10}");
    obs_source_update(left, moved);
    obs_data_release(moved);
    EXPECT_TRUE(showsSoon(left, premultiplied(turned)));
    EXPECT_TRUE(obs_property_button_clicked(obs_properties_get(props, "reset_parameters"), left));
    EXPECT_TRUE(showsSoon(left, premultiplied(rest)));
    obs_properties_destroy(props);
}

TEST_F(ObsSourceTest, AHotkeyPlaysAMotionAsTavrixPlayDoes)
{
    std::filesystem::copy_file(TAVRIX_EXAMPLES_DIR "/motions/demo_wave.mtn", path("demo_wave.mtn"));
    const std::string hair = TAVRIX_EXAMPLES_DIR "/motions/demo_hair.json";
    ASSERT_NO_FATAL_FAILURE(startObs(WIDTH, HEIGHT));
    obs_source_t* puppet = session->addSource(SOURCE, "waving puppet", settings("\"physics_file\": \"" + hair + "\""));
    ASSERT_NE(puppet, nullptr);
    ASSERT_TRUE(ObsSession::waitFor(10.0, [&] { return !session->renderSource(puppet).empty(); }));

    // The hotkey the source registered for the motion beside its model.
    obs_hotkey_id wave = OBS_INVALID_HOTKEY_ID;
    ASSERT_TRUE(ObsSession::waitFor(10.0, [&] {
        obs_enum_hotkeys(
            [](void* data, obs_hotkey_id id, obs_hotkey_t* key) {
                if (std::string(obs_hotkey_get_name(key)) == "tavrix_play.demo_wave.mtn") *static_cast<obs_hotkey_id*>(data) = id;
                return true;
            },
            &wave);
        return wave != OBS_INVALID_HOTKEY_ID;
    }));
    obs_hotkey_enable_callback_rerouting(true);
    obs_hotkey_set_callback_routing_func([](void*, obs_hotkey_id, bool) {}, nullptr);
    obs_hotkey_trigger_routed_callback(wave, true);
    obs_hotkey_trigger_routed_callback(wave, false);

    int startFrame = -1;
    ASSERT_TRUE(ObsSession::waitFor(10.0, [&] {
        for (const std::string& line : session->logLines()) {
            const size_t at = line.find("playing demo_wave.mtn from frame ");
            if (at != std::string::npos) startFrame = std::stoi(line.substr(at + 33));
        }
        return startFrame >= 0;
    }));
    const auto pressed = std::chrono::steady_clock::now();
    std::vector<std::pair<double, Picture>> seen;
    while (std::chrono::steady_clock::now() - pressed < std::chrono::milliseconds(3200)) {
        seen.emplace_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - pressed).count(),
                          session->renderSource(puppet));
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
    }

    // The same frames from `tavrix play`, the motion starting at that frame.
    const int last = startFrame + 110;
    const double startSeconds = ((startFrame * 1000 / FPS) - 0.5) / 1000.0;
    char motion[64];
    std::snprintf(motion, sizeof motion, "@%.6f", startSeconds);
    tavrix_test::ToolRun played = run("play '" + model + "' --motion '" + dir + "/demo_wave.mtn" + motion +
                                      "' --physics '" + hair + "' --size " + std::to_string(WIDTH) + "x" +
                                      std::to_string(HEIGHT) + " -s " + std::to_string(startFrame) + " -e " +
                                      std::to_string(last) + " -q -o '" + dir + "/play_####.png'");
    ASSERT_EQ(played.status, 0) << played.err;
    std::vector<Picture> frames;
    for (int k = startFrame; k <= last; ++k) {
        char name[32];
        std::snprintf(name, sizeof name, "/play_%04d.png", k);
        frames.push_back(premultiplied(tavrix_test::readPng(dir + name)));
    }
    // Every picture the source showed is one of play's frames, in order,
    // and the arm moved.
    int previous = 0;
    for (const auto& [seconds, picture] : seen) {
        int match = -1;
        for (int k = previous; k < static_cast<int>(frames.size()) && match < 0; ++k) {
            if (largestDifference(picture, frames[k]) <= 1) match = k;
        }
        ASSERT_GE(match, 0) << "the picture " << seconds << " s after the press is none of play's frames from "
                            << startFrame + previous;
        previous = match;
    }
    EXPECT_GT(previous, 60) << "the motion did not go on";
    EXPECT_GT(largestDifference(frames[0], frames[previous]), 100);
}

// An audio source of the test's own that plays a sound in real time.
struct Voice {
    std::vector<float> samples;
    std::atomic<bool> playing{false};
    std::atomic<double> startedAt{0}; // seconds on the test's clock
    std::thread thread;
};

TEST_F(ObsSourceTest, AnAudioSourceOpensTheMouthWhileItSpeaksAndNotInSilence)
{
    // The demo's voice, between a second of silence and two.
    const std::string wav = dir + "/voice.wav";
    ASSERT_EQ(std::system(("espeak-ng -w '" + wav + "' 'Hello! I am the Tavrix puppet. Now I can talk.'").c_str()), 0);
    tavrix_media::AudioTrack voice;
    std::string why;
    ASSERT_TRUE(tavrix_media::readAudioFile(wav, voice, why)) << why;
    const double speechStart = 1.0;
    const double speechEnd = speechStart + voice.seconds();
    auto sound = std::make_shared<Voice>();
    sound->samples.assign(static_cast<size_t>(speechStart * 48000), 0.0f);
    sound->samples.insert(sound->samples.end(), voice.samples.begin(), voice.samples.end());
    sound->samples.resize(sound->samples.size() + 2 * 48000, 0.0f);

    ASSERT_NO_FATAL_FAILURE(startObs(WIDTH, HEIGHT));
    static obs_source_info voiceType = {};
    voiceType.id = "tavrix_test_voice";
    voiceType.type = OBS_SOURCE_TYPE_INPUT;
    voiceType.output_flags = OBS_SOURCE_AUDIO;
    voiceType.get_name = [](void*) { return "Test voice"; };
    voiceType.create = [](obs_data_t*, obs_source_t* source) -> void* { return source; };
    voiceType.destroy = [](void*) {};
    obs_register_source(&voiceType);
    obs_source_t* speaker = session->addSource("tavrix_test_voice", "voice", "{}");
    obs_source_t* puppet = session->addSource(SOURCE, "talking puppet", settings("\"lipsync_source\": \"voice\""));
    ASSERT_TRUE(speaker && puppet);
    const Picture rest = premultiplied(draw("", "rest"));
    ASSERT_TRUE(showsSoon(puppet, rest));

    const auto clockStart = std::chrono::steady_clock::now();
    auto now = [&] { return std::chrono::duration<double>(std::chrono::steady_clock::now() - clockStart).count(); };
    sound->thread = std::thread([sound, speaker, &now] {
        const size_t block = 1024;
        const double begin = now();
        for (size_t at = 0; at < sound->samples.size(); at += block) {
            const double due = begin + static_cast<double>(at) / 48000;
            while (now() < due) std::this_thread::sleep_for(std::chrono::milliseconds(2));
            struct obs_source_audio audio = {};
            audio.data[0] = reinterpret_cast<const uint8_t*>(sound->samples.data() + at);
            audio.frames = static_cast<uint32_t>(std::min(block, sound->samples.size() - at));
            audio.speakers = SPEAKERS_MONO;
            audio.format = AUDIO_FORMAT_FLOAT;
            audio.samples_per_sec = 48000;
            audio.timestamp = os_gettime_ns();
            obs_source_output_audio(speaker, &audio);
        }
    });
    const double soundStart = now();
    int openWhileSpeaking = 0;
    int closedInSilence = 0;
    int silentChecks = 0;
    const double total = static_cast<double>(sound->samples.size()) / 48000;
    while (now() - soundStart < total) {
        const double t = now() - soundStart;
        const Picture picture = session->renderSource(puppet);
        const int change = largestDifference(picture, rest);
        if (t > speechStart + 0.3 && t < speechEnd) openWhileSpeaking += change > 20;
        if (t < speechStart - 0.2 || t > speechEnd + 1.0) {
            ++silentChecks;
            closedInSilence += change <= 1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(60));
    }
    sound->thread.join();
    EXPECT_GT(openWhileSpeaking, 5);
    EXPECT_GT(silentChecks, 3);
    EXPECT_EQ(closedInSilence, silentChecks);
}

TEST_F(ObsSourceTest, BadModelFilesLeaveTheSourceEmptyWithOneLogLine)
{
    // A damaged model: the demo cut in half; a hostile one: the fuzz
    // regression of deeply nested JSON; and one missing.
    std::string demo = tavrix_test::readFile(dir + "/demo.moc");
    tavrix_test::writeFile(dir + "/damaged.moc", demo.substr(0, demo.size() / 2));
    const struct {
        const char* name;
        std::string file;
    } cases[] = {
        {"missing", dir + "/missing.moc"},
        {"damaged", dir + "/damaged.moc"},
        {"hostile", FUZZ_REGRESSIONS "/model_json/deep-nesting.json"},
    };
    ASSERT_NO_FATAL_FAILURE(startObs(WIDTH, HEIGHT));
    std::vector<obs_source_t*> sources;
    for (const auto& c : cases) {
        sources.push_back(session->addSource(SOURCE, c.name, "{\"model_file\": \"" + c.file + "\"}"));
        ASSERT_NE(sources.back(), nullptr);
    }
    for (size_t i = 0; i < sources.size(); ++i) {
        const std::string name = cases[i].name;
        EXPECT_TRUE(ObsSession::waitFor(10.0, [&] { return linesAbout(name) > 0; })) << name;
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        EXPECT_EQ(linesAbout(name), 1) << name;
        EXPECT_EQ(obs_source_get_width(sources[i]), 0u) << name;
        EXPECT_TRUE(session->renderSource(sources[i]).empty()) << name;
    }

    // A scene collection with settings of the wrong types: the defaults,
    // a line for each, and the source draws once it is given a model.
    obs_data_t* saved = obs_data_create_from_json(
        "{\"id\": \"tavrix_puppet_source\", \"name\": \"restored\", \"settings\": {\"model_file\": 42, "
        "\"width\": \"wide\", \"blink\": false}}");
    obs_source_t* restored = obs_load_source(saved);
    obs_data_release(saved);
    ASSERT_NE(restored, nullptr);
    obs_scene_t* scene = obs_scene_from_source(obs_get_output_source(0));
    obs_scene_add(scene, restored);
    obs_source_release(obs_scene_get_source(scene));
    EXPECT_TRUE(ObsSession::waitFor(10.0, [&] { return linesAbout("restored") >= 2; }));
    obs_data_t* fixed = obs_data_create_from_json(settings().c_str());
    obs_source_update(restored, fixed);
    obs_data_release(fixed);
    obs_source_t* shown = session->addSource(SOURCE, "shown", settings());
    EXPECT_TRUE(ObsSession::waitFor(10.0, [&] { return obs_source_get_width(restored) == WIDTH; }));
    // The fresh source is the picture to match once it has drawn its puppet.
    Picture want;
    EXPECT_TRUE(ObsSession::waitFor(10.0, [&] {
        want = session->renderSource(shown);
        return std::any_of(want.pixels.begin(), want.pixels.end(), [](uint8_t byte) { return byte != 0; });
    }));
    EXPECT_TRUE(showsSoon(restored, want));
    obs_source_release(restored);
}

} // namespace
