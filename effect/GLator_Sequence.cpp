// Per-instance records: set-up, set-down, flattening into the project and
// rebuilding (with the model reloaded) from it.
#include <GL/gl.h>

#include <cstring>

#include "ATavrixModel.h"
#include "FlatSequenceData.h"
#include "GLator.h"
#include "GLator_Sequence.h"
#include "LoadInfo.h"
#include "PluginContextScope.h"
#include "SequenceDataLock.h"
#include "TavrixModelOpenGL.h"
#include "Win/TavrixUtil.h"

namespace {

// Frees the record behind in_data->sequence_data and disposes of its handle.
void setdownRecord(AEGP_SuiteHandler& suites, PF_InData* in_data, PF_OutData* out_data)
{
    if (!in_data->sequence_data) return;
    freeSequenceDataContents(in_data);
    suites.HandleSuite2()->host_dispose_handle(in_data->sequence_data);
    out_data->sequence_data = nullptr;
}

// A new handle holding an empty record with loadInfoJson = text, stored in
// out_data->sequence_data. A record that could not be made leaves the
// instance without sequence data and reports PF_Err_OUT_OF_MEMORY.
PF_Err installRecord(AEGP_SuiteHandler& suites, PF_OutData* out_data, const std::string& text,
                     PF_InData* reloadFor)
{
    const PF_HandleSuite2* handles = suites.HandleSuite2();
    PF_Handle handle = handles->host_new_handle(sizeof(SequenceData));
    if (!handle) return PF_Err_OUT_OF_MEMORY;
    auto* record = static_cast<SequenceData*>(handles->host_lock_handle(handle));
    if (!record) {
        handles->host_dispose_handle(handle);
        return PF_Err_OUT_OF_MEMORY;
    }
    *record = SequenceData{nullptr, nullptr, false, nullptr};
    // The handle is the host's from here on, so the record is complete
    // (with empty members) even if an allocation below throws.
    out_data->sequence_data = handle;
    record->loadInfoJson = new std::string(text);
    record->textureIds = new std::vector<uint32_t>();

    std::vector<std::string> paths;
    if (reloadFor && !text.empty() && modelPathsFromLoadInfo(text, paths) && !paths.empty()) {
        record->model = tavrixutil::loadModel(paths, static_cast<float>(reloadFor->width),
                                              static_cast<float>(reloadFor->height), *record->textureIds);
    }
    handles->host_unlock_handle(handle);
    return PF_Err_NONE;
}

} // namespace

void freeTavrixModel(tavrix::ATavrixModel** model_slot, std::vector<uint32_t>* texture_ids)
{
    if (!*model_slot) return;
    if (texture_ids && !texture_ids->empty()) {
        glDeleteTextures(static_cast<GLsizei>(texture_ids->size()), texture_ids->data());
    }
    delete *model_slot;
    *model_slot = nullptr;
    if (texture_ids) texture_ids->clear();
}

void freeSequenceDataContents(PF_InData* in_data)
{
    if (!in_data->sequence_data) return;
    AEGP_SuiteHandler suites(in_data->pica_basicP);
    SequenceDataLock lock(suites, in_data->sequence_data);
    SequenceData* record = lock.record();
    if (!record) return;
    delete record->loadInfoJson;
    record->loadInfoJson = nullptr;
    freeTavrixModel(&record->model, record->textureIds);
    delete record->textureIds;
    record->textureIds = nullptr;
}

namespace {

// Runs a sequence command's body with the private context current and a
// suite handler at hand; a thrown PF_Err becomes the result, any other
// exception leaves it as it stood.
template <class Body>
PF_Err inPluginContext(PF_InData* in_data, Body&& body)
{
    PF_Err err = PF_Err_NONE;
    PluginContextScope context;
    try {
        AEGP_SuiteHandler suites(in_data->pica_basicP);
        err = body(suites);
    } catch (PF_Err thrown) {
        err = thrown;
    } catch (...) {
    }
    return err;
}

} // namespace

PF_Err SequenceSetup(PF_InData* in_data, PF_OutData* out_data)
{
    return inPluginContext(in_data, [&](AEGP_SuiteHandler& suites) {
        // Set-down's body, not its command: one context scope, so the host's
        // context is what comes back at the end.
        setdownRecord(suites, in_data, out_data);
        return installRecord(suites, out_data, std::string(), nullptr);
    });
}

PF_Err SequenceSetdown(PF_InData* in_data, PF_OutData* out_data)
{
    return inPluginContext(in_data, [&](AEGP_SuiteHandler& suites) {
        setdownRecord(suites, in_data, out_data);
        return PF_Err(PF_Err_NONE);
    });
}

PF_Err SequenceFlatten(PF_InData* in_data, PF_OutData* out_data)
{
    return inPluginContext(in_data, [&](AEGP_SuiteHandler& suites) {
        std::string text;
        {
            SequenceDataLock lock(suites, in_data->sequence_data);
            if (lock.record() && lock.record()->loadInfoJson) text = *lock.record()->loadInfoJson;
        }
        setdownRecord(suites, in_data, out_data);

        const PF_HandleSuite2* handles = suites.HandleSuite2();
        const size_t size = FlatSequenceData::blockSize(text.size());
        PF_Handle flat = size ? handles->host_new_handle(size) : nullptr;
        void* block = flat ? handles->host_lock_handle(flat) : nullptr;
        if (!block) {
            if (flat) handles->host_dispose_handle(flat);
            return PF_Err(PF_Err_OUT_OF_MEMORY);
        }
        FlatSequenceData::write(block, text);
        handles->host_unlock_handle(flat);
        out_data->sequence_data = flat;
        return PF_Err(PF_Err_NONE);
    });
}

PF_Err SequenceResetup(PF_InData* in_data, PF_OutData* out_data)
{
    PF_Err err = inPluginContext(in_data, [&](AEGP_SuiteHandler& suites) {
        const PF_HandleSuite2* handles = suites.HandleSuite2();
        std::string text;
        if (in_data->sequence_data) {
            const void* block = handles->host_lock_handle(in_data->sequence_data);
            if (block) {
                text = FlatSequenceData::readText(block, handles->host_get_handle_size(in_data->sequence_data));
                handles->host_unlock_handle(in_data->sequence_data);
            }
            handles->host_dispose_handle(in_data->sequence_data);
            out_data->sequence_data = nullptr;
        }
        return installRecord(suites, out_data, text, in_data);
    });
    out_data->out_flags |= PF_OutFlag_FORCE_RERENDER | PF_OutFlag_REFRESH_UI;
    return err;
}
