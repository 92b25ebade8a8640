// Model loading and evaluation speed: structure set-up of long deformer
// chains, loading the demo puppet, and per-frame updates; loading a large
// generated model beside reading its file, and updating one beside a plain
// loop that blends the same keyed points with the same weights.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

#include "ATavrixModel.h"
#include "DemoModel.h"
#include "LargeModel.h"
#include "ModelContext.h"
#include "support/ChildFirstChain.h"
#include "Tavrix.h"
#include "base/BDAffine.h"
#include "id/BaseDataID.h"
#include "mocwriter/MocFile.h"
#include "model/ModelImpl.h"
#include "model/PartsData.h"
#include "type/LDString.h"
#include "util/UtFile.h"
#include "util/UtString.h"

using namespace tavrix;

namespace {

// The runtime for one benchmark; valid models load without diagnostics.
struct QuietRuntime {
    QuietRuntime() { Tavrix::init(); }
    ~QuietRuntime() { Tavrix::dispose(); }
};

void BM_InitChainListedChildFirst(benchmark::State& state)
{
    QuietRuntime runtime;
    const int n = static_cast<int>(state.range(0));
    ATavrixModel model;
    tavrix_test::addChildFirstChain(model, n);
    for (auto _ : state) model.init();
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_InitChainListedChildFirst)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_LoadDemoModel(benchmark::State& state)
{
    QuietRuntime runtime;
    std::vector<uint8_t> bytes = mocwriter::MocFile::build(tavrix_demo::demoModel());
    for (auto _ : state) {
        ATavrixModel model;
        int result = ATavrixModel::loadModel_exe(&model, bytes.data(), static_cast<int>(bytes.size()));
        benchmark::DoNotOptimize(result);
    }
}
BENCHMARK(BM_LoadDemoModel)->Unit(benchmark::kMicrosecond);

void BM_UpdateDemoModel(benchmark::State& state)
{
    QuietRuntime runtime;
    std::vector<uint8_t> bytes = mocwriter::MocFile::build(tavrix_demo::demoModel());
    ATavrixModel model;
    ATavrixModel::loadModel_exe(&model, bytes.data(), static_cast<int>(bytes.size()));
    float angle = 0.0f;
    for (auto _ : state) {
        // Every frame moves the head and the body, as an animation would.
        angle = angle > 29.0f ? -29.0f : angle + 0.5f;
        model.setParamFloat("PARAM_ANGLE_X", angle);
        model.setParamFloat("PARAM_BODY_ANGLE_X", angle / 3.0f);
        model.update();
    }
}
BENCHMARK(BM_UpdateDemoModel)->Unit(benchmark::kMicrosecond);

// The large model's file, written once per run and removed at exit.
const std::string& largeModelFile()
{
    static std::string path;
    if (!path.empty()) return path;
    path = "/tmp/tavrix_bench_large_" + std::to_string(getpid()) + ".moc";
    const std::vector<uint8_t> bytes = mocwriter::MocFile::build(large_model::model(large_model::LOAD_SIZE));
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size() || std::fclose(file) != 0) {
        std::fprintf(stderr, "bench_model: cannot write %s\n", path.c_str());
        std::exit(1);
    }
    std::atexit([] { std::remove(path.c_str()); });
    return path;
}

// The floor of loading: the file into memory, as the loader reads it.
void BM_ReadLargeModelFile(benchmark::State& state)
{
    QuietRuntime runtime;
    const tavrix::LDString path(largeModelFile().c_str());
    int size = 0;
    for (auto _ : state) {
        char* bytes = UtFile::loadFile(path, &size);
        benchmark::DoNotOptimize(bytes);
        UtFile::releaseLoadBuffer(bytes);
    }
    state.SetBytesProcessed(state.iterations() * size);
}
BENCHMARK(BM_ReadLargeModelFile)->Unit(benchmark::kMillisecond);

// Reading and parsing the same file into a model (its release not timed).
void BM_LoadLargeModel(benchmark::State& state)
{
    QuietRuntime runtime;
    const tavrix::LDString path(largeModelFile().c_str());
    int size = 0;
    UtFile::releaseLoadBuffer(UtFile::loadFile(path, &size));
    for (auto _ : state) {
        ATavrixModel* model = new ATavrixModel();
        if (ATavrixModel::loadModel_exe(model, path) != ATavrixModel::LOAD_OK) state.SkipWithError("load failed");
        state.PauseTiming();
        delete model;
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * size);
    state.counters["meshes"] = large_model::LOAD_SIZE.meshes;
    state.counters["MB"] = size / 1e6;
}
BENCHMARK(BM_LoadLargeModel)->Unit(benchmark::kMillisecond);

// update() of the large model: every parameter moving each frame (range 1)
// or none (range 0).
void BM_UpdateLargeModel(benchmark::State& state)
{
    QuietRuntime runtime;
    const bool changing = state.range(0) != 0;
    const std::vector<uint8_t> bytes = mocwriter::MocFile::build(large_model::model(large_model::UPDATE_SIZE));
    ATavrixModel model;
    if (ATavrixModel::loadModel_exe(&model, bytes.data(), static_cast<int>(bytes.size())) != ATavrixModel::LOAD_OK) {
        state.SkipWithError("load failed");
        return;
    }
    int frame = 0;
    for (int i = 0; i < large_model::PARAM_COUNT; ++i) model.setParamFloat(i, large_model::sweep(i, frame));
    model.update();
    for (auto _ : state) {
        if (changing) {
            ++frame;
            for (int i = 0; i < large_model::PARAM_COUNT; ++i) model.setParamFloat(i, large_model::sweep(i, frame));
        }
        model.update();
    }
    state.counters["points"] = large_model::UPDATE_SIZE.meshes * large_model::UPDATE_SIZE.pointRows *
                               large_model::UPDATE_SIZE.pointColumns;
}
BENCHMARK(BM_UpdateLargeModel)->ArgName("changing")->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

// The memory-bound floor of an update: each mesh's point array blended from
// the keyed arrays of the four pivot combinations around the parameter
// values, with the same weights as the runtime's interpolation.
void BM_BlendFloorLargeModel(benchmark::State& state)
{
    const mocwriter::MocModel model = large_model::model(large_model::UPDATE_SIZE);
    const std::vector<mocwriter::MocModel::Mesh>& meshes = model.parts[0].meshes;
    std::vector<std::vector<float>> blended(meshes.size());
    for (size_t m = 0; m < meshes.size(); ++m) blended[m].resize(meshes[m].keyedPoints[0].size());
    // The interval of the pivots -1, 0, 1 that holds v, and v's place in it.
    const auto locate = [](float v, int& interval, float& t) {
        interval = v < large_model::PIVOTS[1] ? 0 : 1;
        t = (v - large_model::PIVOTS[interval]) / (large_model::PIVOTS[interval + 1] - large_model::PIVOTS[interval]);
    };
    int frame = 0;
    for (auto _ : state) {
        ++frame;
        for (size_t m = 0; m < meshes.size(); ++m) {
            int ia, ib;
            float ta, tb;
            locate(large_model::sweep(large_model::meshParamA(static_cast<int>(m)), frame), ia, ta);
            locate(large_model::sweep(large_model::meshParamB(static_cast<int>(m)), frame), ib, tb);
            // The first parameter varies fastest among the 3 x 3 combinations.
            const float* k00 = meshes[m].keyedPoints[ia + 3 * ib].data();
            const float* k10 = meshes[m].keyedPoints[ia + 1 + 3 * ib].data();
            const float* k01 = meshes[m].keyedPoints[ia + 3 * (ib + 1)].data();
            const float* k11 = meshes[m].keyedPoints[ia + 1 + 3 * (ib + 1)].data();
            const float w00 = (1 - ta) * (1 - tb), w10 = ta * (1 - tb), w01 = (1 - ta) * tb, w11 = ta * tb;
            float* out = blended[m].data();
            const size_t n = blended[m].size();
            for (size_t i = 0; i < n; ++i) out[i] = w00 * k00[i] + w10 * k10[i] + w01 * k01[i] + w11 * k11[i];
        }
        benchmark::DoNotOptimize(blended.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_BlendFloorLargeModel)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
