// Where puppets are drawn: an offscreen OpenGL context of the calling thread
// with the model runtime started for it. A program keeps one per drawing
// thread; puppets loaded into a stage are drawn, changed and freed on that
// thread while the stage lives.
#pragma once

#include <string>

#include "ImageFile.h"
#include "OffscreenContext.h"

namespace tavrix_stage {

class Puppet;

class Stage {
public:
    Stage() = default;
    // Stops the runtime and closes the context; its puppets must be freed
    // before.
    ~Stage();

    // Opens the context, makes it current and starts the runtime.
    bool open(std::string& why);
    // Makes the stage's context current again, after another context was.
    bool makeCurrent() { return context.makeCurrent(); }
    // Room to draw width x height; false with the reason when OpenGL cannot
    // draw that size (a draw at that size would then fail too).
    bool reserve(int width, int height, std::string& why);

    // The puppet as it stands (its last update), drawn into a transparent
    // picture of width x height placed as the puppet says, and read back
    // with straight alpha. False with the reason when OpenGL cannot draw
    // that size.
    bool draw(Puppet& puppet, int width, int height, tavrix_media::RgbaImage& image, std::string& why);
    // The same picture with premultiplied colour, as OpenGL drew it, for
    // laying over other pictures without a round trip through straight alpha.
    bool drawPremultiplied(Puppet& puppet, int width, int height, tavrix_media::RgbaImage& image, std::string& why);
    // A picture with nothing drawn in it, read back the same way.
    bool drawNothing(int width, int height, tavrix_media::RgbaImage& image, std::string& why);

    Stage(const Stage&) = delete;
    Stage& operator=(const Stage&) = delete;

private:
    bool prepare(int width, int height, std::string& why);
    void readBackPremultiplied(tavrix_media::RgbaImage& image);

    tavrix_gl::OffscreenContext context;
    bool runtimeStarted = false;
};

} // namespace tavrix_stage
