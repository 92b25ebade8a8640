#pragma once

#include "OpenGLModel.h"

namespace tavrix {

// A second OpenGL front-end of the same shape as TavrixModelOpenGL, without
// per-texture colours.
class TavrixModelIPhoneES2 : public OpenGLModel<TavrixModelIPhoneES2> {
};

} // namespace tavrix
