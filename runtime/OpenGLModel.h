#pragma once

#include "ATavrixModel.h"
#include "ModelContext.h"
#include "graphics/DrawParam_OpenGLES2.h"
#include "memory/UtMemory.h"

namespace tavrix {

class LDString;

// What the OpenGL model front-ends share: an owned OpenGL drawing back-end,
// the calls that feed it textures and a matrix, a draw through it, and the
// factories that create and load a Model (the front-end class) in one call.
template <class Model>
class OpenGLModel : public ATavrixModel {
public:
    OpenGLModel() : drawParamOpenGL(new (UtMemory::getTmpMemoryParam()) DrawParam_OpenGLES2()) {}
    // Destroys the back-end; the OpenGL textures stay their creator's.
    virtual ~OpenGLModel() { delete drawParamOpenGL; }

    void draw() override
    {
        if (drawParamOpenGL && getModelContext()) getModelContext()->draw(*drawParamOpenGL);
    }
    int generateModelTextureNo() override
    {
        return drawParamOpenGL ? drawParamOpenGL->generateModelTextureNo() : -1;
    }
    void releaseModelTextureNo(int no) override
    {
        if (drawParamOpenGL) drawParamOpenGL->releaseModelTextureNo(no);
    }
    DrawParam* getDrawParam() override { return drawParamOpenGL; }

    // A new model loaded from the file or the bytes, or null; the load
    // result is then left for Tavrix::getError().
    static Model* loadModel(const LDString& path) { return createLoaded<Model>(path); }
    static Model* loadModel(const void* buffer, int size) { return createLoaded<Model>(buffer, size); }

    void setTexture(int textureNo, unsigned int glTexture)
    {
        if (drawParamOpenGL) drawParamOpenGL->setTexture(textureNo, glTexture);
    }
    // 16 floats, column-major.
    void setMatrix(float* m)
    {
        if (drawParamOpenGL) drawParamOpenGL->setMatrix(m);
    }

protected:
    DrawParam_OpenGLES2* drawParamOpenGL; // owned
};

} // namespace tavrix
