// A model drawn offscreen through the effect's private OpenGL context and
// read back as a straight-alpha image: the drawing path of the tool's
// commands (a still image, a played animation) and of its benchmark.
#pragma once

#include <string>
#include <vector>

#include "GL_base.h"
#include "ImageFile.h"

namespace tavrix {
class TavrixModelOpenGL;
}

namespace tavrix_tool {

class OffscreenDrawing {
public:
    OffscreenDrawing() = default;
    // Releases the model, its textures, the runtime and the context.
    ~OffscreenDrawing();

    // Starts the private context, makes it current and starts the runtime.
    bool start(std::string& why);

    // Loads paths[0] as the model and the rest as its textures 0, 1, ...,
    // projected for a target of width x height. A texture that cannot be
    // decoded adds a warning naming it; the model still draws. False when
    // the model cannot be loaded: loadResult then holds the runtime's code.
    bool load(const std::vector<std::string>& paths, int width, int height, std::vector<std::string>& warnings,
              int& loadResult);
    tavrix::TavrixModelOpenGL* getModel() const { return model; }

    // Gives the framebuffer room for width x height and projects the model
    // onto it; false (with the reason) when OpenGL cannot draw that size.
    bool setSize(int width, int height, std::string& why);

    // One frame: evaluate, then clear and draw, then read back.
    void update();
    // Clears to transparent and draws the model, waiting until it is drawn.
    void draw();
    // Clears to transparent only (an empty frame), waiting until it is done.
    void clear();
    // The drawn pixels, un-premultiplied, rows top to bottom.
    void readBack(RgbaImage& image);

    OffscreenDrawing(const OffscreenDrawing&) = delete;
    OffscreenDrawing& operator=(const OffscreenDrawing&) = delete;

private:
    void clearFramebuffer();

    AESDK_OpenGL::AESDK_OpenGL_EffectCommonData gl;
    bool contextStarted = false;
    bool resourcesMade = false;
    bool runtimeStarted = false;
    tavrix::TavrixModelOpenGL* model = nullptr;
    std::vector<unsigned int> textures;
    int width = 0;
    int height = 0;
    std::vector<uint8_t> bottomUp; // read-back rows, bottom first
};

} // namespace tavrix_tool
