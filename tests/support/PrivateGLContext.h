// Test fixtures that draw for real through the private OpenGL context (Mesa's
// software rasteriser through EGL, headless). Without a display the tests
// fail and say why; they never skip.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "GL_base.h"
#include "support/DrawingFixtures.h"

namespace tavrix_test {

// Starts the private context, makes it current and gives it a framebuffer of
// 1024 x 1024, as the effect does at global set-up.
class PrivateGLTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        using namespace AESDK_OpenGL;
        const AESDK_OpenGL_Err started = AESDK_OpenGL_Startup(gl);
        ASSERT_EQ(started, AESDK_OpenGL_OK) << "no OpenGL context for the test: " << ReportError(started) << " - "
                                            << Platform_LastFailure();
        SetPluginContext(gl);
        ASSERT_EQ(AESDK_OpenGL_InitResources(gl, 1024, 1024), AESDK_OpenGL_OK);
        ASSERT_EQ(AESDK_OpenGL_MakeReadyToRender(gl), AESDK_OpenGL_OK) << AESDK_OpenGL::CheckFramebufferStatus();
        contextReady = true;
    }

    void TearDown() override
    {
        using namespace AESDK_OpenGL;
        if (contextReady) {
            AESDK_OpenGL_ReleaseResources(gl);
            SetHostContext(gl);
        }
        if (gl.pluginContext) {
            EXPECT_EQ(AESDK_OpenGL_Shutdown(gl), AESDK_OpenGL_OK);
        }
    }

    // Sets the viewport to the lower-left width x height corner and clears it
    // to the given premultiplied colour.
    static void clearViewport(int width, int height, float r = 0, float g = 0, float b = 0, float a = 0)
    {
        glViewport(0, 0, width, height);
        glClearColor(r, g, b, a);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }

    AESDK_OpenGL::AESDK_OpenGL_EffectCommonData gl;
    bool contextReady = false;
};

// Reads the lower-left width x height corner of the bound framebuffer.
inline Image readImage(int width, int height)
{
    Image image;
    image.width = width;
    image.height = height;
    std::vector<uint8_t> bottomUp(static_cast<size_t>(width) * height * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, bottomUp.data());
    image.rgba.resize(bottomUp.size());
    const size_t row = static_cast<size_t>(width) * 4;
    for (int y = 0; y < height; ++y) {
        std::copy(bottomUp.begin() + (height - 1 - y) * row, bottomUp.begin() + (height - y) * row,
                  image.rgba.begin() + y * row);
    }
    return image;
}

} // namespace tavrix_test
