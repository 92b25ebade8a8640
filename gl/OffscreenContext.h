// An OpenGL context of our own with a framebuffer to draw into and read
// back, needing no window: the drawing surface of every command and front
// end. Everything runs on the thread that opened it, with it current.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "EglContext.h"
#include "Framebuffer.h"

namespace tavrix_gl {

class OffscreenContext {
public:
    OffscreenContext() = default;
    // Deletes the framebuffer and the context, and puts back what was
    // current before open.
    ~OffscreenContext();

    // Creates the context and makes it current on the calling thread.
    bool open(std::string& why);
    // Makes it current again (after another context was).
    bool makeCurrent();

    // A framebuffer of width x height bound for drawing, the viewport set to
    // it; false with the reason when OpenGL cannot draw that size.
    bool prepare(int width, int height, std::string& why);
    // Clears the picture to transparent black.
    void clear();
    // Waits until everything drawn is done, and reads the picture back:
    // premultiplied RGBA rows, top first.
    void readPixels(std::vector<uint8_t>& rgba);
    int width() const { return pictureWidth; }
    int height() const { return pictureHeight; }

    OffscreenContext(const OffscreenContext&) = delete;
    OffscreenContext& operator=(const OffscreenContext&) = delete;

private:
    EglWindow window;
    EglContextHandle context = nullptr;
    EglCurrent previous;
    Framebuffer framebuffer;
    int pictureWidth = 0;
    int pictureHeight = 0;
    std::vector<uint8_t> bottomUp; // read-back rows, bottom first
};

} // namespace tavrix_gl
