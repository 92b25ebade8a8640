#include "ObsSession.h"

#include <X11/Xlib.h>
#include <graphics/graphics.h>
#include <graphics/vec4.h>
#include <lodepng.h>
#include <obs-nix-platform.h>
#include <util/base.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <thread>

namespace tavrix_test {

namespace {

std::mutex logLock;
std::vector<std::string> logged;

} // namespace

void ObsSession::onLog(int level, const char* format, va_list args, void*)
{
    char line[4096];
    vsnprintf(line, sizeof line, format, args);
    std::lock_guard<std::mutex> guard(logLock);
    logged.push_back(line);
    if (level <= LOG_WARNING || std::getenv("TAVRIX_OBS_LOG")) std::fprintf(stderr, "obs: %s\n", line);
}

void ObsSession::onRawFrame(void* param, struct video_data* frame)
{
    ObsSession& session = *static_cast<ObsSession*>(param);
    std::lock_guard<std::mutex> guard(session.frameLock);
    Picture& picture = session.latest;
    picture.width = static_cast<uint32_t>(session.width);
    picture.height = static_cast<uint32_t>(session.height);
    picture.pixels.resize(static_cast<size_t>(picture.width) * picture.height * 4);
    for (uint32_t y = 0; y < picture.height; ++y) {
        std::copy_n(frame->data[0] + static_cast<size_t>(y) * frame->linesize[0], picture.width * 4,
                    picture.pixels.data() + static_cast<size_t>(y) * picture.width * 4);
    }
    ++session.frames;
}

ObsSession::ObsSession(int width, int height, int fps, const std::string& modulePath, const std::string& dataPath)
    : width(width), height(height)
{
    base_set_log_handler(&ObsSession::onLog, this);
    Display* x = XOpenDisplay(nullptr);
    if (!x) {
        why = "no X display (run under xvfb-run)";
        return;
    }
    display = x;
    obs_set_nix_platform(OBS_NIX_PLATFORM_X11_EGL);
    obs_set_nix_platform_display(x);
    if (!obs_startup("en-US", nullptr, nullptr)) {
        why = "obs_startup failed";
        return;
    }
    started = true;
    struct obs_audio_info audio = {};
    audio.samples_per_sec = 48000;
    audio.speakers = SPEAKERS_STEREO;
    if (!obs_reset_audio(&audio)) {
        why = "obs_reset_audio failed";
        return;
    }
    struct obs_video_info video = {};
    video.graphics_module = "libobs-opengl";
    video.fps_num = static_cast<uint32_t>(fps);
    video.fps_den = 1;
    video.base_width = video.output_width = static_cast<uint32_t>(width);
    video.base_height = video.output_height = static_cast<uint32_t>(height);
    // BGRA: libobs 29.0.2 hands raw video callbacks empty frames for RGBA
    // output at the base size.
    video.output_format = VIDEO_FORMAT_BGRA;
    video.colorspace = VIDEO_CS_SRGB;
    video.range = VIDEO_RANGE_FULL;
    video.scale_type = OBS_SCALE_BICUBIC;
    video.gpu_conversion = true;
    const int reset = obs_reset_video(&video);
    if (reset != OBS_VIDEO_SUCCESS) {
        why = "obs_reset_video failed: " + std::to_string(reset);
        return;
    }
    // This module alone: OBS's own modules include GUI plug-ins that need
    // the OBS program around them.
    obs_module_t* module = nullptr;
    const int opened = obs_open_module(&module, modulePath.c_str(), dataPath.c_str());
    if (opened != MODULE_SUCCESS || !obs_init_module(module)) {
        why = "cannot load " + modulePath + " (" + std::to_string(opened) + ")";
        return;
    }
    scene = obs_scene_create("tavrix test scene");
    obs_set_output_source(0, obs_scene_get_source(scene));
    obs_add_raw_video_callback(nullptr, &ObsSession::onRawFrame, this);
}

ObsSession::~ObsSession()
{
    if (started) {
        obs_remove_raw_video_callback(&ObsSession::onRawFrame, this);
        obs_set_output_source(0, nullptr);
        for (obs_source_t* source : sources) {
            obs_source_remove(source);
            obs_source_release(source);
        }
        if (scene) obs_scene_release(scene);
        obs_shutdown();
    }
    if (display) XCloseDisplay(static_cast<Display*>(display));
    base_set_log_handler(nullptr, nullptr);
}

obs_source_t* ObsSession::addSource(const char* id, const std::string& name, const std::string& settingsJson, float x,
                                    float y)
{
    obs_data_t* settings = obs_data_create_from_json(settingsJson.c_str());
    obs_source_t* source = obs_source_create(id, name.c_str(), settings, nullptr);
    obs_data_release(settings);
    if (!source) return nullptr;
    obs_sceneitem_t* item = obs_scene_add(scene, source);
    struct vec2 position = {{{x, y}}};
    obs_sceneitem_set_pos(item, &position);
    sources.push_back(source);
    return source;
}

void ObsSession::removeSource(obs_source_t* source)
{
    auto found = std::find(sources.begin(), sources.end(), source);
    if (found == sources.end()) return;
    sources.erase(found);
    obs_source_remove(source);
    obs_source_release(source);
}

Picture ObsSession::nextOutputFrame()
{
    uint64_t before;
    {
        std::lock_guard<std::mutex> guard(frameLock);
        before = frames;
    }
    waitFor(5.0, [&] {
        std::lock_guard<std::mutex> guard(frameLock);
        return frames > before + 1;
    });
    std::lock_guard<std::mutex> guard(frameLock);
    return latest;
}

Picture ObsSession::renderSource(obs_source_t* source)
{
    Picture picture;
    obs_enter_graphics();
    const uint32_t w = obs_source_get_width(source);
    const uint32_t h = obs_source_get_height(source);
    gs_texrender_t* target = gs_texrender_create(GS_RGBA, GS_ZS_NONE);
    if (w > 0 && h > 0 && gs_texrender_begin(target, w, h)) {
        struct vec4 clear;
        vec4_zero(&clear);
        gs_clear(GS_CLEAR_COLOR, &clear, 0.0f, 0);
        gs_ortho(0.0f, static_cast<float>(w), 0.0f, static_cast<float>(h), -100.0f, 100.0f);
        obs_source_video_render(source);
        gs_texrender_end(target);
        gs_stagesurf_t* stage = gs_stagesurface_create(w, h, GS_RGBA);
        gs_stage_texture(stage, gs_texrender_get_texture(target));
        uint8_t* data = nullptr;
        uint32_t linesize = 0;
        if (gs_stagesurface_map(stage, &data, &linesize)) {
            picture.width = w;
            picture.height = h;
            picture.pixels.resize(static_cast<size_t>(w) * h * 4);
            for (uint32_t y = 0; y < h; ++y) {
                std::copy_n(data + static_cast<size_t>(y) * linesize, w * 4,
                            picture.pixels.data() + static_cast<size_t>(y) * w * 4);
            }
            gs_stagesurface_unmap(stage);
        }
        gs_stagesurface_destroy(stage);
    }
    gs_texrender_destroy(target);
    obs_leave_graphics();
    return picture;
}

std::vector<std::string> ObsSession::logLines()
{
    std::lock_guard<std::mutex> guard(logLock);
    return logged;
}

bool ObsSession::waitFor(double seconds, const std::function<bool()>& condition)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

namespace {

int largestDifferenceWhere(const Picture& a, const Picture& b, bool visibleOnly)
{
    if (a.width != b.width || a.height != b.height || a.pixels.size() != b.pixels.size()) return 256;
    int largest = 0;
    for (size_t i = 0; i + 3 < a.pixels.size(); i += 4) {
        if (visibleOnly && a.pixels[i + 3] == 0 && b.pixels[i + 3] == 0) continue;
        for (size_t c = i; c < i + 4; ++c) largest = std::max(largest, std::abs(a.pixels[c] - b.pixels[c]));
    }
    return largest;
}

} // namespace

int largestDifference(const Picture& a, const Picture& b)
{
    return largestDifferenceWhere(a, b, false);
}

int largestVisibleDifference(const Picture& a, const Picture& b)
{
    return largestDifferenceWhere(a, b, true);
}

Picture swapRedBlue(const Picture& picture)
{
    Picture swapped = picture;
    for (size_t i = 0; i + 3 < swapped.pixels.size(); i += 4) std::swap(swapped.pixels[i], swapped.pixels[i + 2]);
    return swapped;
}

Picture premultiplied(const Picture& picture)
{
    Picture result = picture;
    for (size_t i = 0; i + 3 < result.pixels.size(); i += 4) {
        const int alpha = result.pixels[i + 3];
        for (int c = 0; c < 3; ++c) result.pixels[i + c] = static_cast<uint8_t>((result.pixels[i + c] * alpha + 127) / 255);
    }
    return result;
}

Picture overBlack(const Picture& picture)
{
    Picture result = premultiplied(picture);
    for (size_t i = 0; i + 3 < result.pixels.size(); i += 4) result.pixels[i + 3] = 255;
    return result;
}

Picture crop(const Picture& picture, uint32_t x, uint32_t y, uint32_t width, uint32_t height)
{
    Picture part;
    part.width = width;
    part.height = height;
    part.pixels.resize(static_cast<size_t>(width) * height * 4);
    for (uint32_t row = 0; row < height; ++row) {
        std::copy_n(picture.pixels.data() + ((static_cast<size_t>(y) + row) * picture.width + x) * 4, width * 4,
                    part.pixels.data() + static_cast<size_t>(row) * width * 4);
    }
    return part;
}

Picture readPng(const std::string& path)
{
    Picture picture;
    unsigned w = 0;
    unsigned h = 0;
    if (lodepng::decode(picture.pixels, w, h, path) != 0) return Picture();
    picture.width = w;
    picture.height = h;
    return picture;
}

} // namespace tavrix_test
