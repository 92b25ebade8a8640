#pragma once

namespace tavrix {

// Compiling and linking the drawing program; failures are reported through
// UtDebug and as false or 0.
class UtOpenGLES2 {
public:
    // Stores the new shader's name through shader; on a compile failure the
    // shader is deleted again and false returned.
    static bool compileShader(unsigned int* shader, unsigned int type, const char* source);
    static bool linkProgram(unsigned int program);
    static bool validateProgram(unsigned int program);
    // The linked program, or 0 (with nothing left behind) on failure.
    static unsigned int loadShaders(const char* vertexSource, const char* fragmentSource);

    // A framebuffer texture a host may record here; drawing does not read it.
    static void setFramebufferTexture(unsigned int texture) { fboTextureNo = texture; }
    static unsigned int getFramebufferTexture() { return fboTextureNo; }

private:
    static unsigned int fboTextureNo;
};

} // namespace tavrix
