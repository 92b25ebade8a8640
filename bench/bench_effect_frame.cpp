// One 1920 x 1080 frame of the effect with the demo puppet: whole frames
// through the plug-in and the substitute host, beside an empty frame (no
// model), and the parts of a frame on their own: model update, draw,
// read-back of the renderbuffer, and the conversions on the way to the
// output (flip, un-premultiply, copy, alpha multiply).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

#include <lodepng.h>

#include "DemoModel.h"
#include "EffectInstance.h"
#include "GLator.h"
#include "GL_base.h"
#include "Host.h"
#include "HostWorld.h"
#include "PixelTransfer.h"
#include "TavrixModelOpenGL.h"
#include "Win/TavrixUtil.h"
#include "WorldOps.h"
#include "graphics/DrawParam.h"
#include "mocwriter/MocWriter.h"

using tavrix_host::HostWorld;
using tavrix_host::WorldOps;

namespace {

const int WIDTH = 1920;
const int HEIGHT = 1080;

// The demo puppet and four solid textures, written once per run.
const std::vector<std::string>& demoFiles()
{
    static std::vector<std::string> paths;
    if (!paths.empty()) return paths;
    const std::string folder = "/tmp/tavrix_bench_effect_" + std::to_string(getpid());
    std::system(("mkdir -p " + folder).c_str());
    const std::vector<uint8_t> model = mocwriter::MocFile::build(tavrix_demo::demoModel());
    paths.push_back(folder + "/demo.moc");
    std::FILE* out = std::fopen(paths[0].c_str(), "wb");
    std::fwrite(model.data(), 1, model.size(), out);
    std::fclose(out);
    const unsigned char colours[4][4] = {{230, 180, 150, 255}, {60, 60, 160, 255}, {200, 60, 60, 255}, {250, 250, 250, 200}};
    for (int t = 0; t < 4; ++t) {
        std::vector<unsigned char> pixels;
        for (int i = 0; i < 64 * 64; ++i) pixels.insert(pixels.end(), colours[t], colours[t] + 4);
        paths.push_back(folder + "/t" + std::to_string(t) + ".png");
        lodepng::encode(paths.back(), pixels, 64, 64);
    }
    return paths;
}

std::string demoState()
{
    const std::vector<std::string>& paths = demoFiles();
    std::string state = "{\"modelPath\":\"" + paths[0] + "\",\"texturePaths\":[";
    for (size_t i = 1; i < paths.size(); ++i) state += (i > 1 ? ",\"" : "\"") + paths[i] + "\"";
    return state + "],\"dontResetParams\":false}";
}

// A frame as the tool renders it: the effect on an opaque 1920 x 1080 layer.
void BM_FrameThroughPlugin(benchmark::State& state)
{
    const bool withModel = state.range(0) != 0;
    tavrix_host::Host host;
    std::string error;
    if (!host.open(TAVRIX_PLUGIN_PATH, error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    const std::string saved = demoState();
    tavrix_host::EffectInstance* instance = host.addInstance(WIDTH, HEIGHT, withModel ? &saved : nullptr);
    instance->param(4).track.add(0, 60);
    HostWorld input(WIDTH, HEIGHT);
    WorldOps::fill(input.world(), PF_Pixel{255, 0, 0, 0});
    HostWorld output(WIDTH, HEIGHT);
    tavrix_host::EffectInstance::RenderRequest request;
    request.input = &input.world();
    request.output = &output.world();
    instance->render(request); // the first frame also applies the model's defaults
    for (auto _ : state) {
        if (instance->render(request).err) state.SkipWithError("render failed");
    }
}
BENCHMARK(BM_FrameThroughPlugin)->ArgName("model")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// The private context with the demo loaded, as the plug-in holds them.
struct DrawingSetup {
    AESDK_OpenGL::AESDK_OpenGL_EffectCommonData gl;
    tavrix::TavrixModelOpenGL* model = nullptr;
    std::vector<unsigned int> textures;

    DrawingSetup()
    {
        AESDK_OpenGL::AESDK_OpenGL_Startup(gl);
        AESDK_OpenGL::SetPluginContext(gl);
        AESDK_OpenGL::AESDK_OpenGL_InitResources(gl, 1024, 1024);
        tavrixutil::init();
        AESDK_OpenGL::AESDK_OpenGL_ResizeRenderBuffers(gl, WIDTH, HEIGHT);
        AESDK_OpenGL::AESDK_OpenGL_MakeReadyToRender(gl);
        glViewport(0, 0, WIDTH, HEIGHT);
        model = tavrixutil::loadModel(demoFiles(), WIDTH, HEIGHT, textures);
    }
    ~DrawingSetup()
    {
        delete model;
        AESDK_OpenGL::AESDK_OpenGL_ReleaseResources(gl);
        AESDK_OpenGL::SetHostContext(gl);
        AESDK_OpenGL::AESDK_OpenGL_Shutdown(gl);
    }
};

DrawingSetup& drawing()
{
    static DrawingSetup setup;
    return setup;
}

void BM_PartModelUpdate(benchmark::State& state)
{
    tavrix::TavrixModelOpenGL* model = drawing().model;
    float angle = 0.0f;
    for (auto _ : state) {
        // As a frame of an animation does: the sliders moved, then update.
        angle = angle > 29.0f ? -29.0f : angle + 0.5f;
        model->setParamFloat("PARAM_ANGLE_X", angle);
        model->setParamFloat("PARAM_BODY_ANGLE_X", angle / 3.0f);
        model->update();
    }
}
BENCHMARK(BM_PartModelUpdate)->Unit(benchmark::kMicrosecond);

void BM_PartDraw(benchmark::State& state)
{
    tavrix::TavrixModelOpenGL* model = drawing().model;
    for (auto _ : state) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        model->draw();
        glFinish();
    }
}
BENCHMARK(BM_PartDraw)->Unit(benchmark::kMillisecond);

void BM_PartReadBack(benchmark::State& state)
{
    DrawingSetup& setup = drawing();
    std::vector<uint8_t> buffer(static_cast<size_t>(setup.gl.renderBufferWidth) * setup.gl.renderBufferHeight * 4);
    for (auto _ : state) {
        // The output's rows and columns, as the render reads them.
        glReadBuffer(GL_COLOR_ATTACHMENT0_EXT);
        glPixelStorei(GL_PACK_ROW_LENGTH, setup.gl.renderBufferWidth);
        glReadPixels(0, 0, WIDTH, HEIGHT, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8, buffer.data());
        glPixelStorei(GL_PACK_ROW_LENGTH, 0);
        benchmark::DoNotOptimize(buffer.data());
    }
}
BENCHMARK(BM_PartReadBack)->Unit(benchmark::kMillisecond);

// The conversions' input: the demo frame as the render reads it back
// (range 0), or every pixel translucent, the slowest case (range 1).
const HostWorld& sampleWorld(int64_t kind)
{
    static HostWorld frame(WIDTH, HEIGHT);
    static HostWorld translucent(WIDTH, HEIGHT);
    static bool made = false;
    if (!made) {
        DrawingSetup& setup = drawing();
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        setup.model->draw();
        std::vector<uint8_t> buffer(static_cast<size_t>(setup.gl.renderBufferWidth) * setup.gl.renderBufferHeight * 4);
        glReadPixels(0, 0, setup.gl.renderBufferWidth, setup.gl.renderBufferHeight, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8,
                     buffer.data());
        copyFlipped(buffer.data(), setup.gl.renderBufferWidth, frame.world().data, frame.world().rowbytes, WIDTH,
                    HEIGHT);
        for (int y = 0; y < HEIGHT; ++y) {
            for (int x = 0; x < WIDTH; ++x) {
                const uint8_t alpha = static_cast<uint8_t>((x + y) % 256);
                translucent.at(x, y) = PF_Pixel{alpha, static_cast<uint8_t>(alpha / 2), static_cast<uint8_t>(alpha / 3), 0};
            }
        }
        made = true;
    }
    return kind == 0 ? frame : translucent;
}

void BM_ConversionFlip(benchmark::State& state)
{
    std::vector<uint8_t> buffer(2048u * 2048u * 4, 7);
    HostWorld world(WIDTH, HEIGHT);
    for (auto _ : state) {
        copyFlipped(buffer.data(), 2048, world.world().data, world.world().rowbytes, WIDTH, HEIGHT);
        benchmark::DoNotOptimize(world.world().data);
    }
}
BENCHMARK(BM_ConversionFlip)->Unit(benchmark::kMillisecond);

void BM_ConversionUnpremultiply(benchmark::State& state)
{
    const HostWorld& sample = sampleWorld(state.range(0));
    HostWorld world(WIDTH, HEIGHT);
    for (auto _ : state) {
        state.PauseTiming();
        WorldOps::copy(sample.world(), world.world(), false);
        state.ResumeTiming();
        WorldOps::unpremultiply(world.world());
    }
}
BENCHMARK(BM_ConversionUnpremultiply)->ArgName("translucent")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_ConversionCopy(benchmark::State& state)
{
    const HostWorld& sample = sampleWorld(state.range(0));
    HostWorld world(WIDTH, HEIGHT);
    for (auto _ : state) WorldOps::copy(sample.world(), world.world(), true);
}
BENCHMARK(BM_ConversionCopy)->ArgName("translucent")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_ConversionAlphaMultiply(benchmark::State& state)
{
    // The input layer masks the frame; its alpha decides nothing of the cost.
    const HostWorld& layer = sampleWorld(1);
    HostWorld world(WIDTH, HEIGHT);
    WorldOps::copy(sampleWorld(state.range(0)).world(), world.world(), false);
    for (auto _ : state) WorldOps::iterate(&layer.world(), world.world(), nullptr, MultAlpha);
}
BENCHMARK(BM_ConversionAlphaMultiply)->ArgName("translucent")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
