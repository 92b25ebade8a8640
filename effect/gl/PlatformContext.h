// The window-system binding of the private OpenGL context. Everything that
// depends on how a context is obtained and made current lives behind these
// few functions, so another binding replaces this folder alone.
//
// This binding uses EGL: Mesa's surfaceless platform where it is offered
// (no display server, no GPU needed), else the default display with a small
// pbuffer. The handles are kept opaque here so that callers do not pull in
// the EGL headers.
#pragma once

namespace AESDK_OpenGL {

// The drawable the private context renders through, and where it comes from:
// the counterpart of a hidden window. Owned by the common-data record.
struct PlatformWindow {
    void* display = nullptr; // EGLDisplay
    void* config = nullptr;  // EGLConfig chosen for the context
    void* surface = nullptr; // EGLSurface: a small pbuffer, or none when surfaceless
};

// The private context (EGLContext).
typedef void* PlatformContext;

// What was current on the calling thread before the private context was made
// current, to be restored exactly, including "nothing".
struct PlatformCurrentState {
    void* display = nullptr;     // EGLDisplay
    void* drawSurface = nullptr; // EGLSurface
    void* readSurface = nullptr; // EGLSurface
    void* context = nullptr;     // EGLContext
    unsigned int api = 0;        // the bound client API (EGLenum); 0 when unknown
};

// Opens a display and chooses an RGBA configuration with 8 bits per channel
// that can render desktop OpenGL. False when neither can be had.
bool Platform_OpenWindow(PlatformWindow& window);
// Creates a compatibility-profile desktop OpenGL context for the window and
// the drawable it will be made current with. Nothing is made current.
bool Platform_CreateContext(PlatformWindow& window, PlatformContext& context);
// Destroys the context; false when it cannot be destroyed (or there is none).
bool Platform_DestroyContext(PlatformWindow& window, PlatformContext& context);
// Releases the drawable. The display itself stays open: it is shared by
// every user of EGL in the process, the host included.
void Platform_CloseWindow(PlatformWindow& window);

PlatformCurrentState Platform_GetCurrent();
bool Platform_MakeCurrent(const PlatformWindow& window, PlatformContext context);
// Makes current exactly what state describes; when it names no context, the
// private context is released from the thread (window names its display).
void Platform_Restore(const PlatformCurrentState& state, const PlatformWindow& window);

// Why the last open or create step failed, for messages; empty when none did.
const char* Platform_LastFailure();

} // namespace AESDK_OpenGL
