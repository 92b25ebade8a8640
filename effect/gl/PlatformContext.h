// The effect's names for the window-system binding of its private context;
// the binding itself is the drawing library's (gl/EglContext.h).
#pragma once

#include "EglContext.h"

namespace AESDK_OpenGL {

using PlatformWindow = tavrix_gl::EglWindow;
using PlatformContext = tavrix_gl::EglContextHandle;
using PlatformCurrentState = tavrix_gl::EglCurrent;

inline bool Platform_OpenWindow(PlatformWindow& window) { return tavrix_gl::openWindow(window); }
inline bool Platform_CreateContext(PlatformWindow& window, PlatformContext& context)
{
    return tavrix_gl::createContext(window, context);
}
inline bool Platform_DestroyContext(PlatformWindow& window, PlatformContext& context)
{
    return tavrix_gl::destroyContext(window, context);
}
inline void Platform_CloseWindow(PlatformWindow& window) { tavrix_gl::closeWindow(window); }
inline PlatformCurrentState Platform_GetCurrent() { return tavrix_gl::currentContext(); }
inline bool Platform_MakeCurrent(const PlatformWindow& window, PlatformContext context)
{
    return tavrix_gl::makeCurrent(window, context);
}
inline void Platform_Restore(const PlatformCurrentState& state, const PlatformWindow& window)
{
    tavrix_gl::restoreCurrent(state, window);
}
inline const char* Platform_LastFailure() { return tavrix_gl::lastFailure(); }

} // namespace AESDK_OpenGL
