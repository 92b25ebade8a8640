#include "OffscreenContext.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include "ReadBack.h"

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
    glReadBuffer(GL_COLOR_ATTACHMENT0_EXT);
    readRowsTopFirst(pictureWidth, pictureHeight, bottomUp, rgba);
}

} // namespace tavrix_gl
