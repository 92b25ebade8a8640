#include "Framebuffer.h"

namespace tavrix_gl {

namespace {

// Newer drivers call a framebuffer complete when its draw buffer has no
// image (it then draws nowhere); that is reported as the missing draw
// buffer older drivers report.
GLenum framebufferStatus()
{
    const GLenum status = glCheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT);
    GLint bound = 0;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &bound);
    if (status != GL_FRAMEBUFFER_COMPLETE_EXT || bound == 0) return status;
    GLint drawBuffer = GL_NONE;
    glGetIntegerv(GL_DRAW_BUFFER, &drawBuffer);
    if (drawBuffer < GL_COLOR_ATTACHMENT0_EXT || drawBuffer > GL_COLOR_ATTACHMENT15_EXT) return status;
    GLint type = GL_NONE;
    glGetFramebufferAttachmentParameterivEXT(GL_FRAMEBUFFER_EXT, static_cast<GLenum>(drawBuffer),
                                             GL_FRAMEBUFFER_ATTACHMENT_OBJECT_TYPE_EXT, &type);
    return type == GL_NONE ? GL_FRAMEBUFFER_INCOMPLETE_DRAW_BUFFER_EXT : status;
}

} // namespace

uint16_t powerOfTwoCovering(uint16_t value)
{
    if (value > MAX_RENDER_SIDE) return 0;
    uint32_t result = 1;
    while (result < value) result <<= 1;
    return static_cast<uint16_t>(result);
}

GLuint attachRenderbuffer(GLenum internalFormat, GLenum attachment, uint16_t width, uint16_t height)
{
    GLuint name = 0;
    glGenRenderbuffersEXT(1, &name);
    glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, name);
    glRenderbufferStorageEXT(GL_RENDERBUFFER_EXT, internalFormat, width, height);
    glFramebufferRenderbufferEXT(GL_FRAMEBUFFER_EXT, attachment, GL_RENDERBUFFER_EXT, name);
    return name;
}

const char* framebufferStatusText()
{
    switch (framebufferStatus()) {
    case GL_FRAMEBUFFER_COMPLETE_EXT: return "OK";
    case GL_FRAMEBUFFER_INCOMPLETE_ATTACHMENT_EXT: return "Framebuffer incomplete, incomplete attachment!";
    case GL_FRAMEBUFFER_INCOMPLETE_MISSING_ATTACHMENT_EXT: return "Framebuffer incomplete, missing attachment!";
    case GL_FRAMEBUFFER_INCOMPLETE_DIMENSIONS_EXT:
        return "Framebuffer incomplete, attached images must have same dimensions!";
    case GL_FRAMEBUFFER_INCOMPLETE_FORMATS_EXT: return "Framebuffer incomplete, attached images must have same format!";
    case GL_FRAMEBUFFER_INCOMPLETE_DRAW_BUFFER_EXT: return "Framebuffer incomplete, missing draw buffer!";
    case GL_FRAMEBUFFER_INCOMPLETE_READ_BUFFER_EXT: return "Framebuffer incomplete, missing read buffer!";
    case GL_FRAMEBUFFER_UNSUPPORTED_EXT: return "Unsupported framebuffer format!";
    default: return "Unknown error!";
    }
}

bool Framebuffer::prepare(int width, int height, std::string& why)
{
    const std::string size = std::to_string(width) + " x " + std::to_string(height);
    if (width < 1 || height < 1 || static_cast<uint32_t>(width) > MAX_RENDER_SIDE ||
        static_cast<uint32_t>(height) > MAX_RENDER_SIDE) {
        why = "cannot draw at " + size + ": each side must lie between 1 and " + std::to_string(MAX_RENDER_SIDE);
        return false;
    }
    const auto w = static_cast<uint16_t>(width);
    const auto h = static_cast<uint16_t>(height);
    if (!frameBuffer) {
        glClearColor(0, 0, 0, 0);
        glEnable(GL_DEPTH_TEST);
        glGenFramebuffersEXT(1, &frameBuffer);
        glEnable(GL_TEXTURE_2D);
        glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, frameBuffer);
        bufferWidth = w;
        bufferHeight = h;
        depthBuffer = attachRenderbuffer(GL_DEPTH_COMPONENT, GL_DEPTH_ATTACHMENT_EXT, w, h);
        colorBuffer = attachRenderbuffer(GL_RGBA, GL_COLOR_ATTACHMENT0_EXT, w, h);
    } else if (bufferWidth < w || bufferHeight < h) {
        glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, frameBuffer);
        glDeleteRenderbuffersEXT(1, &depthBuffer);
        glDeleteRenderbuffersEXT(1, &colorBuffer);
        bufferWidth = powerOfTwoCovering(w);
        bufferHeight = powerOfTwoCovering(h);
        depthBuffer = attachRenderbuffer(GL_DEPTH_COMPONENT, GL_DEPTH_ATTACHMENT_EXT, bufferWidth, bufferHeight);
        colorBuffer = attachRenderbuffer(GL_RGBA, GL_COLOR_ATTACHMENT0_EXT, bufferWidth, bufferHeight);
    }
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, frameBuffer);
    glDrawBuffer(GL_COLOR_ATTACHMENT0_EXT);
    const std::string status = framebufferStatusText();
    if (status != "OK") {
        GLint largest = 0;
        glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE_EXT, &largest);
        why = "cannot draw at " + size + ": the framebuffer is not complete (" + status + ")" +
              (largest > 0 && (width > largest || height > largest || bufferWidth > largest ||
                               bufferHeight > largest)
                   ? "; OpenGL draws at most " + std::to_string(largest) + " pixels a side here"
                   : "");
        // Renderbuffers whose storage failed keep their size on record but
        // hold nothing: start afresh, so that a smaller size can draw again,
        // and leave no error behind for later calls to trip over.
        release();
        while (glGetError() != GL_NO_ERROR) {
        }
        return false;
    }
    return true;
}

void Framebuffer::release()
{
    if (!frameBuffer) return;
    glDeleteFramebuffersEXT(1, &frameBuffer);
    glDeleteRenderbuffersEXT(1, &depthBuffer);
    glDeleteRenderbuffersEXT(1, &colorBuffer);
    frameBuffer = depthBuffer = colorBuffer = 0;
    bufferWidth = bufferHeight = 0;
}

} // namespace tavrix_gl
