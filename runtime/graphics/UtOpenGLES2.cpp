#include "graphics/UtOpenGLES2.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include "memory/UtMemory.h"
#include "util/UtDebug.h"

namespace tavrix {

unsigned int UtOpenGLES2::fboTextureNo = ~0u;

bool UtOpenGLES2::compileShader(unsigned int* shader, unsigned int type, const char* source)
{
    *shader = glCreateShader(type);
    glShaderSource(*shader, 1, &source, nullptr);
    glCompileShader(*shader);
    GLint status = 0;
    glGetShaderiv(*shader, GL_COMPILE_STATUS, &status);
    if (status == 0) {
        glDeleteShader(*shader);
        return false;
    }
    return true;
}

bool UtOpenGLES2::linkProgram(unsigned int program)
{
    glLinkProgram(program);
    GLint status = 0;
    glGetProgramiv(program, GL_LINK_STATUS, &status);
    return status != 0;
}

bool UtOpenGLES2::validateProgram(unsigned int program)
{
    glValidateProgram(program);
    GLint logLength = 0;
    glGetProgramiv(program, GL_INFO_LOG_LENGTH, &logLength);
    if (logLength > 0) {
        // Fetched to clear it; nothing reads it.
        char* log = static_cast<char*>(UtMemory::malloc_exe(UtMemory::getTmpMemoryParam(), logLength));
        if (log) {
            glGetProgramInfoLog(program, logLength, &logLength, log);
            UtMemory::free_exe(log);
        }
    }
    GLint status = 0;
    glGetProgramiv(program, GL_VALIDATE_STATUS, &status);
    return status != 0;
}

unsigned int UtOpenGLES2::loadShaders(const char* vertexSource, const char* fragmentSource)
{
    GLuint program = glCreateProgram();
    GLuint vertex = 0;
    GLuint fragment = 0;
    if (!compileShader(&vertex, GL_VERTEX_SHADER, vertexSource)) {
        UtDebug::error("Vertex shader compile error!");
        glDeleteProgram(program);
        return 0;
    }
    if (!compileShader(&fragment, GL_FRAGMENT_SHADER, fragmentSource)) {
        UtDebug::error("Fragment shader compile error!");
        glDeleteShader(vertex);
        glDeleteProgram(program);
        return 0;
    }
    glAttachShader(program, vertex);
    glAttachShader(program, fragment);
    if (!linkProgram(program)) {
        UtDebug::error("Failed to link program: %d", program);
        glDeleteShader(vertex);
        glDeleteShader(fragment);
        glDeleteProgram(program);
        return 0;
    }
    // The linked program keeps what it needs; the shader objects can go.
    glDetachShader(program, vertex);
    glDeleteShader(vertex);
    glDetachShader(program, fragment);
    glDeleteShader(fragment);
    return program;
}

} // namespace tavrix
