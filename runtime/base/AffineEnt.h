#pragma once

#include "io/ISerializableV2.h"

namespace tavrix {

class BReader;
class MemoryParam;

// One keyed state of a rotation deformer: origin in the parent's coordinates,
// scale, rotation in degrees and mirror flags.
class AffineEnt : public ISerializableV2 {
public:
    AffineEnt();
    virtual ~AffineEnt();
    // Mirror flags are stored from format version 10 on.
    virtual void readV2(BReader& reader, MemoryParam* memParam);

    // Copies all seven fields of other.
    void init(AffineEnt& other);
    // Every field 0 (scale included), no mirroring.
    void clear();
    void DUMP();

    float originX;
    float originY;
    // The uniform scale of the transform (through the context's total scale).
    float scaleX;
    // Interpolated and carried along, never applied.
    float scaleY;
    float rotationDeg;
    bool reflectX;
    bool reflectY;
};

} // namespace tavrix
