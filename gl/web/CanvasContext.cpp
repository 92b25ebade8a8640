#include "CanvasContext.h"

#include <GLES2/gl2.h>
#include <emscripten/html5.h>

#include "ReadBack.h"

namespace tavrix_gl {

namespace {

// The canvas the page hands the module as Module.canvas.
const char* const CANVAS = "#canvas";

} // namespace

CanvasContext::~CanvasContext()
{
    if (context) emscripten_webgl_destroy_context(context);
}

bool CanvasContext::open(std::string& why)
{
    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    attributes.alpha = EM_TRUE;
    attributes.depth = EM_FALSE;
    attributes.stencil = EM_FALSE;
    attributes.antialias = EM_FALSE;
    attributes.premultipliedAlpha = EM_TRUE;
    attributes.preserveDrawingBuffer = EM_FALSE;
    attributes.majorVersion = 1;
    attributes.minorVersion = 0;
    context = emscripten_webgl_create_context(CANVAS, &attributes);
    if (context <= 0) {
        context = 0;
        why = "cannot start WebGL: the browser gives no WebGL context for the canvas";
        return false;
    }
    if (!makeCurrent()) {
        why = "cannot start WebGL: the context cannot be made current";
        return false;
    }
    return true;
}

bool CanvasContext::makeCurrent()
{
    return context && emscripten_webgl_make_context_current(context) == EMSCRIPTEN_RESULT_SUCCESS;
}

bool CanvasContext::prepare(int width, int height, std::string& why)
{
    const std::string size = std::to_string(width) + " x " + std::to_string(height);
    GLint largest[2] = {0, 0};
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, largest);
    if (width < 1 || height < 1 || width > largest[0] || height > largest[1]) {
        why = "cannot draw at " + size + ": each side must lie between 1 and WebGL's limit of " +
              std::to_string(largest[0]) + " x " + std::to_string(largest[1]);
        return false;
    }
    int canvasWidth = 0;
    int canvasHeight = 0;
    emscripten_get_canvas_element_size(CANVAS, &canvasWidth, &canvasHeight);
    if (canvasWidth != width || canvasHeight != height) emscripten_set_canvas_element_size(CANVAS, width, height);
    // The browser may give a smaller drawing buffer than asked for (memory).
    int bufferWidth = 0;
    int bufferHeight = 0;
    emscripten_webgl_get_drawing_buffer_size(context, &bufferWidth, &bufferHeight);
    if (bufferWidth != width || bufferHeight != height) {
        why = "cannot draw at " + size + ": the browser gave a drawing buffer of " + std::to_string(bufferWidth) +
              " x " + std::to_string(bufferHeight);
        return false;
    }
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    pictureWidth = width;
    pictureHeight = height;
    glViewport(0, 0, width, height);
    return true;
}

void CanvasContext::clear()
{
    glViewport(0, 0, pictureWidth, pictureHeight);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
}

void CanvasContext::readPixels(std::vector<uint8_t>& rgba)
{
    readRowsTopFirst(pictureWidth, pictureHeight, bottomUp, rgba);
}

} // namespace tavrix_gl
