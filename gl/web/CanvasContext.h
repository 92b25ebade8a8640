// The web build's drawing context: a WebGL 1 context on the canvas the page
// handed to the module (Module.canvas), drawn into directly, so what is
// drawn is what the page shows. WebGL 1 offers no 8-bit renderbuffer for an
// offscreen framebuffer, and the canvas's own one is what the page
// composites anyway (premultiplied, as the puppet is drawn).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tavrix_gl {

class CanvasContext {
public:
    CanvasContext() = default;
    // Destroys the WebGL context.
    ~CanvasContext();

    // Creates the context (no antialiasing, no depth or stencil buffer,
    // premultiplied alpha) and makes it current. The drawing buffer is not
    // preserved after the page has shown it: readPixels reads within the
    // task that drew.
    bool open(std::string& why);
    bool makeCurrent();

    // The canvas's drawing buffer at width x height, bound, the viewport
    // set to it; false with the reason for a size WebGL cannot have.
    bool prepare(int width, int height, std::string& why);
    // Clears the picture to transparent black.
    void clear();
    // Reads the picture back: premultiplied RGBA rows, top first.
    void readPixels(std::vector<uint8_t>& rgba);
    int width() const { return pictureWidth; }
    int height() const { return pictureHeight; }

    CanvasContext(const CanvasContext&) = delete;
    CanvasContext& operator=(const CanvasContext&) = delete;

private:
    int context = 0; // EMSCRIPTEN_WEBGL_CONTEXT_HANDLE, 0 for none
    int pictureWidth = 0;
    int pictureHeight = 0;
    std::vector<uint8_t> bottomUp; // read-back rows, bottom first
};

} // namespace tavrix_gl
