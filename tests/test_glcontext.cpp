#include <gtest/gtest.h>

#include <EGL/egl.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>

#include "GL_base.h"
#include "support/PrivateGLContext.h"

using namespace AESDK_OpenGL;
using tavrix_test::PrivateGLTest;
using tavrix_test::readImage;

namespace {

GLint renderbufferSize(GLuint name, GLenum which)
{
    GLint value = -1;
    glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, name);
    glGetRenderbufferParameterivEXT(GL_RENDERBUFFER_EXT, which, &value);
    return value;
}

std::string writeTempFile(const std::string& name, const std::string& text)
{
    return tavrix_test::writeTempFile(name, std::vector<uint8_t>(text.begin(), text.end()));
}

} // namespace

TEST_F(PrivateGLTest, RenderbuffersGrowToPowersOfTwoFollowingEachRequest)
{
    struct Step {
        uint16_t width, height;
        uint16_t expectWidth, expectHeight;
    };
    const Step steps[] = {
        {1000, 500, 1024, 1024},  // fits the buffers made at set-up
        {1500, 300, 2048, 512},   // the height may shrink when the width grows
        {300, 1500, 512, 2048},   // and the other way round
        {512, 2048, 512, 2048},   // exactly the current size: nothing changes
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(std::to_string(step.width) + " x " + std::to_string(step.height));
        ASSERT_EQ(AESDK_OpenGL_ResizeRenderBuffers(gl, step.width, step.height), AESDK_OpenGL_OK);
        EXPECT_EQ(gl.renderBufferWidth, step.expectWidth);
        EXPECT_EQ(gl.renderBufferHeight, step.expectHeight);
        for (GLuint buffer : {gl.colorBuffer, gl.depthBuffer}) {
            EXPECT_EQ(renderbufferSize(buffer, GL_RENDERBUFFER_WIDTH_EXT), step.expectWidth);
            EXPECT_EQ(renderbufferSize(buffer, GL_RENDERBUFFER_HEIGHT_EXT), step.expectHeight);
        }
        ASSERT_EQ(AESDK_OpenGL_MakeReadyToRender(gl), AESDK_OpenGL_OK) << CheckFramebufferStatus();
        // The far corner of the new buffers takes a clear colour and reads back.
        clearViewport(step.expectWidth, step.expectHeight, 0.0f, 1.0f, 0.0f, 1.0f);
        unsigned char pixel[4] = {};
        glReadPixels(step.expectWidth - 1, step.expectHeight - 1, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
        EXPECT_EQ(pixel[1], 255);
        EXPECT_EQ(pixel[3], 255);
    }
}

TEST_F(PrivateGLTest, SidesWithoutA16BitPowerOfTwoAreRefusedAndTheBuffersKept)
{
    const GLuint color = gl.colorBuffer;
    for (auto size : {std::make_pair(32769, 10), std::make_pair(10, 65535)}) {
        EXPECT_EQ(AESDK_OpenGL_ResizeRenderBuffers(gl, size.first, size.second), AESDK_OpenGL_SizeTooLarge);
    }
    EXPECT_EQ(gl.colorBuffer, color);
    EXPECT_EQ(gl.renderBufferWidth, 1024);
    EXPECT_EQ(renderbufferSize(gl.colorBuffer, GL_RENDERBUFFER_WIDTH_EXT), 1024);
    EXPECT_EQ(AESDK_OpenGL_MakeReadyToRender(gl), AESDK_OpenGL_OK);
    EXPECT_STREQ(ReportError(AESDK_OpenGL_SizeTooLarge), "Render size exceeds 32768 pixels!");
}

TEST(PowOfTwo, SmallestPowerNotBelowTheValueAndNoneBeyond32768)
{
    const std::pair<uint16_t, uint16_t> cases[] = {{0, 1},       {1, 1},         {2, 2},         {3, 4},
                                                   {1000, 1024}, {1024, 1024},   {1025, 2048},   {32767, 32768},
                                                   {32768, 32768}, {32769, 0},   {65535, 0}};
    for (const auto& c : cases) EXPECT_EQ(powOfTwo(c.first), c.second) << c.first;
}

TEST_F(PrivateGLTest, MakeReadyToRenderFailsOnceTheColourAttachmentIsDeleted)
{
    glDeleteRenderbuffersEXT(1, &gl.colorBuffer);
    EXPECT_EQ(AESDK_OpenGL_MakeReadyToRender(gl), AESDK_OpenGL_ResourcesNotReady);
    EXPECT_STREQ(CheckFramebufferStatus(), "Framebuffer incomplete, missing draw buffer!");
    glDeleteRenderbuffersEXT(1, &gl.depthBuffer);
    EXPECT_EQ(AESDK_OpenGL_MakeReadyToRender(gl), AESDK_OpenGL_ResourcesNotReady);
    EXPECT_STREQ(CheckFramebufferStatus(), "Framebuffer incomplete, missing attachment!");
}

// A context of the test's own, standing for the host's.
struct HostContext {
    EGLDisplay display = EGL_NO_DISPLAY;
    EGLContext context = EGL_NO_CONTEXT;
    EGLSurface surface = EGL_NO_SURFACE;

    explicit HostContext(const AESDK_OpenGL_EffectCommonData& gl)
    {
        display = gl.window.display;
        eglBindAPI(EGL_OPENGL_API);
        context = eglCreateContext(display, gl.window.config, EGL_NO_CONTEXT, nullptr);
        const EGLint size[] = {EGL_WIDTH, 8, EGL_HEIGHT, 8, EGL_NONE};
        surface = eglCreatePbufferSurface(display, gl.window.config, size);
    }
    ~HostContext()
    {
        eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        if (surface != EGL_NO_SURFACE) eglDestroySurface(display, surface);
        if (context != EGL_NO_CONTEXT) eglDestroyContext(display, context);
    }
};

TEST(PrivateContextSwitch, RestoresExactlyWhatWasCurrentBefore)
{
    AESDK_OpenGL_EffectCommonData gl;
    const AESDK_OpenGL_Err started = AESDK_OpenGL_Startup(gl);
    ASSERT_EQ(started, AESDK_OpenGL_OK) << ReportError(started) << " - " << Platform_LastFailure();
    EXPECT_EQ(eglGetCurrentContext(), EGL_NO_CONTEXT) << "start-up must not make the context current";

    {
        SCOPED_TRACE("nothing current before");
        SetPluginContext(gl);
        EXPECT_EQ(eglGetCurrentContext(), gl.pluginContext);
        SetHostContext(gl);
        EXPECT_EQ(eglGetCurrentContext(), EGL_NO_CONTEXT);
    }
    {
        SCOPED_TRACE("a host context with its own surface before");
        HostContext host(gl);
        ASSERT_NE(host.context, EGL_NO_CONTEXT);
        ASSERT_NE(host.surface, EGL_NO_SURFACE);
        ASSERT_TRUE(eglMakeCurrent(host.display, host.surface, host.surface, host.context));
        SetPluginContext(gl);
        EXPECT_EQ(eglGetCurrentContext(), gl.pluginContext);
        SetHostContext(gl);
        EXPECT_EQ(eglGetCurrentContext(), host.context);
        EXPECT_EQ(eglGetCurrentSurface(EGL_DRAW), host.surface);
        EXPECT_EQ(eglGetCurrentSurface(EGL_READ), host.surface);
    }
    EXPECT_EQ(AESDK_OpenGL_Shutdown(gl), AESDK_OpenGL_OK);
    EXPECT_EQ(gl.pluginContext, nullptr);
    EXPECT_EQ(AESDK_OpenGL_Shutdown(gl), AESDK_OpenGL_ContextNotDestroyed) << "nothing is left to destroy";
}

TEST_F(PrivateGLTest, FileShaderBuildsFromTwoFilesAndFailsWithShaderError)
{
    const std::string vertex = writeTempFile("tavrix_vs.glsl", "void main(){gl_Position = ftransform();}");
    const std::string fragment =
        writeTempFile("tavrix_fs.glsl", "uniform sampler2D image;void main(){gl_FragColor = texture2D(image, vec2(0.5));}");
    const std::string broken = writeTempFile("tavrix_broken.glsl", "void main(){ this is not glsl }");

    struct Case {
        const char* what;
        std::string vertexPath, fragmentPath;
        AESDK_OpenGL_Err expected;
    };
    const Case cases[] = {
        {"missing vertex file", ::testing::TempDir() + "no_such_shader.glsl", fragment, AESDK_OpenGL_ShaderFailed},
        {"fragment does not compile", vertex, broken, AESDK_OpenGL_ShaderFailed},
        {"both compile", vertex, fragment, AESDK_OpenGL_OK},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(AESDK_OpenGL_InitShader(gl, c.vertexPath.c_str(), c.fragmentPath.c_str()), c.expected);
        EXPECT_EQ(gl.usingShader, c.expected == AESDK_OpenGL_OK);
    }

    AESDK_OpenGL_StartRenderToShader(gl);
    GLint program = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    EXPECT_EQ(static_cast<GLhandleARB>(program), gl.programObject);
    GLuint texture = 0;
    glGenTextures(1, &texture);
    EXPECT_EQ(AESDK_OpenGL_BindTextureToTarget(gl, texture, "image"), AESDK_OpenGL_OK);
    EXPECT_EQ(AESDK_OpenGL_BindTextureToTarget(gl, static_cast<GLuint>(-1), "image"), AESDK_OpenGL_ShaderFailed);
    AESDK_OpenGL_StopRenderToShader();
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    EXPECT_EQ(program, 0);
    glDeleteTextures(1, &texture);
}

TEST(ReadShaderFile, WholeFileZeroTerminatedOrNothing)
{
    const std::string text = "line one\nline two\n";
    std::unique_ptr<char[]> read = ReadShaderFile(writeTempFile("tavrix_read.txt", text).c_str());
    ASSERT_TRUE(read);
    EXPECT_EQ(std::string(read.get()), text);
    EXPECT_FALSE(ReadShaderFile((::testing::TempDir() + "no_such_file.txt").c_str()));
    EXPECT_FALSE(ReadShaderFile(::testing::TempDir().c_str())) << "a folder is no shader file";
    EXPECT_FALSE(ReadShaderFile(nullptr));
}
