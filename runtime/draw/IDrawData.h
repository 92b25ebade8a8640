#pragma once

#include "io/ISerializableV2.h"
#include "type/LDVector.h"

namespace tavrix {

class BaseDataID;
class BReader;
class DrawDataID;
class DrawParam;
class IDrawContext;
class MemoryParam;
class ModelContext;
class PivotManager;

// A drawable of the model data: read once, shared by every model context.
// Its per-model state lives in the IDrawContext that init creates.
class IDrawData : public ISerializableV2 {
public:
    // getType() of a textured mesh.
    static constexpr int TYPE_DD_TEXTURE = 2;
    // Process-wide draw-order range starts here.
    static constexpr int DEFAULT_ORDER = 500;
    // Keyed draw orders a model may hold.
    static constexpr int MIN_VALID_ORDER = -65536;
    static constexpr int MAX_VALID_ORDER = 65536;

    IDrawData();
    // Releases the pivot manager and both pivot vectors.
    virtual ~IDrawData();
    // Reads the common fields and widens the process-wide draw-order range.
    virtual void readV2(BReader& reader, MemoryParam* memParam);
    virtual IDrawContext* init(ModelContext& context) = 0;
    // Interpolates draw order and opacity.
    virtual void setupInterpolate(ModelContext& context, IDrawContext* drawContext);
    virtual void setupTransform(ModelContext& context, IDrawContext* drawContext);
    virtual void draw(DrawParam& drawParam, ModelContext& context, IDrawContext* drawContext) = 0;
    virtual int getType();
    virtual void deviceLost(IDrawContext* drawContext);
    virtual void setZ_TestImpl(ModelContext& context, IDrawContext* drawContext, float z);

    int getDrawOrder(ModelContext& context, IDrawContext* drawContext);
    float getOpacity(ModelContext& context, IDrawContext* drawContext);
    // True when the target is neither null nor the drawing-space root.
    bool needTransform() const;
    // Widens the process-wide range to cover every value (last to first).
    static void setDrawOrder(LDVector<int>* orders);
    static int getTotalMinOrder() { return totalMinOrder; }
    static int getTotalMaxOrder() { return totalMaxOrder; }

    DrawDataID* getDrawDataID() const { return drawDataID; }
    void setDrawDataID(DrawDataID* id) { drawDataID = id; }
    BaseDataID* getTargetBaseDataID() const { return targetBaseDataID; }
    void setTargetBaseDataID(BaseDataID* id) { targetBaseDataID = id; }
    PivotManager* getPivotManager() const { return pivotManager; }
    LDVector<int>* getPivotDrawOrder() const { return pivotDrawOrder; }
    LDVector<float>* getPivotOpacity() const { return pivotOpacity; }

protected:
    PivotManager* pivotManager;
    int reservedOrder;
    DrawDataID* drawDataID;
    BaseDataID* targetBaseDataID;
    LDVector<int>* pivotDrawOrder;
    LDVector<float>* pivotOpacity;

    static int totalMinOrder;
    static int totalMaxOrder;
};

} // namespace tavrix
