#pragma once

#include "io/ISerializableV2.h"
#include "type/LDVector.h"

namespace tavrix {

class BReader;
class MemoryParam;
class ModelContext;
class PartsDataID;
class PartsDataContext;
class IBaseData;
class IDrawData;

// One part of the model: its identifier, initial visibility, and the
// deformers and drawables it owns.
class PartsData : public ISerializableV2 {
public:
    static int INSTANCE_COUNT;

    PartsData();
    virtual ~PartsData();
    virtual void readV2(BReader& reader, MemoryParam* memParam);

    // Empty deformer and drawable lists, for a part assembled in code.
    void initDirect(MemoryParam* memParam);
    // Append; a missing list is created in the temporary memory.
    void addBaseData(IBaseData* baseData);
    void addDrawData(IDrawData* drawData);
    // Replace the list; a different list held before is deleted with its elements.
    void setBaseData(LDVector<IBaseData*>* list);
    void setDrawData(LDVector<IDrawData*>* list);

    // Null only when the stream gave no list.
    LDVector<IBaseData*>* getBaseData() const { return baseDataList; }
    LDVector<IDrawData*>* getDrawData() const { return drawDataList; }
    PartsDataID* getPartsDataID() const { return partsDataID; }
    bool isVisible() const { return visible; }
    bool getReservedFlag() const { return reservedFlag; }

    // This part's per-model state, owned by the caller (the model context):
    // opacity 1 when visible, else 0.
    PartsDataContext* init(ModelContext& context);

private:
    static void deleteList(LDVector<IBaseData*>* list);
    static void deleteList(LDVector<IDrawData*>* list);

    bool visible;
    bool reservedFlag;
    PartsDataID* partsDataID;
    LDVector<IBaseData*>* baseDataList;
    LDVector<IDrawData*>* drawDataList;
};

} // namespace tavrix
