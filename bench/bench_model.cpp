// Model loading and evaluation speed: structure set-up of long deformer
// chains, loading the demo puppet, and per-frame updates.
#include <benchmark/benchmark.h>

#include <vector>

#include "ATavrixModel.h"
#include "DemoModel.h"
#include "ModelContext.h"
#include "Tavrix.h"
#include "base/BDAffine.h"
#include "id/BaseDataID.h"
#include "mocwriter/MocFile.h"
#include "model/ModelImpl.h"
#include "model/PartsData.h"
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
    ModelImpl* impl = model.getModelImpl();
    PartsData* part = new PartsData();
    part->initDirect(impl->getMemoryParam());
    impl->getPartsDataList()->push_back(part);
    for (int i = n - 1; i >= 0; --i) {
        BDAffine* deformer = new BDAffine();
        deformer->initDirect(impl->getMemoryParam());
        deformer->setBaseDataID(BaseDataID::getID(UtString::toString("C%d", i)));
        deformer->setTargetBaseDataID(i == 0 ? BaseDataID::DST_BASE_ID()
                                             : BaseDataID::getID(UtString::toString("C%d", i - 1)));
        part->addBaseData(deformer);
    }
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

} // namespace

BENCHMARK_MAIN();
