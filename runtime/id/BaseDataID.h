#pragma once

#include "id/ID.h"
#include "type/LDString.h"
#include "type/RefString.h"

namespace tavrix {

class BaseDataID : public ID {
public:
    virtual ~BaseDataID() {}

    static BaseDataID* getID(const LDString& name);
    static BaseDataID* getID(const RefString& name);
    static BaseDataID* getID(const char* name);
    // The root of the deformer tree: drawing space itself.
    static BaseDataID* DST_BASE_ID();
    static void releaseStored_notForClientCall();

    const char* toChar() const { return name.c_str(); }
    const LDString& getName() const { return name; }

private:
    friend class ID;
    BaseDataID(const char* bytes, int length) : name(bytes, length, ID::getMemoryParam()) {}

    LDString name;
    static LDVector<BaseDataID*>* idlist_BaseDataID;
    static LDHashIndex* idIndex;
    static BaseDataID* dstBaseId;
};

} // namespace tavrix
