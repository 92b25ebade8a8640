#pragma once

#include "AEGP_Suites.h"
#include "PF_Suites.h"

// Acquires the host's suites on first use and releases every acquired one
// when it goes out of scope. One lives on the stack of each command handler.
// A suite the host does not offer ends the command through MissingSuiteError.
class AEGP_SuiteHandler {
public:
    explicit AEGP_SuiteHandler(const SPBasicSuite* basic);
    ~AEGP_SuiteHandler();

    const PF_ANSISuite1* ANSICallbacksSuite1() { return get<PF_ANSISuite1>(ANSI_1); }
    const PF_HandleSuite2* HandleSuite2() { return get<PF_HandleSuite2>(HANDLE_2); }
    const PF_WorldSuite1* WorldSuite1() { return get<PF_WorldSuite1>(WORLD_1); }
    const PF_PointParamSuite1* PointParamSuite1() { return get<PF_PointParamSuite1>(POINT_PARAM_1); }
    const PF_FillMatteSuite2* FillMatteSuite2() { return get<PF_FillMatteSuite2>(FILL_MATTE_2); }
    const PF_WorldTransformSuite1* WorldTransformSuite1() { return get<PF_WorldTransformSuite1>(WORLD_TRANSFORM_1); }
    const PF_Iterate8Suite1* Iterate8Suite1() { return get<PF_Iterate8Suite1>(ITERATE8_1); }
    const AEGP_UtilitySuite11* UtilitySuite11() { return get<AEGP_UtilitySuite11>(UTILITY_11); }
    const AEGP_PFInterfaceSuite1* PFInterfaceSuite1() { return get<AEGP_PFInterfaceSuite1>(PF_INTERFACE_1); }
    const AEGP_MemorySuite1* MemorySuite1() { return get<AEGP_MemorySuite1>(MEMORY_1); }
    const AEGP_StreamSuite7* StreamSuite7() { return get<AEGP_StreamSuite7>(STREAM_7); }
    const AEGP_DynamicStreamSuite5* DynamicStreamSuite5() { return get<AEGP_DynamicStreamSuite5>(DYNAMIC_STREAM_5); }
    const AEGP_DynamicStreamSuite2* DynamicStreamSuite2() { return get<AEGP_DynamicStreamSuite2>(DYNAMIC_STREAM_2); }
    const AEGP_EffectSuite2* EffectSuite2() { return get<AEGP_EffectSuite2>(EFFECT_2); }
    const AEGP_EffectSuite3* EffectSuite3() { return get<AEGP_EffectSuite3>(EFFECT_3); }

    AEGP_SuiteHandler(const AEGP_SuiteHandler&) = delete;
    AEGP_SuiteHandler& operator=(const AEGP_SuiteHandler&) = delete;

private:
    enum SuiteKind {
        ANSI_1,
        HANDLE_2,
        WORLD_1,
        POINT_PARAM_1,
        FILL_MATTE_2,
        WORLD_TRANSFORM_1,
        ITERATE8_1,
        UTILITY_11,
        PF_INTERFACE_1,
        MEMORY_1,
        STREAM_7,
        DYNAMIC_STREAM_5,
        DYNAMIC_STREAM_2,
        EFFECT_2,
        EFFECT_3,
        SUITE_KIND_COUNT
    };

    template <class Suite>
    const Suite* get(SuiteKind kind)
    {
        if (!suites[kind]) suites[kind] = LoadSuite(kind);
        return static_cast<const Suite*>(suites[kind]);
    }
    const void* LoadSuite(SuiteKind kind);
    void ReleaseAllSuites();

    const SPBasicSuite* basic;
    const void* suites[SUITE_KIND_COUNT];
};
