#pragma once

#include "io/ISerializableV2.h"
#include "type/LDVector.h"

namespace tavrix {

class AMemoryHolder;
class BReader;
class MemoryParam;
class ParamDefSet;
class PartsData;

// Root of the loaded model data: parameter definitions, parts and canvas
// size. Everything below it is read into the model's own memory, which is
// released with the model.
class ModelImpl : public ISerializableV2 {
public:
    static int INSTANCE_COUNT;

    ModelImpl();
    virtual ~ModelImpl();
    // Reads with the model's own memory whatever memParam it is handed.
    virtual void readV2(BReader& reader, MemoryParam* memParam);

    // Creates an empty parameter set and parts list where missing, for a
    // model assembled in code.
    void initDirect();

    // Null only when the stream gave none.
    ParamDefSet* getParamDefSet() const { return paramDefSet; }
    LDVector<PartsData*>* getPartsDataList() const { return partsDataList; }
    float getCanvasWidth() const { return static_cast<float>(canvasWidth); }
    float getCanvasHeight() const { return static_cast<float>(canvasHeight); }
    MemoryParam* getMemoryParam() const { return memoryParam; }
    // Stream format version the data was read with (0 when built in code).
    int getFormatVersion() const { return formatVersion; }

private:
    ParamDefSet* paramDefSet;
    LDVector<PartsData*>* partsDataList;
    int canvasWidth;
    int canvasHeight;
    MemoryParam* memoryParam;
    AMemoryHolder* memoryHolderFixedMain;
    AMemoryHolder* memoryHolderFixedGPU;
    int formatVersion;
};

} // namespace tavrix
