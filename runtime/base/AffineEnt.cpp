#include "base/AffineEnt.h"

#include "io/BReader.h"
#include "util/UtDebug.h"

namespace tavrix {

namespace {

// First format version that stores the mirror flags.
const int MIRROR_FLAGS_VERSION = 10;

} // namespace

AffineEnt::AffineEnt()
    : originX(0.0f), originY(0.0f), scaleX(1.0f), scaleY(1.0f), rotationDeg(0.0f), reflectX(false), reflectY(false)
{
}

AffineEnt::~AffineEnt() {}

void AffineEnt::readV2(BReader& reader, MemoryParam*)
{
    originX = reader.readFloat();
    originY = reader.readFloat();
    scaleX = reader.readFloat();
    scaleY = reader.readFloat();
    rotationDeg = reader.readFloat();
    if (reader.getFormatVersion() >= MIRROR_FLAGS_VERSION) {
        reflectX = reader.readBoolean();
        reflectY = reader.readBoolean();
    }
}

void AffineEnt::init(AffineEnt& other)
{
    originX = other.originX;
    originY = other.originY;
    scaleX = other.scaleX;
    scaleY = other.scaleY;
    rotationDeg = other.rotationDeg;
    reflectX = other.reflectX;
    reflectY = other.reflectY;
}

void AffineEnt::clear()
{
    originX = 0.0f;
    originY = 0.0f;
    scaleX = 0.0f;
    scaleY = 0.0f;
    rotationDeg = 0.0f;
    reflectX = false;
    reflectY = false;
}

void AffineEnt::DUMP()
{
    UtDebug::print("origin(%7.2f,%7.2f) scale(%7.2f,%7.2f) rotate(%5.1fdeg)\n", originX, originY, scaleX, scaleY,
                   rotationDeg);
}

} // namespace tavrix
