// The frei0r filter in ffmpeg over a 1280 x 720 clip against drawing alone:
// the same puppet, placement and motion drawn on a stage, frame after frame,
// as the filter's render thread draws them. ffmpeg's own work (making the
// clip, converting it to RGBA and back) is timed too, without the filter.
// A frame's time in ffmpeg is the difference between a long and a short run
// over the frames between them, so that ffmpeg's start, OpenGL's start and
// the model's load do not count. Both sides are timed by the clock and by
// the CPU time of all their threads (ffmpeg's, the plug-in's and the
// rasteriser's; the stage's and the rasteriser's): on a shared machine the
// clock of a run of two processes mostly measures the others.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

#include "DemoModel.h"
#include "DemoTextures.h"
#include "ModelFiles.h"
#include "Playback.h"
#include "PlaybackSetup.h"
#include "Puppet.h"
#include "Stage.h"
#include "TavrixModelOpenGL.h"
#include "mocwriter/MocFile.h"

#include <lodepng.h>

namespace {

const int WIDTH = 1280;
const int HEIGHT = 720;
const int FPS = 25;
const int SHORT_RUN = 20;
const int LONG_RUN = 120;
const std::string MOTION = std::string(EXAMPLE_MOTIONS) + "/demo_wave.mtn";

bool writeBytes(const std::string& path, const std::vector<unsigned char>& bytes)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

// The demo puppet as a model JSON file with its textures, once a run.
const std::string& demoJson()
{
    static std::string json;
    if (!json.empty()) return json;
    const std::string folder = "/tmp/tavrix_bench_frei0r_" + std::to_string(getpid());
    const std::string make = "mkdir -p '" + folder + "'";
    bool written = std::system(make.c_str()) == 0;
    const std::vector<uint8_t> model = mocwriter::MocFile::build(tavrix_demo::demoModel());
    written = writeBytes(folder + "/demo.moc", std::vector<unsigned char>(model.begin(), model.end())) && written;
    std::string textures;
    const std::vector<tavrix_demo::DemoTexture> pictures = tavrix_demo::demoTextures();
    for (size_t i = 0; i < pictures.size(); ++i) {
        std::vector<unsigned char> png;
        lodepng::encode(png, pictures[i].rgba, pictures[i].width, pictures[i].height);
        const std::string name = "texture" + std::to_string(i) + ".png";
        written = writeBytes(folder + "/" + name, png) && written;
        textures += (i ? ", \"" : "\"") + name + "\"";
    }
    const std::string text = "{\"model\": \"demo.moc\", \"textures\": [" + textures + "]}";
    written = writeBytes(folder + "/demo.json", std::vector<unsigned char>(text.begin(), text.end())) && written;
    if (!written) {
        std::fprintf(stderr, "bench_frei0r: cannot write the demo files under /tmp\n");
        std::exit(1);
    }
    json = folder + "/demo.json";
    return json;
}

struct RunTime {
    double wall = 0.0; // seconds on the clock
    double cpu = 0.0;  // seconds of CPU, every thread of the run
};

// How long an ffmpeg run over frames of the clip takes, with the filter or
// without it.
RunTime ffmpegRun(int frames, bool filter)
{
    const std::string graph = filter ? " -vf \"frei0r=filter_name=tavrix_puppet:filter_params=" + demoJson() +
                                           "|0.001|0.5|0.5|0.25|" + MOTION + "|||||n|0.025\""
                                     : " -vf format=rgba";
    const std::string command = "FREI0R_PATH='" + std::string(TAVRIX_FREI0R_DIR) +
                                "' ffmpeg -v error -nostdin -f lavfi -i testsrc2=size=" + std::to_string(WIDTH) + "x" +
                                std::to_string(HEIGHT) + ":rate=" + std::to_string(FPS) + " -frames:v " +
                                std::to_string(frames) + graph + " -f null - > /dev/null";
    rusage before{};
    rusage after{};
    getrusage(RUSAGE_CHILDREN, &before);
    const auto start = std::chrono::steady_clock::now();
    if (std::system(command.c_str()) != 0) {
        std::fprintf(stderr, "bench_frei0r: ffmpeg failed: %s\n", command.c_str());
        std::exit(1);
    }
    RunTime time;
    time.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    getrusage(RUSAGE_CHILDREN, &after);
    auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    time.cpu = seconds(after.ru_utime) + seconds(after.ru_stime) - seconds(before.ru_utime) - seconds(before.ru_stime);
    return time;
}

// A frame's clock time as the iteration's time, and its CPU time (every
// thread of ffmpeg, the render thread and the rasteriser's included) as the
// counter process_cpu_ms.
void frameInFfmpeg(benchmark::State& state, bool filter)
{
    double cpu = 0.0;
    for (auto _ : state) {
        const RunTime longRun = ffmpegRun(LONG_RUN, filter);
        const RunTime shortRun = ffmpegRun(SHORT_RUN, filter);
        state.SetIterationTime((longRun.wall - shortRun.wall) / (LONG_RUN - SHORT_RUN));
        cpu += (longRun.cpu - shortRun.cpu) / (LONG_RUN - SHORT_RUN);
    }
    state.counters["process_cpu_ms"] = cpu * 1000.0 / static_cast<double>(state.iterations());
}

// A 720p frame of the filter in ffmpeg, the clip's making and conversions
// included.
void BM_FilterFrameInFfmpeg(benchmark::State& state)
{
    frameInFfmpeg(state, true);
}
BENCHMARK(BM_FilterFrameInFfmpeg)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

// The same ffmpeg run without the filter: the host's share.
void BM_ClipFrameInFfmpeg(benchmark::State& state)
{
    frameInFfmpeg(state, false);
}
BENCHMARK(BM_ClipFrameInFfmpeg)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(1);

// Drawing alone: the puppet advanced to the next frame, evaluated and drawn
// at 720p with premultiplied colour, as the filter draws it.
void BM_DrawingAlone(benchmark::State& state)
{
    tavrix_stage::Stage stage;
    std::string why;
    std::vector<std::string> warnings;
    tavrix_stage::ModelFiles files;
    std::unique_ptr<tavrix_stage::Puppet> puppet;
    if (stage.open(why) && tavrix_stage::resolveModelFiles(demoJson(), {}, files, why)) {
        puppet = tavrix_stage::Puppet::load(stage, files, warnings, why);
    }
    tavrix_stage::PlaybackSetup setup;
    setup.motions.push_back({MOTION, 0.0});
    std::unique_ptr<tavrix_stage::Playback> playback =
        puppet ? tavrix_stage::makePlayback(puppet->model(), FPS, setup, files.model, why) : nullptr;
    if (!playback) {
        state.SkipWithError(why.c_str());
        return;
    }
    puppet->placeInFrame(0.5, 0.5, 1.0f);
    tavrix_media::RgbaImage image;
    int frame = 0;
    for (auto _ : state) {
        playback->advanceTo(frame++ % (LONG_RUN - SHORT_RUN));
        puppet->update();
        if (!stage.draw(*puppet, WIDTH, HEIGHT, image, why, tavrix_stage::Stage::Alpha::PREMULTIPLIED)) {
            state.SkipWithError(why.c_str());
        }
    }
}
BENCHMARK(BM_DrawingAlone)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

} // namespace

BENCHMARK_MAIN();
