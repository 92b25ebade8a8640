// The drawing context a stage draws with, chosen when building: natively an
// offscreen context of our own (EGL, a framebuffer object, read-back); in
// the web build the WebGL context of the page's canvas. Both offer open,
// makeCurrent, prepare, clear, readPixels, width and height.
#pragma once

#ifdef __EMSCRIPTEN__
#include "web/CanvasContext.h"
namespace tavrix_gl {
using DrawingContext = CanvasContext;
}
#else
#include "OffscreenContext.h"
namespace tavrix_gl {
using DrawingContext = OffscreenContext;
}
#endif
