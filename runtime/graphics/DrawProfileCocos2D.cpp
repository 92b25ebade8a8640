#include "graphics/DrawProfileCocos2D.h"

#include <GL/gl.h>
#include <GL/glext.h>

namespace tavrix {

namespace {

const int RECORDED_ATTRIBUTES = 4;
// The switches setupDraw and drawTexture turn, in the order they are restored.
const GLenum SWITCHES[] = {GL_SCISSOR_TEST, GL_STENCIL_TEST, GL_DEPTH_TEST, GL_CULL_FACE, GL_BLEND};
const int SWITCH_COUNT = sizeof SWITCHES / sizeof SWITCHES[0];

// What preDraw found; one record for the process.
struct RecordedState {
    GLint arrayBuffer = 0;
    GLint elementArrayBuffer = 0;
    GLint program = 0;
    GLint activeTexture = GL_TEXTURE0;
    GLint texture1Binding = 0;
    GLint texture0Binding = 0;
    GLint attributeEnabled[RECORDED_ATTRIBUTES] = {};
    GLboolean switchEnabled[SWITCH_COUNT] = {};
    GLint frontFace = GL_CCW;
    GLboolean colorMask[4] = {GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE};
};

RecordedState recorded;

} // namespace

void DrawProfileCocos2D::preDraw()
{
    glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &recorded.arrayBuffer);
    glGetIntegerv(GL_ELEMENT_ARRAY_BUFFER_BINDING, &recorded.elementArrayBuffer);
    glGetIntegerv(GL_CURRENT_PROGRAM, &recorded.program);
    glGetIntegerv(GL_ACTIVE_TEXTURE, &recorded.activeTexture);
    glActiveTexture(GL_TEXTURE1);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &recorded.texture1Binding);
    glActiveTexture(GL_TEXTURE0);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &recorded.texture0Binding);
    for (int i = 0; i < RECORDED_ATTRIBUTES; ++i) {
        glGetVertexAttribiv(i, GL_VERTEX_ATTRIB_ARRAY_ENABLED, &recorded.attributeEnabled[i]);
    }
    for (int i = 0; i < SWITCH_COUNT; ++i) recorded.switchEnabled[i] = glIsEnabled(SWITCHES[i]);
    glGetIntegerv(GL_FRONT_FACE, &recorded.frontFace);
    glGetBooleanv(GL_COLOR_WRITEMASK, recorded.colorMask);
}

void DrawProfileCocos2D::postDraw()
{
    glUseProgram(recorded.program);
    for (int i = 0; i < RECORDED_ATTRIBUTES; ++i) my_setEnableVertexAttribArray(i, recorded.attributeEnabled[i] != 0);
    for (int i = 0; i < SWITCH_COUNT; ++i) my_setEnable(SWITCHES[i], recorded.switchEnabled[i] != GL_FALSE);
    glFrontFace(recorded.frontFace);
    glColorMask(recorded.colorMask[0], recorded.colorMask[1], recorded.colorMask[2], recorded.colorMask[3]);
    glBindBuffer(GL_ARRAY_BUFFER, recorded.arrayBuffer);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, recorded.elementArrayBuffer);
    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, recorded.texture1Binding);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, recorded.texture0Binding);
    glActiveTexture(recorded.activeTexture);
}

void DrawProfileCocos2D::my_setEnableVertexAttribArray(unsigned int index, bool enabled)
{
    if (enabled) {
        glEnableVertexAttribArray(index);
    } else {
        glDisableVertexAttribArray(index);
    }
}

void DrawProfileCocos2D::my_setEnable(unsigned int cap, bool enabled)
{
    if (enabled) {
        glEnable(cap);
    } else {
        glDisable(cap);
    }
}

} // namespace tavrix
