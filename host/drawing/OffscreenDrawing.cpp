#include "OffscreenDrawing.h"

#include <lodepng.h>

#include <cstdlib>
#include <cstring>

#include "Tavrix.h"
#include "TavrixModelOpenGL.h"
#include "Win/TavrixUtil.h"

using namespace AESDK_OpenGL;

namespace tavrix_tool {

namespace {

// Why the texture loader refused the file; it only says that it did.
std::string decodeFailure(const std::string& path)
{
    unsigned char* bytes = nullptr;
    size_t size = 0;
    const unsigned error = lodepng_load_file(&bytes, &size, path.c_str());
    const char* failure = error ? lodepng_error_text(error) : tavrixutil::texturePngFailure(bytes, size);
    std::free(bytes);
    return failure ? failure : "it could not be decoded";
}

} // namespace

OffscreenDrawing::~OffscreenDrawing()
{
    delete model;
    if (!textures.empty()) glDeleteTextures(static_cast<GLsizei>(textures.size()), textures.data());
    if (runtimeStarted) tavrix::Tavrix::dispose();
    if (resourcesMade) AESDK_OpenGL_ReleaseResources(gl);
    if (contextStarted) {
        SetHostContext(gl);
        AESDK_OpenGL_Shutdown(gl);
    }
}

bool OffscreenDrawing::start(std::string& why)
{
    const AESDK_OpenGL_Err started = AESDK_OpenGL_Startup(gl);
    if (started != AESDK_OpenGL_OK) {
        why = std::string("cannot start OpenGL: ") + ReportError(started) + " (" + Platform_LastFailure() + ")";
        return false;
    }
    contextStarted = true;
    SetPluginContext(gl);
    tavrixutil::init();
    runtimeStarted = true;
    return true;
}

bool OffscreenDrawing::load(const std::vector<std::string>& paths, int targetWidth, int targetHeight,
                            std::vector<std::string>& warnings, int& loadResult)
{
    std::vector<unsigned int> created;
    model = tavrixutil::loadModel(paths, static_cast<float>(targetWidth), static_cast<float>(targetHeight), created);
    textures.insert(textures.end(), created.begin(), created.end());
    if (!model) {
        loadResult = static_cast<int>(tavrix::Tavrix::getError());
        return false;
    }
    for (size_t i = 0; i < created.size(); ++i) {
        if (created[i] != 0) continue;
        warnings.push_back(paths[i + 1] + ": cannot decode texture " + std::to_string(i) + ": " +
                           decodeFailure(paths[i + 1]) +
                           "; meshes using it draw with the empty default texture (black)");
    }
    return true;
}

bool OffscreenDrawing::setSize(int targetWidth, int targetHeight, std::string& why)
{
    const auto w = static_cast<uint16_t>(targetWidth);
    const auto h = static_cast<uint16_t>(targetHeight);
    AESDK_OpenGL_Err err = resourcesMade ? AESDK_OpenGL_ResizeRenderBuffers(gl, w, h)
                                         : AESDK_OpenGL_InitResources(gl, w, h);
    resourcesMade = true;
    if (err == AESDK_OpenGL_OK) err = AESDK_OpenGL_MakeReadyToRender(gl);
    if (err != AESDK_OpenGL_OK) {
        why = "cannot draw at " + std::to_string(targetWidth) + " x " + std::to_string(targetHeight) + ": " +
              ReportError(err) + " (" + CheckFramebufferStatus() + ")";
        return false;
    }
    width = targetWidth;
    height = targetHeight;
    if (model) {
        float matrix[16];
        tavrixutil::projectionMatrix(static_cast<float>(width) / height, model->getCanvasWidth(), matrix);
        model->setMatrix(matrix);
    }
    return true;
}

void OffscreenDrawing::update()
{
    if (model) model->update();
}

void OffscreenDrawing::draw()
{
    clearFramebuffer();
    if (model) model->draw();
    glFinish();
}

void OffscreenDrawing::clear()
{
    clearFramebuffer();
    glFinish();
}

void OffscreenDrawing::clearFramebuffer()
{
    glViewport(0, 0, width, height);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void OffscreenDrawing::readBack(RgbaImage& image)
{
    const size_t row = static_cast<size_t>(width) * 4;
    bottomUp.resize(row * height);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_COLOR_ATTACHMENT0_EXT);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, bottomUp.data());
    image.width = static_cast<unsigned>(width);
    image.height = static_cast<unsigned>(height);
    image.pixels.resize(bottomUp.size());
    for (int y = 0; y < height; ++y) {
        std::memcpy(&image.pixels[y * row], &bottomUp[(height - 1 - y) * row], row);
    }
    unpremultiply(image);
}

} // namespace tavrix_tool
