// How loading and evaluating grow with the model: generated models at 1x, 10x
// and 100x a base size along one axis at a time (parameters, meshes, deformers
// in a chain, points per mesh). Each size reports the time per element of
// loading (read, check, build the context), of the first update and of
// releasing the model, and the peak of the runtime's memory pages per
// element while loading. Cost that grows linearly keeps the per-element
// figures flat from 1x to 100x.
#include <benchmark/benchmark.h>

#include <malloc.h>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "ATavrixModel.h"
#include "GrowthModels.h"
#include "Tavrix.h"
#include "mocwriter/MocFile.h"
#include "support/PeakPageAllocator.h"

using namespace tavrix;

namespace {

const std::vector<uint8_t>& modelFile(growth::Axis axis, int n)
{
    static std::map<std::pair<int, int>, std::vector<uint8_t>> files;
    std::vector<uint8_t>& bytes = files[{static_cast<int>(axis), n}];
    if (bytes.empty()) bytes = mocwriter::MocFile::build(growth::growthModel(axis, n));
    return bytes;
}

enum class Phase { Load, FirstUpdate, Release };

void runPhase(benchmark::State& state, growth::Axis axis, int n, Phase phase)
{
    const std::vector<uint8_t>& bytes = modelFile(axis, n);
    tavrix_test::PeakPageAllocator pages;
    size_t peakBytes = 0;
    for (auto _ : state) {
        // Every round starts the runtime afresh, so that identifiers are
        // interned anew as in a process that loads one model. Only the phase
        // itself is timed.
        state.PauseTiming();
        Tavrix::init(&pages);
        const size_t before = pages.restartPeak();
        ATavrixModel* model = new ATavrixModel();
        if (phase == Phase::Load) state.ResumeTiming();
        const int result = ATavrixModel::loadModel_exe(model, bytes.data(), static_cast<int>(bytes.size()));
        if (phase == Phase::Load) state.PauseTiming();
        peakBytes = pages.peakBytes - before;
        if (result == ATavrixModel::LOAD_OK) {
            if (phase == Phase::FirstUpdate) state.ResumeTiming();
            model->update();
            if (phase == Phase::FirstUpdate) state.PauseTiming();
        }
        if (phase == Phase::Release) state.ResumeTiming();
        delete model;
        if (phase == Phase::Release) state.PauseTiming();
        Tavrix::dispose();
        state.ResumeTiming();
        if (result != ATavrixModel::LOAD_OK) {
            state.SkipWithError("the generated model did not load");
            break;
        }
    }

    using benchmark::Counter;
    state.counters["elements"] = n;
    state.counters["time_per_element"] = Counter(n, Counter::kIsIterationInvariantRate | Counter::kInvert);
    if (phase == Phase::Load) state.counters["peak_bytes_per_element"] = static_cast<double>(peakBytes) / n;
}

void registerAll()
{
    const std::pair<Phase, const char*> phases[] = {
        {Phase::Load, "Load"}, {Phase::FirstUpdate, "FirstUpdate"}, {Phase::Release, "Release"}};
    for (const auto& phase : phases) {
        for (const growth::AxisInfo& info : growth::axes()) {
            for (int multiplier : {1, 10, 100}) {
                const int n = info.baseSize * multiplier;
                const std::string name = std::string(phase.second) + "/" + info.name + "/" + std::to_string(n);
                benchmark::internal::Benchmark* bench = benchmark::RegisterBenchmark(
                    name.c_str(), [=](benchmark::State& state) { runPhase(state, info.axis, n, phase.first); });
                bench->Unit(benchmark::kMillisecond);
                // Untimed loads run around the update and the release, so those
                // get a fixed number of rounds rather than a minimum time.
                if (phase.first == Phase::Load) bench->MinTime(0.2);
                else bench->Iterations(multiplier == 1 ? 200 : multiplier == 10 ? 20 : 3);
            }
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    // Keep freed memory in the process: otherwise every round of a large
    // model maps and clears fresh pages from the system while small models
    // reuse the heap, and the figures would compare the kernel's page
    // clearing rather than the runtime's work.
    mallopt(M_MMAP_THRESHOLD, 1 << 30);
    mallopt(M_TRIM_THRESHOLD, -1);
    registerAll();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
