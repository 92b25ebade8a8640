// One 1920 x 1080 still of the demo puppet through tavrix draw's path (a
// puppet on a stage): the whole frame and its update alone, beside an empty
// frame (clear and read-back only) in the same run. The software rasteriser draws on threads
// of its own, so CPU time is the whole process's.
#include <benchmark/benchmark.h>
#include <lodepng.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "DemoModel.h"
#include "DemoTextures.h"
#include "Puppet.h"
#include "Stage.h"
#include "mocwriter/MocFile.h"

using tavrix_stage::Puppet;
using tavrix_stage::Stage;
using tavrix_media::RgbaImage;

namespace {

const int WIDTH = 1920;
const int HEIGHT = 1080;

bool writeBytes(const std::string& path, const std::vector<unsigned char>& bytes)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

// The demo puppet and its textures as files, the way tavrix draw reads them.
std::vector<std::string> writeDemoFiles()
{
    const std::string folder = "/tmp/tavrix_bench_draw_" + std::to_string(getpid()) + "_";
    std::vector<std::string> paths = {folder + "demo.moc"};
    const std::vector<uint8_t> model = mocwriter::MocFile::build(tavrix_demo::demoModel());
    bool written = writeBytes(paths[0], std::vector<unsigned char>(model.begin(), model.end()));
    const std::vector<tavrix_demo::DemoTexture> textures = tavrix_demo::demoTextures();
    for (size_t i = 0; i < textures.size(); ++i) {
        std::vector<unsigned char> png;
        lodepng::encode(png, textures[i].rgba, textures[i].width, textures[i].height);
        paths.push_back(folder + "texture" + std::to_string(i) + ".png");
        written = writeBytes(paths.back(), png) && written;
    }
    if (!written) std::fprintf(stderr, "bench_draw: cannot write the demo files under /tmp\n");
    return paths;
}

// One stage and one puppet for every benchmark of the run.
struct DemoDrawing {
    Stage stage;
    std::unique_ptr<Puppet> puppet;
};

DemoDrawing& demoDrawing()
{
    static DemoDrawing drawing;
    if (drawing.puppet) return drawing;
    std::string why;
    std::vector<std::string> warnings;
    const std::vector<std::string> paths = writeDemoFiles();
    tavrix_stage::ModelFiles files;
    files.model = paths[0];
    files.textures.assign(paths.begin() + 1, paths.end());
    if (drawing.stage.open(why)) drawing.puppet = Puppet::load(drawing.stage, files, warnings, why);
    if (!drawing.puppet || !drawing.stage.reserve(WIDTH, HEIGHT, why)) {
        std::fprintf(stderr, "bench_draw: %s\n", why.c_str());
        std::exit(1);
    }
    for (const std::string& path : paths) std::remove(path.c_str());
    drawing.puppet->update();
    return drawing;
}

// Every frame moves the head and the body, as an animation would.
void pose(Puppet& puppet, float& angle)
{
    angle = angle > 29.0f ? -29.0f : angle + 0.5f;
    puppet.setParam("PARAM_ANGLE_X", angle);
    puppet.setParam("PARAM_BODY_ANGLE_X", angle / 3.0f);
}

void BM_EmptyFrame(benchmark::State& state)
{
    DemoDrawing& drawing = demoDrawing();
    RgbaImage image;
    std::string why;
    for (auto _ : state) drawing.stage.drawNothing(WIDTH, HEIGHT, image, why);
}
BENCHMARK(BM_EmptyFrame)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

void BM_DemoFrame(benchmark::State& state)
{
    DemoDrawing& drawing = demoDrawing();
    RgbaImage image;
    std::string why;
    float angle = 0.0f;
    for (auto _ : state) {
        pose(*drawing.puppet, angle);
        drawing.puppet->update();
        drawing.stage.draw(*drawing.puppet, WIDTH, HEIGHT, image, why);
    }
}
BENCHMARK(BM_DemoFrame)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

void BM_DemoFrameUpdate(benchmark::State& state)
{
    DemoDrawing& drawing = demoDrawing();
    float angle = 0.0f;
    for (auto _ : state) {
        pose(*drawing.puppet, angle);
        drawing.puppet->update();
    }
}
BENCHMARK(BM_DemoFrameUpdate)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
