#include "GL_base.h"

#include "Framebuffer.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstring>

namespace AESDK_OpenGL {

namespace {

const GLsizei SHADER_LOG_LENGTH = 4096;

void raise(AESDK_OpenGL_Err code)
{
    throw AESDK_OpenGL_Fault{code};
}

// Runs one operation's steps; a fault raised by a step becomes the result.
template <class Steps>
AESDK_OpenGL_Err guarded(Steps steps)
{
    try {
        steps();
    } catch (const AESDK_OpenGL_Fault& fault) {
        return fault.code;
    }
    return AESDK_OpenGL_OK;
}

void attachRenderbuffers(AESDK_OpenGL_EffectCommonData& data, uint16_t width, uint16_t height)
{
    data.depthBuffer = tavrix_gl::attachRenderbuffer(GL_DEPTH_COMPONENT, GL_DEPTH_ATTACHMENT_EXT, width, height);
    data.colorBuffer = tavrix_gl::attachRenderbuffer(GL_RGBA, GL_COLOR_ATTACHMENT0_EXT, width, height);
}

void requireRenderSide(uint16_t side)
{
    if (side > MAX_RENDER_SIDE) raise(AESDK_OpenGL_SizeTooLarge);
}

// Stores the new shader object in shader before anything can fail, so the
// record knows every object it made.
void compileShaderFile(GLhandleARB& shader, GLenum type, const char* path)
{
    shader = glCreateShaderObjectARB(type);
    std::unique_ptr<char[]> source = ReadShaderFile(path);
    if (!source) raise(AESDK_OpenGL_ShaderFailed);
    const GLcharARB* text = source.get();
    glShaderSourceARB(shader, 1, &text, nullptr);
    glCompileShaderARB(shader);
}

void requireStatus(GLhandleARB object, GLenum status)
{
    GLint ok = 0;
    glGetObjectParameterivARB(object, status, &ok);
    if (ok) return;
    GLcharARB log[SHADER_LOG_LENGTH];
    GLsizei length = 0;
    glGetInfoLogARB(object, SHADER_LOG_LENGTH, &length, log);
    raise(AESDK_OpenGL_ShaderFailed);
}

} // namespace

AESDK_OpenGL_Err AESDK_OpenGL_Startup(AESDK_OpenGL_EffectCommonData& data)
{
    return guarded([&] {
        data.usingShader = false;
        if (!Platform_OpenWindow(data.window)) raise(AESDK_OpenGL_NoPixelFormat);
        if (!Platform_CreateContext(data.window, data.pluginContext)) raise(AESDK_OpenGL_NoContext);
    });
}

AESDK_OpenGL_Err AESDK_OpenGL_Shutdown(AESDK_OpenGL_EffectCommonData& data)
{
    if (!Platform_DestroyContext(data.window, data.pluginContext)) return AESDK_OpenGL_ContextNotDestroyed;
    Platform_CloseWindow(data.window);
    return AESDK_OpenGL_OK;
}

AESDK_OpenGL_Err AESDK_OpenGL_InitResources(AESDK_OpenGL_EffectCommonData& data, uint16_t width, uint16_t height)
{
    return guarded([&] {
        requireRenderSide(width);
        requireRenderSide(height);
        data.renderBufferWidth = width;
        data.renderBufferHeight = height;
        glClearColor(0, 0, 0, 0);
        glEnable(GL_DEPTH_TEST);
        glGenFramebuffersEXT(1, &data.frameBuffer);
        glEnable(GL_TEXTURE_2D);
        glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, data.frameBuffer);
        attachRenderbuffers(data, width, height);
    });
}

AESDK_OpenGL_Err AESDK_OpenGL_ReleaseResources(AESDK_OpenGL_EffectCommonData& data)
{
    if (data.usingShader) {
        glDeleteObjectARB(data.vertexShaderObject);
        glDeleteObjectARB(data.fragmentShaderObject);
        glDeleteObjectARB(data.programObject);
    }
    glDeleteFramebuffersEXT(1, &data.frameBuffer);
    glDeleteRenderbuffersEXT(1, &data.depthBuffer);
    glDeleteRenderbuffersEXT(1, &data.colorBuffer);
    return AESDK_OpenGL_OK;
}

uint16_t powOfTwo(uint16_t value)
{
    return tavrix_gl::powerOfTwoCovering(value);
}

AESDK_OpenGL_Err AESDK_OpenGL_ResizeRenderBuffers(AESDK_OpenGL_EffectCommonData& data, uint16_t width,
                                                  uint16_t height)
{
    return guarded([&] {
        if (data.renderBufferWidth >= width && data.renderBufferHeight >= height) return;
        // Refused before anything is deleted, so the old buffers stay usable.
        requireRenderSide(width);
        requireRenderSide(height);
        glDeleteRenderbuffersEXT(1, &data.depthBuffer);
        glDeleteRenderbuffersEXT(1, &data.colorBuffer);
        // Both sides follow the request, so one that was large enough may shrink.
        data.renderBufferWidth = powOfTwo(width);
        data.renderBufferHeight = powOfTwo(height);
        attachRenderbuffers(data, data.renderBufferWidth, data.renderBufferHeight);
    });
}

const char* CheckFramebufferStatus()
{
    return tavrix_gl::framebufferStatusText();
}

AESDK_OpenGL_Err AESDK_OpenGL_MakeReadyToRender(AESDK_OpenGL_EffectCommonData& data)
{
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, data.frameBuffer);
    glDrawBuffer(GL_COLOR_ATTACHMENT0_EXT);
    if (std::strcmp(CheckFramebufferStatus(), "OK") != 0) return AESDK_OpenGL_ResourcesNotReady;
    return AESDK_OpenGL_OK;
}

void SetPluginContext(AESDK_OpenGL_EffectCommonData& data)
{
    data.hostContext = Platform_GetCurrent();
    Platform_MakeCurrent(data.window, data.pluginContext);
}

void SetHostContext(AESDK_OpenGL_EffectCommonData& data)
{
    Platform_Restore(data.hostContext, data.window);
}

const char* ReportError(int code)
{
    switch (code) {
    case AESDK_OpenGL_OK: return "OK";
    case AESDK_OpenGL_NoPixelFormat: return "OS specific calls failed!";
    case AESDK_OpenGL_ContextNotDestroyed: return "OS specific unloading error!";
    case AESDK_OpenGL_ResourcesNotReady: return "OpenGL resources failed to load!";
    case AESDK_OpenGL_ResourcesNotReleased: return "OpenGL resources failed to un-load!";
    case AESDK_OpenGL_NoContext: return "Appropriate OpenGL extensions not found!";
    case AESDK_OpenGL_ShaderFailed: return "Shader Error!";
    case AESDK_OpenGL_Unknown: return "Unknown AESDK_OpenGL error!";
    case AESDK_OpenGL_SizeTooLarge: return "Render size exceeds 32768 pixels!";
    default: return "Unknown Error Code!";
    }
}

std::unique_ptr<char[]> ReadShaderFile(const char* path)
{
    FILE* file = path ? std::fopen(path, "rb") : nullptr;
    if (!file) return nullptr;
    std::unique_ptr<char[]> text;
    // Only a regular file has a length to measure (a folder opens too, and
    // claims an enormous one); a file not read in full yields nothing.
    struct stat info;
    long length = -1;
    if (fstat(fileno(file), &info) == 0 && S_ISREG(info.st_mode) && std::fseek(file, 0, SEEK_END) == 0) {
        length = std::ftell(file);
    }
    if (length >= 0 && std::fseek(file, 0, SEEK_SET) == 0) {
        text.reset(new char[static_cast<size_t>(length) + 1]);
        if (std::fread(text.get(), 1, static_cast<size_t>(length), file) == static_cast<size_t>(length)) {
            text[length] = '\0';
        } else {
            text.reset();
        }
    }
    std::fclose(file);
    return text;
}

AESDK_OpenGL_Err AESDK_OpenGL_InitShader(AESDK_OpenGL_EffectCommonData& data, const char* vertexShaderPath,
                                         const char* fragmentShaderPath)
{
    return guarded([&] {
        compileShaderFile(data.vertexShaderObject, GL_VERTEX_SHADER_ARB, vertexShaderPath);
        requireStatus(data.vertexShaderObject, GL_OBJECT_COMPILE_STATUS_ARB);
        compileShaderFile(data.fragmentShaderObject, GL_FRAGMENT_SHADER_ARB, fragmentShaderPath);
        requireStatus(data.fragmentShaderObject, GL_OBJECT_COMPILE_STATUS_ARB);
        data.programObject = glCreateProgramObjectARB();
        glAttachObjectARB(data.programObject, data.vertexShaderObject);
        glAttachObjectARB(data.programObject, data.fragmentShaderObject);
        glLinkProgramARB(data.programObject);
        requireStatus(data.programObject, GL_OBJECT_LINK_STATUS_ARB);
        data.usingShader = true;
    });
}

AESDK_OpenGL_Err AESDK_OpenGL_BindTextureToTarget(AESDK_OpenGL_EffectCommonData& data, GLuint texture,
                                                  const char* uniformName)
{
    if (texture == static_cast<GLuint>(-1)) return AESDK_OpenGL_ShaderFailed;
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, texture);
    glUniform1iARB(glGetUniformLocationARB(data.programObject, uniformName), 0);
    return AESDK_OpenGL_OK;
}

AESDK_OpenGL_Err AESDK_OpenGL_StartRenderToShader(AESDK_OpenGL_EffectCommonData& data)
{
    glUseProgramObjectARB(data.programObject);
    return AESDK_OpenGL_OK;
}

AESDK_OpenGL_Err AESDK_OpenGL_StopRenderToShader()
{
    glUseProgramObjectARB(0);
    return AESDK_OpenGL_OK;
}

} // namespace AESDK_OpenGL
