#include "Stage.h"

#include "Puppet.h"
#include "Tavrix.h"
#include "TavrixModelOpenGL.h"

namespace tavrix_stage {

Stage::~Stage()
{
    if (runtimeStarted) tavrix::Tavrix::dispose();
}

bool Stage::open(std::string& why)
{
    if (!context.open(why)) return false;
    tavrix::Tavrix::init();
    runtimeStarted = true;
    return true;
}

bool Stage::reserve(int width, int height, std::string& why)
{
    return context.prepare(width, height, why);
}

bool Stage::prepare(int width, int height, std::string& why)
{
    if (!context.prepare(width, height, why)) return false;
    context.clear();
    return true;
}

void Stage::readBackPremultiplied(tavrix_media::RgbaImage& image)
{
    context.readPixels(image.pixels);
    image.width = static_cast<unsigned>(context.width());
    image.height = static_cast<unsigned>(context.height());
}

bool Stage::drawPremultiplied(Puppet& puppet, int width, int height, tavrix_media::RgbaImage& image, std::string& why)
{
    if (!prepare(width, height, why)) return false;
    puppet.project(width, height);
    puppet.model().draw();
    readBackPremultiplied(image);
    return true;
}

bool Stage::draw(Puppet& puppet, int width, int height, tavrix_media::RgbaImage& image, std::string& why)
{
    if (!drawPremultiplied(puppet, width, height, image, why)) return false;
    tavrix_media::unpremultiply(image);
    return true;
}

bool Stage::drawNothing(int width, int height, tavrix_media::RgbaImage& image, std::string& why)
{
    if (!prepare(width, height, why)) return false;
    readBackPremultiplied(image);
    tavrix_media::unpremultiply(image);
    return true;
}

} // namespace tavrix_stage
