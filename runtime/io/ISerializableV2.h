#pragma once

#include "memory/LDObject.h"

namespace tavrix {

class BReader;
class MemoryParam;

// Every class the model stream can create. readV2 reads the object's own
// fields; what it keeps is allocated through memParam unless the class says
// otherwise. Tagged fields are taken with BReader's typed reads, which hand
// the object its ownership (see BReader).
class ISerializableV2 : public LDObject {
public:
    virtual ~ISerializableV2() {}
    virtual void readV2(BReader& reader, MemoryParam* memParam) = 0;
};

} // namespace tavrix
