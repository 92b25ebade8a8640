// The render thread's work for one frame of the OBS source: the demo puppet
// with its idle motion looping, blinking, swinging hair and a listening lip
// sync, played on by a frame of a 30 frames/s stream, drawn and handed to
// OBS's graphics thread, at 1280 x 720 and 1920 x 1080. A stream keeps up
// while this stays under the 33 ms of a frame; the target leaves half of
// that to the encoder on two cores.
#include <benchmark/benchmark.h>
#include <lodepng.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "DemoModel.h"
#include "DemoTextures.h"
#include "FrameMailbox.h"
#include "LipSyncStream.h"
#include "LivePuppet.h"
#include "Stage.h"
#include "mocwriter/MocFile.h"

namespace {

const int FPS = 30;

// The demo puppet, a model JSON file and its motion and hair set-up.
std::string writeDemoFolder()
{
    const std::string folder = "/tmp/tavrix_bench_obs_" + std::to_string(getpid());
    std::system(("mkdir -p '" + folder + "'").c_str());
    const std::vector<uint8_t> model = mocwriter::MocFile::build(tavrix_demo::demoModel());
    std::ofstream(folder + "/demo.moc", std::ios::binary).write(reinterpret_cast<const char*>(model.data()), model.size());
    std::string json = "{\"model\": \"demo.moc\", \"textures\": [";
    const std::vector<tavrix_demo::DemoTexture> textures = tavrix_demo::demoTextures();
    for (size_t i = 0; i < textures.size(); ++i) {
        const std::string name = "texture" + std::to_string(i) + ".png";
        lodepng::encode(folder + "/" + name, textures[i].rgba, textures[i].width, textures[i].height);
        json += (i ? ", \"" : "\"") + name + "\"";
    }
    std::ofstream(folder + "/demo.json") << json << "]}";
    std::system(("cp '" TAVRIX_EXAMPLE_MOTIONS "/demo_wave.mtn' '" + folder + "/'").c_str());
    return folder;
}

void BM_ObsRenderThreadFrame(benchmark::State& state)
{
    const int sizes[][2] = {{1280, 720}, {1920, 1080}};
    const int width = sizes[state.range(0)][0];
    const int height = sizes[state.range(0)][1];
    const std::string folder = writeDemoFolder();
    tavrix_stage::Stage stage;
    std::string why;
    if (!stage.open(why)) {
        state.SkipWithError(why.c_str());
        return;
    }
    tavrix_obs::SourceSettings settings;
    settings.modelFile = folder + "/demo.json";
    settings.width = width;
    settings.height = height;
    settings.scale = 0.6;
    settings.offsetY = -height / 4;
    settings.idleMotion = "demo_wave.mtn";
    settings.physicsFile = TAVRIX_EXAMPLE_MOTIONS "/demo_hair.json";
    auto voice = std::make_shared<tavrix_media::LipSyncStream>(settings.lipSync, 48000);
    auto mailbox = std::make_shared<tavrix_obs::FrameMailbox>();
    {
        tavrix_obs::LivePuppet puppet(FPS, mailbox);
        puppet.apply(&stage, "bench", settings, voice);
        tavrix_media::RgbaImage taken;
        std::vector<float> block(48000 / FPS, 0.0f);
        for (auto _ : state) {
            voice->addSamples(block.data(), block.size());
            puppet.advance(&stage, 1.0 / FPS, true);
            mailbox->take(taken);
        }
        if (taken.width != static_cast<unsigned>(width)) state.SkipWithError("no picture drawn");
        puppet.release();
    }
    std::system(("rm -rf '" + folder + "'").c_str());
}
BENCHMARK(BM_ObsRenderThreadFrame)->ArgName("size")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
