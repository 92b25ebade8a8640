#include "EglContext.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace tavrix_gl {

namespace {

// The pbuffer stands in for the hidden window; nothing is drawn into it.
const EGLint PBUFFER_SIZE = 50;

std::string failure;

void fail(const char* step)
{
    char text[160];
    std::snprintf(text, sizeof text, "%s (EGL error 0x%04X)", step, static_cast<unsigned>(eglGetError()));
    failure = text;
}

bool hasExtension(const char* list, const char* name)
{
    if (!list) return false;
    const size_t length = std::strlen(name);
    for (const char* p = list; (p = std::strstr(p, name)) != nullptr; p += length) {
        const bool starts = p == list || p[-1] == ' ';
        const bool ends = p[length] == '\0' || p[length] == ' ';
        if (starts && ends) return true;
    }
    return false;
}

bool initialize(EGLDisplay display)
{
    EGLint major = 0;
    EGLint minor = 0;
    return display != EGL_NO_DISPLAY && eglInitialize(display, &major, &minor) == EGL_TRUE;
}

// Mesa's surfaceless platform needs neither a display server nor a GPU.
EGLDisplay openSurfacelessDisplay()
{
    if (!hasExtension(eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS), "EGL_MESA_platform_surfaceless")) {
        return EGL_NO_DISPLAY;
    }
    EGLDisplay display = eglGetPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    return initialize(display) ? display : EGL_NO_DISPLAY;
}

// Among the configurations that can render desktop OpenGL into a pbuffer,
// the one with exactly 8 bits per channel (the chooser also offers deeper ones).
EGLConfig chooseRgba8Config(EGLDisplay display)
{
    const EGLint attributes[] = {EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8, EGL_ALPHA_SIZE, 8,
                                 EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_NONE};
    EGLint count = 0;
    if (!eglChooseConfig(display, attributes, nullptr, 0, &count) || count <= 0) return nullptr;
    std::vector<EGLConfig> configs(static_cast<size_t>(count));
    if (!eglChooseConfig(display, attributes, configs.data(), count, &count)) return nullptr;
    for (EGLint i = 0; i < count; ++i) {
        EGLint red = 0, green = 0, blue = 0, alpha = 0;
        eglGetConfigAttrib(display, configs[i], EGL_RED_SIZE, &red);
        eglGetConfigAttrib(display, configs[i], EGL_GREEN_SIZE, &green);
        eglGetConfigAttrib(display, configs[i], EGL_BLUE_SIZE, &blue);
        eglGetConfigAttrib(display, configs[i], EGL_ALPHA_SIZE, &alpha);
        if (red == 8 && green == 8 && blue == 8 && alpha == 8) return configs[i];
    }
    return nullptr;
}

} // namespace

bool openWindow(EglWindow& window)
{
    failure.clear();
    EGLDisplay display = openSurfacelessDisplay();
    if (display == EGL_NO_DISPLAY) {
        display = eglGetDisplay(EGL_DEFAULT_DISPLAY);
        if (!initialize(display)) {
            fail("no EGL display could be initialised (surfaceless platform and default display)");
            return false;
        }
    }
    window.display = display;
    EGLConfig config = chooseRgba8Config(display);
    if (!config) {
        fail("the EGL display offers no 8-bit RGBA configuration for desktop OpenGL");
        return false;
    }
    window.config = config;
    return true;
}

bool createContext(EglWindow& window, EglContextHandle& context)
{
    failure.clear();
    EGLDisplay display = window.display;
    if (!display || !window.config) {
        failure = "no EGL display is open";
        return false;
    }
    // Binding the API is per thread; put back whatever the caller had bound.
    const EGLenum previousApi = eglQueryAPI();
    if (!eglBindAPI(EGL_OPENGL_API)) {
        fail("the EGL display cannot run desktop OpenGL");
        return false;
    }
    // The drawing uses fixed-function matrix and clear calls, so a
    // compatibility profile; without the profile attribute (an EGL older
    // than 1.5) the default context is a compatibility one anyway.
    const EGLint compatibility[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT,
                                    EGL_NONE};
    EGLContext created = eglCreateContext(display, window.config, EGL_NO_CONTEXT, compatibility);
    if (created == EGL_NO_CONTEXT) created = eglCreateContext(display, window.config, EGL_NO_CONTEXT, nullptr);
    if (created == EGL_NO_CONTEXT) fail("no desktop OpenGL context could be created");
    eglBindAPI(previousApi);
    if (created == EGL_NO_CONTEXT) return false;

    if (!hasExtension(eglQueryString(display, EGL_EXTENSIONS), "EGL_KHR_surfaceless_context")) {
        const EGLint size[] = {EGL_WIDTH, PBUFFER_SIZE, EGL_HEIGHT, PBUFFER_SIZE, EGL_NONE};
        EGLSurface surface = eglCreatePbufferSurface(display, window.config, size);
        if (surface == EGL_NO_SURFACE) {
            fail("no pbuffer could be created for the OpenGL context");
            eglDestroyContext(display, created);
            return false;
        }
        window.surface = surface;
    }
    context = created;
    return true;
}

bool destroyContext(EglWindow& window, EglContextHandle& context)
{
    if (!window.display || !context) return false;
    if (!eglDestroyContext(window.display, context)) return false;
    context = nullptr;
    return true;
}

void closeWindow(EglWindow& window)
{
    if (window.display && window.surface) eglDestroySurface(window.display, window.surface);
    window.surface = nullptr;
    window.config = nullptr;
    // No eglTerminate: the display handle is process-wide, and terminating it
    // would take the host's contexts on the same display with it.
    window.display = nullptr;
}

EglCurrent currentContext()
{
    EglCurrent state;
    state.api = eglQueryAPI();
    state.display = eglGetCurrentDisplay();
    state.drawSurface = eglGetCurrentSurface(EGL_DRAW);
    state.readSurface = eglGetCurrentSurface(EGL_READ);
    state.context = eglGetCurrentContext();
    return state;
}

bool makeCurrent(const EglWindow& window, EglContextHandle context)
{
    if (!window.display || !context) return false;
    eglBindAPI(EGL_OPENGL_API);
    return eglMakeCurrent(window.display, window.surface, window.surface, context) == EGL_TRUE;
}

void restoreCurrent(const EglCurrent& state, const EglWindow& window)
{
    if (state.context != EGL_NO_CONTEXT && state.display != EGL_NO_DISPLAY) {
        if (state.api) eglBindAPI(state.api);
        eglMakeCurrent(state.display, state.drawSurface, state.readSurface, state.context);
        return;
    }
    // Nothing was current before: release our context.
    if (window.display) {
        eglBindAPI(EGL_OPENGL_API);
        eglMakeCurrent(window.display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    }
    if (state.api) eglBindAPI(state.api);
}

const char* lastFailure()
{
    return failure.c_str();
}

} // namespace tavrix_gl
