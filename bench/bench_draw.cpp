// One 1920 x 1080 still of the demo puppet through tavrix draw's path, split
// into update, draw and read-back, beside an empty frame (clear and
// read-back only) in the same run. The software rasteriser draws on threads
// of its own, so CPU time is the whole process's.
#include <benchmark/benchmark.h>
#include <lodepng.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

#include "DemoModel.h"
#include "DemoTextures.h"
#include "OffscreenDrawing.h"
#include "TavrixModelOpenGL.h"
#include "mocwriter/MocFile.h"

using tavrix_tool::OffscreenDrawing;
using tavrix_tool::RgbaImage;

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

// One context and one loaded model for every benchmark of the run.
OffscreenDrawing& demoDrawing()
{
    static OffscreenDrawing drawing;
    static bool ready = false;
    if (ready) return drawing;
    std::string why;
    std::vector<std::string> warnings;
    int loadResult = 0;
    const std::vector<std::string> paths = writeDemoFiles();
    if (!drawing.start(why) || !drawing.load(paths, WIDTH, HEIGHT, warnings, loadResult) ||
        !drawing.setSize(WIDTH, HEIGHT, why)) {
        std::fprintf(stderr, "bench_draw: %s (load result %d)\n", why.c_str(), loadResult);
        std::exit(1);
    }
    for (const std::string& path : paths) std::remove(path.c_str());
    drawing.update();
    ready = true;
    return drawing;
}

// Every frame moves the head and the body, as an animation would.
void pose(OffscreenDrawing& drawing, float& angle)
{
    angle = angle > 29.0f ? -29.0f : angle + 0.5f;
    drawing.getModel()->setParamFloat("PARAM_ANGLE_X", angle);
    drawing.getModel()->setParamFloat("PARAM_BODY_ANGLE_X", angle / 3.0f);
}

void BM_EmptyFrame(benchmark::State& state)
{
    OffscreenDrawing& drawing = demoDrawing();
    RgbaImage image;
    for (auto _ : state) {
        drawing.clear();
        drawing.readBack(image);
    }
}
BENCHMARK(BM_EmptyFrame)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

void BM_DemoFrame(benchmark::State& state)
{
    OffscreenDrawing& drawing = demoDrawing();
    RgbaImage image;
    float angle = 0.0f;
    for (auto _ : state) {
        pose(drawing, angle);
        drawing.update();
        drawing.draw();
        drawing.readBack(image);
    }
}
BENCHMARK(BM_DemoFrame)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

void BM_DemoFrameUpdate(benchmark::State& state)
{
    OffscreenDrawing& drawing = demoDrawing();
    float angle = 0.0f;
    for (auto _ : state) {
        pose(drawing, angle);
        drawing.update();
    }
}
BENCHMARK(BM_DemoFrameUpdate)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

void BM_DemoFrameDraw(benchmark::State& state)
{
    OffscreenDrawing& drawing = demoDrawing();
    for (auto _ : state) drawing.draw();
}
BENCHMARK(BM_DemoFrameDraw)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

void BM_DemoFrameReadBack(benchmark::State& state)
{
    OffscreenDrawing& drawing = demoDrawing();
    RgbaImage image;
    drawing.draw();
    for (auto _ : state) drawing.readBack(image);
}
BENCHMARK(BM_DemoFrameReadBack)->MeasureProcessCPUTime()->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
