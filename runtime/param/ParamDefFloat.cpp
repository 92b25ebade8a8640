#include "param/ParamDefFloat.h"

#include "io/BReader.h"

namespace tavrix {

ParamDefFloat::ParamDefFloat() : minValue(0.0f), maxValue(0.0f), defaultValue(0.0f), paramID(nullptr) {}

ParamDefFloat::~ParamDefFloat() {}

void ParamDefFloat::readV2(BReader& reader, MemoryParam*)
{
    minValue = reader.readFloat();
    maxValue = reader.readFloat();
    defaultValue = reader.readFloat();
    paramID = reader.readParamID();
}

} // namespace tavrix
