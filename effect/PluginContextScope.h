#pragma once

#include "GL_base.h"

// The one record of the effect's private OpenGL context, shared by every
// instance.
extern AESDK_OpenGL::AESDK_OpenGL_EffectCommonData S_GLator_EffectCommonData;

// Makes the private context current for the scope and the host's context
// current again when it ends, also when a code is thrown. Scopes do not
// nest: the inner one would take the private context for the host's.
class PluginContextScope {
public:
    PluginContextScope() { AESDK_OpenGL::SetPluginContext(S_GLator_EffectCommonData); }
    ~PluginContextScope() { release(); }
    void release()
    {
        if (!current) return;
        current = false;
        AESDK_OpenGL::SetHostContext(S_GLator_EffectCommonData);
    }

    PluginContextScope(const PluginContextScope&) = delete;
    PluginContextScope& operator=(const PluginContextScope&) = delete;

private:
    bool current = true;
};
