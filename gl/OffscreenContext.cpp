#include "OffscreenContext.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <cstring>

namespace tavrix_gl {

OffscreenContext::~OffscreenContext()
{
    if (!context) return;
    makeCurrent();
    framebuffer.release();
    restoreCurrent(previous, window);
    destroyContext(window, context);
    closeWindow(window);
}

bool OffscreenContext::open(std::string& why)
{
    if (!openWindow(window) || !createContext(window, context)) {
        why = std::string("cannot start OpenGL: ") + lastFailure();
        return false;
    }
    previous = currentContext();
    if (!makeCurrent()) {
        why = "cannot start OpenGL: the context cannot be made current";
        return false;
    }
    return true;
}

bool OffscreenContext::makeCurrent()
{
    return tavrix_gl::makeCurrent(window, context);
}

bool OffscreenContext::prepare(int width, int height, std::string& why)
{
    if (!framebuffer.prepare(width, height, why)) return false;
    pictureWidth = width;
    pictureHeight = height;
    glViewport(0, 0, width, height);
    return true;
}

void OffscreenContext::clear()
{
    glViewport(0, 0, pictureWidth, pictureHeight);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void OffscreenContext::readPixels(std::vector<uint8_t>& rgba)
{
    glFinish();
    const size_t row = static_cast<size_t>(pictureWidth) * 4;
    bottomUp.resize(row * pictureHeight);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_COLOR_ATTACHMENT0_EXT);
    glReadPixels(0, 0, pictureWidth, pictureHeight, GL_RGBA, GL_UNSIGNED_BYTE, bottomUp.data());
    rgba.resize(bottomUp.size());
    for (int y = 0; y < pictureHeight; ++y) {
        std::memcpy(&rgba[y * row], &bottomUp[(pictureHeight - 1 - y) * row], row);
    }
}

} // namespace tavrix_gl
