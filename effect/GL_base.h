// The effect's private OpenGL context: start-up and shut-down, the offscreen
// framebuffer with its depth and colour renderbuffers, switching between the
// caller's context and the private one, and error texts, in the effect's own
// names over the drawing library (gl/): its window-system binding, its
// renderbuffers and framebuffer status.
#pragma once

#include <GL/gl.h>
#include <GL/glext.h>

#include <cstdint>
#include <memory>

#include "Framebuffer.h"
#include "gl/PlatformContext.h"

namespace AESDK_OpenGL {

enum AESDK_OpenGL_Err : int {
    AESDK_OpenGL_OK = 0,
    AESDK_OpenGL_NoPixelFormat = 1,        // no display or configuration at start-up
    AESDK_OpenGL_ContextNotDestroyed = 2,  // shut-down could not destroy the context
    AESDK_OpenGL_ResourcesNotReady = 3,    // the framebuffer is not complete
    AESDK_OpenGL_ResourcesNotReleased = 4, // not raised
    AESDK_OpenGL_NoContext = 5,            // the context cannot be created
    AESDK_OpenGL_ShaderFailed = 6,         // file shader or texture binding failed
    AESDK_OpenGL_Unknown = 7,              // not raised
    AESDK_OpenGL_SizeTooLarge = 8,         // a side above MAX_RENDER_SIDE was asked for
};

// Thrown inside the operations and turned into their result; never leaves them.
struct AESDK_OpenGL_Fault {
    AESDK_OpenGL_Err code;
};

// The largest renderbuffer side: its power of two still fits 16 bits.
const uint32_t MAX_RENDER_SIDE = tavrix_gl::MAX_RENDER_SIDE;

// The one process-wide record of the private context and its framebuffer.
struct AESDK_OpenGL_EffectCommonData {
    GLuint frameBuffer = 0;
    GLuint depthBuffer = 0; // depth attachment
    GLuint colorBuffer = 0; // colour attachment 0
    uint16_t renderBufferWidth = 0;
    uint16_t renderBufferHeight = 0;
    // The optional file shader.
    GLhandleARB programObject = 0;
    GLhandleARB vertexShaderObject = 0;
    GLhandleARB fragmentShaderObject = 0;
    bool usingShader = false;
    PlatformWindow window;              // owned
    PlatformContext pluginContext = nullptr; // owned
    PlatformCurrentState hostContext;   // not owned: what SetPluginContext found current
};

AESDK_OpenGL_Err AESDK_OpenGL_Startup(AESDK_OpenGL_EffectCommonData& data);
AESDK_OpenGL_Err AESDK_OpenGL_Shutdown(AESDK_OpenGL_EffectCommonData& data);

// These run with the private context current.
AESDK_OpenGL_Err AESDK_OpenGL_InitResources(AESDK_OpenGL_EffectCommonData& data, uint16_t width, uint16_t height);
AESDK_OpenGL_Err AESDK_OpenGL_ReleaseResources(AESDK_OpenGL_EffectCommonData& data);
// Grows the renderbuffers to powers of two covering width x height; they
// never shrink on their own account.
AESDK_OpenGL_Err AESDK_OpenGL_ResizeRenderBuffers(AESDK_OpenGL_EffectCommonData& data, uint16_t width,
                                                  uint16_t height);
// Binds the framebuffer for drawing; 3 when it is not complete.
AESDK_OpenGL_Err AESDK_OpenGL_MakeReadyToRender(AESDK_OpenGL_EffectCommonData& data);
// The bound framebuffer's status as text, "OK" when complete.
const char* CheckFramebufferStatus();

// Not nestable: a second SetPluginContext before SetHostContext forgets the
// context that was current first.
void SetPluginContext(AESDK_OpenGL_EffectCommonData& data);
void SetHostContext(AESDK_OpenGL_EffectCommonData& data);

// The smallest power of two not below value (1 for 0); 0 when value exceeds
// MAX_RENDER_SIDE, which has none in 16 bits.
uint16_t powOfTwo(uint16_t value);
const char* ReportError(int code);

// The optional shader built from two text files (the effect draws through
// the runtime's own shader instead).
AESDK_OpenGL_Err AESDK_OpenGL_InitShader(AESDK_OpenGL_EffectCommonData& data, const char* vertexShaderPath,
                                         const char* fragmentShaderPath);
// The whole file, zero-terminated; null when it cannot be read.
std::unique_ptr<char[]> ReadShaderFile(const char* path);
AESDK_OpenGL_Err AESDK_OpenGL_BindTextureToTarget(AESDK_OpenGL_EffectCommonData& data, GLuint texture,
                                                  const char* uniformName);
AESDK_OpenGL_Err AESDK_OpenGL_StartRenderToShader(AESDK_OpenGL_EffectCommonData& data);
AESDK_OpenGL_Err AESDK_OpenGL_StopRenderToShader();

} // namespace AESDK_OpenGL
