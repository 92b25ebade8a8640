#include "graphics/DrawParam_OpenGLES2.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include "graphics/TextureInfo.h"
#include "graphics/UtOpenGLES2.h"
#include "memory/UtMemory.h"

namespace tavrix {

namespace {

const char* const vertShaderSrc =
    "attribute vec4 a_position;attribute vec2 a_texCoord;varying vec2 v_texCoord;uniform mat4 "
    "modelViewProjectionMatrix;void main(){gl_Position = modelViewProjectionMatrix * a_position;v_texCoord = "
    "a_texCoord;}";
// OpenGL ES and WebGL need a default float precision in fragment shaders;
// desktop GLSL defines no GL_ES and skips the line.
const char* const fragShaderSrc =
    "#ifdef GL_ES\n#ifdef GL_FRAGMENT_PRECISION_HIGH\nprecision highp float;\n#else\nprecision mediump float;\n#endif\n#endif\n"
    "varying vec2 v_texCoord;uniform sampler2D s_texture0;uniform vec4 baseColor;void main(){gl_FragColor = "
    "texture2D(s_texture0 , v_texCoord) * baseColor;}";

const int COMPOSITION_ADDITIVE = 1;
const int COMPOSITION_MULTIPLICATIVE = 2;
// Two floats per point, tightly packed.
const GLsizei POINT_STRIDE = 8;

void setBlendFactors(int compositionMode, bool premultipliedAlpha)
{
    switch (compositionMode) {
    case COMPOSITION_ADDITIVE:
        glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE, GL_ZERO, GL_ONE);
        break;
    case COMPOSITION_MULTIPLICATIVE:
        if (premultipliedAlpha) {
            glBlendFuncSeparate(GL_DST_COLOR, GL_ONE_MINUS_SRC_ALPHA, GL_ZERO, GL_ONE);
        } else {
            glBlendFuncSeparate(GL_ZERO, GL_SRC_COLOR, GL_ZERO, GL_ONE);
        }
        break;
    default:
        // Every other mode, including the ones no model uses yet, blends as normal.
        glBlendFuncSeparate(premultipliedAlpha ? GL_ONE : GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ONE,
                            GL_ONE_MINUS_SRC_ALPHA);
        break;
    }
}

} // namespace

unsigned int DrawParam_OpenGLES2::shaderProgram = 0;
bool DrawParam_OpenGLES2::firstDraw = true;
int DrawParam_OpenGLES2::a_position_Loc = -1;
int DrawParam_OpenGLES2::a_texCoord_Loc = -1;
int DrawParam_OpenGLES2::s_texture0_Loc = -1;
int DrawParam_OpenGLES2::u_matrix_Loc = -1;
int DrawParam_OpenGLES2::u_baseColor = -1;

DrawParam_OpenGLES2::DrawParam_OpenGLES2() : textures(nullptr)
{
    MemoryParam* tmp = UtMemory::getTmpMemoryParam();
    textures = new (tmp) LDVector<unsigned int>(tmp);
}

DrawParam_OpenGLES2::~DrawParam_OpenGLES2()
{
    delete textures;
}

void DrawParam_OpenGLES2::setTexture(int no, unsigned int glTexture)
{
    if (!textures || no < 0) return;
    if (textures->size() < no + 1) {
        // Both tables take exactly no + 1 entries.
        if (!textures->updateSize(no + 1, 0)) return;
        if (!resizeTextureInfos(no + 1)) return;
    } else if (!coverTextureInfo(no)) {
        // Numbers handed out by generateModelTextureNo lie beyond the
        // texture-info table, which must reach them too.
        return;
    }
    (*textures)[no] = glTexture;
    installTextureInfo(no);
}

bool DrawParam_OpenGLES2::coverTextureInfo(int no)
{
    if (getTextureInfoCount() >= no + 1) return true;
    return resizeTextureInfos(textures->size());
}

unsigned int DrawParam_OpenGLES2::getTexture(int no) const
{
    if (!textures || no < 0 || no >= textures->size()) return 0;
    return (*textures)[no];
}

int DrawParam_OpenGLES2::generateModelTextureNo()
{
    if (!textures) return -1;
    const int size = textures->size();
    for (int no = fixedTextureCount; no < size; ++no) {
        if ((*textures)[no] == 0) {
            (*textures)[no] = TEXTURE_RESERVED;
            return no;
        }
    }
    // Doubling an empty table would leave no entry for the number returned.
    const int grown = size > 0 ? size * 2 : 1;
    if (!textures->updateSize(grown, 0)) return -1;
    (*textures)[size] = TEXTURE_RESERVED;
    return size;
}

void DrawParam_OpenGLES2::releaseModelTextureNo(int no)
{
    if (!textures || static_cast<unsigned int>(no) >= static_cast<unsigned int>(textures->size())) return;
    (*textures)[no] = 0;
    removeTextureInfo(no);
}

void DrawParam_OpenGLES2::initShader()
{
    disposeShader();
    shaderProgram = UtOpenGLES2::loadShaders(vertShaderSrc, fragShaderSrc);
    // Nothing to look up in a program that failed to build (WebGL refuses
    // the question outright); drawing then draws nothing.
    if (shaderProgram == 0) return;
    a_position_Loc = glGetAttribLocation(shaderProgram, "a_position");
    a_texCoord_Loc = glGetAttribLocation(shaderProgram, "a_texCoord");
    s_texture0_Loc = glGetUniformLocation(shaderProgram, "s_texture0");
    u_matrix_Loc = glGetUniformLocation(shaderProgram, "modelViewProjectionMatrix");
    u_baseColor = glGetUniformLocation(shaderProgram, "baseColor");
}

void DrawParam_OpenGLES2::disposeShader()
{
    if (shaderProgram == 0) return;
    glDeleteProgram(shaderProgram);
    shaderProgram = 0;
}

void DrawParam_OpenGLES2::setupDraw()
{
    // A program built in a context that has since gone (the context was
    // shut down and started again) is built anew in the current one; its
    // name means nothing here, so it is forgotten, not deleted. A program
    // that failed to build is not retried.
    if (!firstDraw && shaderProgram != 0 && !glIsProgram(shaderProgram)) {
        shaderProgram = 0;
        firstDraw = true;
    }
    if (firstDraw) {
        initShader();
        firstDraw = false;
    }
    if (shaderProgram == 0) return;
    glDisable(GL_SCISSOR_TEST);
    glDisable(GL_STENCIL_TEST);
    glDisable(GL_DEPTH_TEST);
    glFrontFace(GL_CW);
    glEnable(GL_BLEND);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    // Vertex data and indices come from client memory.
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glUseProgram(shaderProgram);
    glEnableVertexAttribArray(a_position_Loc);
    glEnableVertexAttribArray(a_texCoord_Loc);
    glActiveTexture(GL_TEXTURE0);
    glUniform1i(s_texture0_Loc, 0);
    if (anisotropy >= 1 && textures) {
        for (unsigned int texture : *textures) {
            glBindTexture(GL_TEXTURE_2D, texture);
            glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAX_ANISOTROPY_EXT, static_cast<float>(anisotropy));
        }
    }
}

void DrawParam_OpenGLES2::drawTexture(int textureNo, int indexCount, int, unsigned short* indexArray,
                                      float* vertexArray, float* uvArray, float opacity, int compositionMode)
{
    if (!(opacity > 0.0f) || !enabledTextureInfo(textureNo)) return;
    // A number with a record but no texture entry, or a program that failed
    // to build, would make OpenGL read state nobody set up for this draw.
    if (textureNo >= getTextureCount() || shaderProgram == 0) return;

    if (culling) {
        glEnable(GL_CULL_FACE);
    } else {
        glDisable(GL_CULL_FACE);
    }
    setBlendFactors(compositionMode, premultipliedAlpha);
    glVertexAttribPointer(a_position_Loc, 2, GL_FLOAT, GL_FALSE, POINT_STRIDE, vertexArray);
    glVertexAttribPointer(a_texCoord_Loc, 2, GL_FLOAT, GL_FALSE, POINT_STRIDE, uvArray);
    glBindTexture(GL_TEXTURE_2D, (*textures)[textureNo]);
    glUniformMatrix4fv(u_matrix_Loc, 1, GL_FALSE, matrix);

    const TextureInfo* info = getTextureInfo(textureNo);
    const float red = baseRed * (info->r * info->scale);
    const float green = baseGreen * (info->g * info->scale);
    const float blue = baseBlue * (info->b * info->scale);
    const float alpha = baseAlpha * opacity;
    // Premultiplied textures need the opacity on the colour as well.
    if (premultipliedAlpha) {
        glUniform4f(u_baseColor, red * opacity, green * opacity, blue * opacity, alpha);
    } else {
        glUniform4f(u_baseColor, red, green, blue, alpha);
    }
    glDrawElements(GL_TRIANGLES, indexCount, GL_UNSIGNED_SHORT, indexArray);
}

} // namespace tavrix
