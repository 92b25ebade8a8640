#pragma once

#include "graphics/DrawParam.h"
#include "type/LDVector.h"

namespace tavrix {

// The OpenGL drawing back-end: one small GLSL program, shared by every model
// in the process, draws each mesh from client memory with the blend factors
// of its composition mode. It changes the state of whatever OpenGL context
// is current and restores none of it.
class DrawParam_OpenGLES2 : public DrawParam {
public:
    // Marks a number handed out by generateModelTextureNo before it has a texture.
    static constexpr unsigned int TEXTURE_RESERVED = 9999;

    DrawParam_OpenGLES2();
    virtual ~DrawParam_OpenGLES2();

    void setupDraw() override;
    void drawTexture(int textureNo, int indexCount, int numPoints, unsigned short* indexArray, float* vertexArray,
                     float* uvArray, float opacity, int compositionMode) override;
    int generateModelTextureNo() override;
    void releaseModelTextureNo(int no) override;

    // Gives texture number no the OpenGL texture and a fresh texture-info
    // record; the texture stays its creator's to delete.
    void setTexture(int no, unsigned int glTexture);
    // The OpenGL texture of no (0: free), 0 outside the table.
    unsigned int getTexture(int no) const;
    int getTextureCount() const { return textures ? textures->size() : 0; }

    // Builds the shared program in the current context (after disposing of
    // any earlier one) and looks up its attributes and uniforms.
    static void initShader();
    static void disposeShader();
    static unsigned int getShaderProgram() { return shaderProgram; }

private:
    // Grows the texture-info table to cover no without shrinking it.
    bool coverTextureInfo(int no);

    LDVector<unsigned int>* textures; // OpenGL texture per texture number

    // One program for the whole process, built at the first setupDraw.
    static unsigned int shaderProgram;
    static bool firstDraw;
    static int a_position_Loc;
    static int a_texCoord_Loc;
    static int s_texture0_Loc;
    static int u_matrix_Loc;
    static int u_baseColor;
};

} // namespace tavrix
