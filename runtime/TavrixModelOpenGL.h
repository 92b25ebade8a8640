#pragma once

#include "OpenGLModel.h"

namespace tavrix {

// The model as an OpenGL application uses it (the effect loads this one):
// the model object with an owned OpenGL drawing back-end. Created through
// the loading factories, destroyed through its virtual destructor.
class TavrixModelOpenGL : public OpenGLModel<TavrixModelOpenGL> {
public:
    // Colour factors of one texture number; nothing when it is not in use.
    void setTextureColor(int textureNo, float r, float g, float b, float a)
    {
        if (drawParamOpenGL) drawParamOpenGL->setTextureColor(textureNo, r, g, b, a);
    }
};

} // namespace tavrix
