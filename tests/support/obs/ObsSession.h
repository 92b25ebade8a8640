// A real libobs in a test process: started on the X display of xvfb-run with
// OpenGL, BGRA output and this project's module alone, a scene as the output,
// and pictures read back from the output and from a source.
#pragma once

#include <obs.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace tavrix_test {

// A picture read back: 4 bytes a pixel, top row first.
struct Picture {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> pixels;
    bool empty() const { return width == 0 || height == 0; }
};

class ObsSession {
public:
    // Starts libobs with a base and output canvas of width x height at fps,
    // and loads the module at modulePath with its data folder.
    ObsSession(int width, int height, int fps, const std::string& modulePath, const std::string& dataPath);
    ~ObsSession();
    // Why the start failed; empty when it did not.
    const std::string& failure() const { return why; }

    // A source of this id in the scene at (x, y); settings as JSON text.
    obs_source_t* addSource(const char* id, const std::string& name, const std::string& settingsJson, float x = 0,
                            float y = 0);
    void removeSource(obs_source_t* source);

    // The latest frame of the output (BGRA), once one came after the call.
    Picture nextOutputFrame();
    // The source drawn alone into a transparent texture, without blending
    // (RGBA, as the source draws it).
    Picture renderSource(obs_source_t* source);

    // The log's lines so far.
    std::vector<std::string> logLines();
    // Waits up to seconds for condition; false when it never held.
    static bool waitFor(double seconds, const std::function<bool()>& condition);

    ObsSession(const ObsSession&) = delete;
    ObsSession& operator=(const ObsSession&) = delete;

private:
    static void onLog(int level, const char* format, va_list args, void* param);
    static void onRawFrame(void* param, struct video_data* frame);

    std::string why;
    void* display = nullptr;
    bool started = false;
    obs_scene_t* scene = nullptr;
    std::vector<obs_source_t*> sources;
    int width;
    int height;

    std::mutex frameLock;
    Picture latest;
    uint64_t frames = 0;
};

// The largest difference of one channel between two pictures of one size;
// 256 when their sizes differ.
int largestDifference(const Picture& a, const Picture& b);
// The same where either picture is not fully transparent.
int largestVisibleDifference(const Picture& a, const Picture& b);
// Swaps the red and blue channels (BGRA to RGBA and back).
Picture swapRedBlue(const Picture& picture);
// Straight-alpha RGBA to premultiplied, rounded as a GPU blend does.
Picture premultiplied(const Picture& picture);
// Straight-alpha RGBA laid over opaque black.
Picture overBlack(const Picture& picture);
// A picture's rectangle.
Picture crop(const Picture& picture, uint32_t x, uint32_t y, uint32_t width, uint32_t height);
// Reads a PNG file as straight RGBA.
Picture readPng(const std::string& path);

} // namespace tavrix_test
