#pragma once

namespace tavrix {

// Brackets a model draw inside a host that keeps its own OpenGL state:
// preDraw records what setupDraw and drawTexture change, postDraw puts it
// back. The record is process-wide, so one bracket may be open at a time.
class DrawProfileCocos2D {
public:
    static void preDraw();
    static void postDraw();

private:
    static void my_setEnableVertexAttribArray(unsigned int index, bool enabled);
    static void my_setEnable(unsigned int cap, bool enabled);
};

} // namespace tavrix
