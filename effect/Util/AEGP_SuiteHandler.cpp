#include "Util/AEGP_SuiteHandler.h"

#include "Util/MissingSuiteError.h"

namespace {

struct SuiteName {
    const char* name;
    int32_t version;
};

// In the order of AEGP_SuiteHandler::SuiteKind.
const SuiteName SUITE_NAMES[] = {
    {kPFANSISuite, kPFANSISuiteVersion1},
    {kPFHandleSuite, kPFHandleSuiteVersion2},
    {kPFWorldSuite, kPFWorldSuiteVersion1},
    {kPFPointParamSuite, kPFPointParamSuiteVersion1},
    {kPFFillMatteSuite, kPFFillMatteSuiteVersion2},
    {kPFWorldTransformSuite, kPFWorldTransformSuiteVersion1},
    {kPFIterate8Suite, kPFIterate8SuiteVersion1},
    {kAEGPUtilitySuite, kAEGPUtilitySuiteVersion11},
    {kAEGPPFInterfaceSuite, kAEGPPFInterfaceSuiteVersion1},
    {kAEGPMemorySuite, kAEGPMemorySuiteVersion1},
    {kAEGPStreamSuite, kAEGPStreamSuiteVersion7},
    {kAEGPDynamicStreamSuite, kAEGPDynamicStreamSuiteVersion5},
    {kAEGPDynamicStreamSuite, kAEGPDynamicStreamSuiteVersion2},
    {kAEGPEffectSuite, kAEGPEffectSuiteVersion2},
    {kAEGPEffectSuite, kAEGPEffectSuiteVersion3},
};

} // namespace

AEGP_SuiteHandler::AEGP_SuiteHandler(const SPBasicSuite* basic) : basic(basic), suites()
{
    static_assert(sizeof(SUITE_NAMES) / sizeof(SUITE_NAMES[0]) == SUITE_KIND_COUNT, "one name per suite kind");
    if (!basic) MissingSuiteError();
}

AEGP_SuiteHandler::~AEGP_SuiteHandler()
{
    ReleaseAllSuites();
}

const void* AEGP_SuiteHandler::LoadSuite(SuiteKind kind)
{
    const void* suite = nullptr;
    SPErr err = basic->AcquireSuite(SUITE_NAMES[kind].name, SUITE_NAMES[kind].version, &suite);
    if (err != kSPNoError || !suite) MissingSuiteError();
    return suite;
}

void AEGP_SuiteHandler::ReleaseAllSuites()
{
    for (int kind = 0; kind < SUITE_KIND_COUNT; ++kind) {
        if (!suites[kind]) continue;
        basic->ReleaseSuite(SUITE_NAMES[kind].name, SUITE_NAMES[kind].version);
        suites[kind] = nullptr;
    }
}
