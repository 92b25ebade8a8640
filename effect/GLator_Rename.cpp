// Slider names and visibility that follow the loaded model.
#include <cstring>

#include "ATavrixModel.h"
#include "GLator.h"
#include "HostRef.h"
#include "ModelParams.h"
#include "SequenceDataLock.h"
#include "StreamName.h"
#include "UndoGroup.h"

namespace {

// Identifiers commonly start with this; the slider shows the rest.
const char PARAM_PREFIX[] = "PARAM_";

std::string sliderName(const char* identifier)
{
    const size_t prefixLength = sizeof(PARAM_PREFIX) - 1;
    if (std::strncmp(identifier, PARAM_PREFIX, prefixLength) == 0) identifier += prefixLength;
    return identifier;
}

PF_Err setStreamName(AEGP_SuiteHandler& suites, AEGP_StreamRefH stream, const std::string& utf8, size_t maxUnits)
{
    std::vector<A_UTF16Char> name = toStreamName(utf8, maxUnits);
    return suites.DynamicStreamSuite5()->AEGP_SetStreamName(stream, name.data());
}

} // namespace

PF_Err renameParams(PF_InData* in_data, PF_OutData*, PF_ParamDef*[])
{
    PF_Err err = PF_Err_NONE;
    try {
        AEGP_SuiteHandler suites(in_data->pica_basicP);
        UndoGroup undo(suites, err);
        SequenceDataLock lock(suites, in_data->sequence_data);
        SequenceData* record = lock.record();

        HostRef<AEGP_EffectRefH> effect(suites.EffectSuite2()->AEGP_DisposeEffect);
        effect.acquire(err, [&](AEGP_EffectRefH* h) {
            return suites.PFInterfaceSuite1()->AEGP_GetNewEffectForEffect(0, in_data->effect_ref, h);
        });

        if (record && record->loadInfoJson) {
            HostRef<AEGP_StreamRefH> button(suites.StreamSuite7()->AEGP_DisposeStream);
            button.acquire(err, [&](AEGP_StreamRefH* h) {
                return suites.StreamSuite7()->AEGP_GetNewEffectStreamByIndex(0, effect.get(), kLoadButton, h);
            });
            // The button carries the whole load result, whatever its length.
            chain(err, [&] { return setStreamName(suites, button.get(), *record->loadInfoJson, SIZE_MAX); });
            button.dispose(err);
        }

        if (record && record->model) {
            const int n = sliderParamCount(record->model);
            for (int i = 0; i < kModelSliderCount && err == PF_Err_NONE; ++i) {
                HostRef<AEGP_StreamRefH> slider(suites.StreamSuite7()->AEGP_DisposeStream);
                slider.acquire(err, [&](AEGP_StreamRefH* h) {
                    return suites.StreamSuite7()->AEGP_GetNewEffectStreamByIndex(0, effect.get(), kFirstModelSlider + i, h);
                });
                tavrix::ParamDefinition definition{};
                if (i < n && record->model->getParamDef(i, definition)) {
                    std::string name = sliderName(definition.id);
                    chain(err, [&] { return setStreamName(suites, slider.get(), name, kStreamNameMaxUnits); });
                } else {
                    // Never cleared here: a slider hidden once stays hidden.
                    chain(err, [&] {
                        return suites.DynamicStreamSuite2()->AEGP_SetDynamicStreamFlag(slider.get(), AEGP_DynStreamFlag_HIDDEN,
                                                                                        false, true);
                    });
                }
                slider.dispose(err);
            }
        }

        effect.dispose(err);
        lock.unlock();
        undo.end(err);
    } catch (PF_Err thrown) {
        err = thrown;
    }
    return err;
}
