// The window-system binding of the offscreen OpenGL context. Everything that
// depends on how a context is obtained and made current lives behind these
// few functions, so another binding replaces this file alone.
//
// This binding uses EGL: Mesa's surfaceless platform where it is offered
// (no display server, no GPU needed), else the default display with a small
// pbuffer. The handles are kept opaque here so that callers do not pull in
// the EGL headers.
#pragma once

namespace tavrix_gl {

// The drawable a context renders through, and where it comes from:
// the counterpart of a hidden window. Owned by whoever opened it.
struct EglWindow {
    void* display = nullptr; // EGLDisplay
    void* config = nullptr;  // EGLConfig chosen for the context
    void* surface = nullptr; // EGLSurface: a small pbuffer, or none when surfaceless
};

// An OpenGL context (EGLContext).
typedef void* EglContextHandle;

// What was current on the calling thread before a context of ours was made
// current, to be restored exactly, including "nothing".
struct EglCurrent {
    void* display = nullptr;     // EGLDisplay
    void* drawSurface = nullptr; // EGLSurface
    void* readSurface = nullptr; // EGLSurface
    void* context = nullptr;     // EGLContext
    unsigned int api = 0;        // the bound client API (EGLenum); 0 when unknown
};

// Opens a display and chooses an RGBA configuration with 8 bits per channel
// that can render desktop OpenGL. False when neither can be had.
bool openWindow(EglWindow& window);
// Creates a compatibility-profile desktop OpenGL context for the window and
// the drawable it will be made current with. Nothing is made current.
bool createContext(EglWindow& window, EglContextHandle& context);
// Destroys the context; false when it cannot be destroyed (or there is none).
bool destroyContext(EglWindow& window, EglContextHandle& context);
// Releases the drawable. The display itself stays open: it is shared by
// every user of EGL in the process, the host included.
void closeWindow(EglWindow& window);

EglCurrent currentContext();
bool makeCurrent(const EglWindow& window, EglContextHandle context);
// Makes current exactly what state describes; when it names no context, our
// context is released from the thread (window names its display).
void restoreCurrent(const EglCurrent& state, const EglWindow& window);

// Why the last open or create step failed, for messages; empty when none did.
const char* lastFailure();

} // namespace tavrix_gl
