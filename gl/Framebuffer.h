// An offscreen framebuffer object with a depth and an RGBA colour
// renderbuffer, drawn into with the context it was made in current.
#pragma once

#include <GL/gl.h>
#include <GL/glext.h>

#include <cstdint>
#include <string>

namespace tavrix_gl {

// The largest renderbuffer side: its power of two still fits 16 bits.
constexpr uint32_t MAX_RENDER_SIDE = 32768;

// The smallest power of two not below value (1 for 0); 0 when value exceeds
// MAX_RENDER_SIDE, which has none in 16 bits.
uint16_t powerOfTwoCovering(uint16_t value);

// Creates a renderbuffer of the given storage and attaches it to the bound
// framebuffer; its name.
GLuint attachRenderbuffer(GLenum internalFormat, GLenum attachment, uint16_t width, uint16_t height);

// The bound framebuffer's status as text, "OK" when it is complete. A
// framebuffer whose draw buffer has no image counts as missing its draw
// buffer, since nothing drawn there could be read back.
const char* framebufferStatusText();

class Framebuffer {
public:
    Framebuffer() = default;
    // Deletes what it made; the context it was made in must be current.
    ~Framebuffer() { release(); }

    // Room for width x height and the framebuffer bound for drawing: made at
    // exactly that size the first time, then grown to powers of two covering
    // each later request. False with the reason when OpenGL cannot draw it;
    // the framebuffer is then released, so the next request starts afresh.
    bool prepare(int width, int height, std::string& why);
    void release();

    Framebuffer(const Framebuffer&) = delete;
    Framebuffer& operator=(const Framebuffer&) = delete;

private:
    GLuint frameBuffer = 0;
    GLuint depthBuffer = 0;
    GLuint colorBuffer = 0;
    uint16_t bufferWidth = 0;
    uint16_t bufferHeight = 0;
};

} // namespace tavrix_gl
