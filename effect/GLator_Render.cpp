// One frame of one instance: pose and draw the model in the private
// framebuffer, read it back and hand it to the host's output, masked by the
// input layer's alpha.
#include <algorithm>
#include <cstring>
#include <string>

#include "ATavrixModel.h"
#include "GLator.h"
#include "HostRef.h"
#include "ModelParams.h"
#include "PixelTransfer.h"
#include "PluginContextScope.h"
#include "RenderProjection.h"
#include "SequenceDataLock.h"
#include "graphics/DrawParam.h"

namespace {

// What the render obtains from the host, given back on every path.
class RenderResources {
public:
    RenderResources(AEGP_SuiteHandler& suites, PF_ProgPtr effect_ref) : suites(suites), effect_ref(effect_ref)
    {
        std::memset(&scratch, 0, sizeof(scratch));
    }
    ~RenderResources()
    {
        releasePixels();
        if (haveScratch) suites.WorldSuite1()->dispose_world(effect_ref, &scratch);
    }
    PF_Err newScratch(int32_t width, int32_t height)
    {
        PF_Err err = suites.WorldSuite1()->new_world(effect_ref, width, height, PF_NewWorldFlag_CLEAR_PIXELS, &scratch);
        haveScratch = err == PF_Err_NONE;
        return err;
    }
    PF_Err disposeScratch()
    {
        haveScratch = false;
        return suites.WorldSuite1()->dispose_world(effect_ref, &scratch);
    }
    // A locked block of size bytes; null when the host has none.
    uint8_t* newPixels(uint64_t size)
    {
        const PF_HandleSuite2* handles = suites.HandleSuite2();
        pixelHandle = handles->host_new_handle(size);
        if (pixelHandle) pixels = static_cast<uint8_t*>(handles->host_lock_handle(pixelHandle));
        return pixels;
    }
    void releasePixels()
    {
        const PF_HandleSuite2* handles = suites.HandleSuite2();
        if (pixels) handles->host_unlock_handle(pixelHandle);
        if (pixelHandle) handles->host_dispose_handle(pixelHandle);
        pixels = nullptr;
        pixelHandle = nullptr;
    }

    PF_EffectWorld scratch;
    bool haveScratch = false;

private:
    AEGP_SuiteHandler& suites;
    PF_ProgPtr effect_ref;
    PF_Handle pixelHandle = nullptr;
    uint8_t* pixels = nullptr;
};

// The message the host shows with a failed command.
PF_Err fail(PF_InData* in_data, PF_OutData* out_data, const char* message)
{
    in_data->utils->ansi.sprintf(out_data->return_msg, "%s", message);
    return PF_Err_INTERNAL_STRUCT_DAMAGED;
}

// Asks the host to run this instance's user-changed command for the Scale
// index, which applies the model's defaults to the sliders.
PF_Err requestDefaults(AEGP_SuiteHandler& suites, PF_InData* in_data)
{
    PF_Err err = PF_Err_NONE;
    HostRef<AEGP_EffectRefH> effect(suites.EffectSuite2()->AEGP_DisposeEffect);
    effect.acquire(err, [&](AEGP_EffectRefH* h) {
        return suites.PFInterfaceSuite1()->AEGP_GetNewEffectForEffect(0, in_data->effect_ref, h);
    });
    PF_UserChangedParamExtra extra;
    extra.param_index = kScale;
    const A_Time time = {0, 100};
    chain(err, [&] {
        return suites.EffectSuite3()->AEGP_EffectCallGeneric(0, effect.get(), &time, PF_Cmd_USER_CHANGED_PARAM, &extra);
    });
    effect.dispose(err);
    return err;
}

PF_Err poseAndDraw(AEGP_SuiteHandler& suites, PF_InData* in_data, PF_ParamDef* params[], tavrix::ATavrixModel* model)
{
    const int n = sliderParamCount(model);
    for (int i = 0; i < n; ++i) {
        model->setParamFloat(i, static_cast<float>(params[kFirstModelSlider + i]->u.fs_d.value), 1.0f);
    }

    A_FloatPoint point = {0, 0};
    PF_Err err = suites.PointParamSuite1()->PF_GetFloatingPointValueFromPointDef(in_data->effect_ref,
                                                                                 params[kPosition], &point);
    if (err) return err;
    // Back to full-resolution layer pixels.
    const PF_RationalScale& dx = in_data->downsample_x;
    const PF_RationalScale& dy = in_data->downsample_y;
    const float ratioX = dx.num ? static_cast<float>(dx.den) / static_cast<float>(dx.num) : 1.0f;
    const float ratioY = dy.num ? static_cast<float>(dy.den) / static_cast<float>(dy.num) : 1.0f;
    const double px = point.x * ratioX;
    const double py = point.y * ratioY;
    const float scale = static_cast<float>(params[kScale]->u.fs_d.value / 100.0);

    float matrix[16];
    renderProjection(static_cast<float>(in_data->width), static_cast<float>(in_data->height), model->getCanvasWidth(),
                     px, py, scale, matrix);
    model->getDrawParam()->setMatrix(matrix);
    model->update();
    model->draw();
    return PF_Err_NONE;
}

} // namespace

PF_Err Render(PF_InData* in_data, PF_OutData* out_data, PF_ParamDef* params[], PF_LayerDef* output)
{
    PF_Err err = PF_Err_NONE;
    try {
        AEGP_SuiteHandler suites(in_data->pica_basicP);
        const int32_t outW = output->width;
        const int32_t outH = output->height;
        AESDK_OpenGL::AESDK_OpenGL_EffectCommonData& gl = S_GLator_EffectCommonData;
        RenderResources resources(suites, in_data->effect_ref);
        PluginContextScope context;

        // The renderbuffers must hold the layer and the output alike, or the
        // read-back below would miss part of the output.
        const int32_t needW = std::max(in_data->width, outW);
        const int32_t needH = std::max(in_data->height, outH);
        if (needW < 0 || needH < 0 || static_cast<uint32_t>(needW) > AESDK_OpenGL::MAX_RENDER_SIDE ||
            static_cast<uint32_t>(needH) > AESDK_OpenGL::MAX_RENDER_SIDE) {
            return fail(in_data, out_data, AESDK_OpenGL::ReportError(AESDK_OpenGL::AESDK_OpenGL_SizeTooLarge));
        }
        AESDK_OpenGL::AESDK_OpenGL_Err glErr = AESDK_OpenGL::AESDK_OpenGL_ResizeRenderBuffers(
            gl, static_cast<uint16_t>(needW), static_cast<uint16_t>(needH));
        if (glErr != AESDK_OpenGL::AESDK_OpenGL_OK) return fail(in_data, out_data, AESDK_OpenGL::ReportError(glErr));

        chain(err, [&] { return resources.newScratch(outW, outH); });
        glEnable(GL_TEXTURE_2D);

        const uint32_t bufferWidth = gl.renderBufferWidth;
        const uint32_t bufferHeight = gl.renderBufferHeight;
        uint8_t* buffer = resources.newPixels(static_cast<uint64_t>(bufferWidth) * bufferHeight * 4);
        if (!buffer) return PF_Err_OUT_OF_MEMORY;

        glErr = AESDK_OpenGL::AESDK_OpenGL_MakeReadyToRender(gl);
        if (glErr != AESDK_OpenGL::AESDK_OpenGL_OK) return fail(in_data, out_data, AESDK_OpenGL::ReportError(glErr));

        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glViewport(0, 0, outW, outH);
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();

        {
            SequenceDataLock lock(suites, in_data->sequence_data);
            SequenceData* record = lock.record();
            if (record && !record->paramsInitialized && record->model) {
                record->paramsInitialized = true;
                chain(err, [&] { return requestDefaults(suites, in_data); });
            }
            if (record && record->model) keepFirstError(err, poseAndDraw(suites, in_data, params, record->model));
        }

        glFlush();
        const char* status = AESDK_OpenGL::CheckFramebufferStatus();
        if (std::strcmp(status, "OK") != 0) return fail(in_data, out_data, status);
        glFlush();
        glReadBuffer(GL_COLOR_ATTACHMENT0_EXT);
        // Only the rows and columns the output takes are read, into their
        // places in the buffer's full-width rows: the same pixels for less
        // conversion work.
        const GLsizei readWidth = static_cast<GLsizei>(std::min<uint32_t>(bufferWidth, static_cast<uint32_t>(outW)));
        const GLsizei readHeight = static_cast<GLsizei>(std::min<uint32_t>(bufferHeight, static_cast<uint32_t>(outH)));
        glPixelStorei(GL_PACK_ROW_LENGTH, static_cast<GLint>(bufferWidth));
        glReadPixels(0, 0, readWidth, readHeight, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8, buffer);
        glPixelStorei(GL_PACK_ROW_LENGTH, 0);
        if (resources.haveScratch) {
            PF_Pixel8* first = nullptr;
            in_data->utils->get_pixel_data8(&resources.scratch, nullptr, &first);
            if (first) {
                copyFlipped(buffer, bufferWidth, first, resources.scratch.rowbytes, resources.scratch.width,
                            resources.scratch.height);
            }
        }
        resources.releasePixels();
        context.release();

        chain(err, [&] { return suites.FillMatteSuite2()->premultiply(in_data->effect_ref, 0, &resources.scratch); });
        chain(err, [&] {
            const PF_WorldTransformSuite1* transform = suites.WorldTransformSuite1();
            auto copy = in_data->quality == PF_Quality_HI ? transform->copy_hq : transform->copy;
            return copy(in_data->effect_ref, &resources.scratch, output, nullptr, nullptr);
        });
        chain(err, [&] { return resources.disposeScratch(); });
        chain(err, [&] {
            return suites.Iterate8Suite1()->iterate(in_data, 0, outH, &params[kLayerInput]->u.ld, nullptr, nullptr,
                                                    MultAlpha, output);
        });
        chain(err, [&] { return in_data->inter.abort(in_data->effect_ref); });
    } catch (PF_Err thrown) {
        err = thrown;
    } catch (...) {
    }
    return err;
}
