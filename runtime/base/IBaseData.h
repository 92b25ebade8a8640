#pragma once

#include "io/ISerializableV2.h"
#include "type/LDVector.h"

namespace tavrix {

class BaseDataID;
class BReader;
class IBaseContext;
class MemoryParam;
class ModelContext;
class PivotManager;

// A deformer of the model data: read once, shared by every model context.
// Its per-model state lives in the IBaseContext that init creates.
class IBaseData : public ISerializableV2 {
public:
    // getType() values.
    static constexpr int TYPE_BD_AFFINE = 1;
    static constexpr int TYPE_BD_BOX_GRID = 2;

    IBaseData();
    virtual ~IBaseData();

    // Reads baseDataID and targetBaseDataID; deformers read their own fields
    // after it and then readV2_opacity.
    virtual void readV2(BReader& reader, MemoryParam* memParam);
    virtual IBaseContext* init(ModelContext& context) = 0;
    virtual void setupInterpolate(ModelContext& context, IBaseContext* baseContext) = 0;
    virtual void setupTransform(ModelContext& context, IBaseContext* baseContext) = 0;
    // Maps point k read at src[ptOffset + k * ptStep] (x, then y) into this
    // deformer's output space, writing the same indices of dst.
    virtual void transformPoints(ModelContext& context, IBaseContext* baseContext, float* src, float* dst,
                                 int numPts, int ptOffset, int ptStep) = 0;
    virtual int getType() = 0;

    // True when the target is neither null nor the drawing-space root.
    bool needTransform() const;
    // Sets the context's interpolated opacity from pivotOpacity (1 without one).
    void interpolateOpacity(ModelContext& context, PivotManager* pivotManager, IBaseContext* baseContext,
                            bool* outside);
    // The opacity keys: present only in format version 10 and later.
    void readV2_opacity(BReader& reader, MemoryParam* memParam);

    BaseDataID* getBaseDataID() const { return baseDataID; }
    void setBaseDataID(BaseDataID* id) { baseDataID = id; }
    BaseDataID* getTargetBaseDataID() const { return targetBaseDataID; }
    void setTargetBaseDataID(BaseDataID* id) { targetBaseDataID = id; }
    LDVector<float>* getPivotOpacity() const { return pivotOpacity; }

protected:
    BaseDataID* baseDataID;
    BaseDataID* targetBaseDataID;
    bool dirty;
    // Values in the reader's memory; the vector object is deleted with the deformer.
    LDVector<float>* pivotOpacity;
};

} // namespace tavrix
