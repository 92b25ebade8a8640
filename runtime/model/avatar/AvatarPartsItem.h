#pragma once

#include "io/ISerializableV2.h"
#include "type/LDVector.h"

namespace tavrix {

class BReader;
class MemoryParam;
class PartsData;
class PartsDataID;
class IBaseData;
class IDrawData;

// A replacement set for one part: its own deformers and drawables, which a
// PartsData can take over.
class AvatarPartsItem : public ISerializableV2 {
public:
    static int INSTANCE_COUNT;

    AvatarPartsItem();
    virtual ~AvatarPartsItem();
    // Stream order: parts identifier, drawable list, deformer list.
    virtual void readV2(BReader& reader, MemoryParam* memParam);

    // Hands both lists to the part (which deletes what it held before) and
    // forgets them.
    void replacePartsData(PartsData& parts);

    PartsDataID* getPartsDataID() const { return partsID; }
    LDVector<IBaseData*>* getBaseData() const { return baseDataList; }
    LDVector<IDrawData*>* getDrawData() const { return drawDataList; }

private:
    PartsDataID* partsID;
    LDVector<IBaseData*>* baseDataList;
    LDVector<IDrawData*>* drawDataList;
};

} // namespace tavrix
