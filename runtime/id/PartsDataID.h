#pragma once

#include "id/ID.h"
#include "type/LDString.h"
#include "type/RefString.h"

namespace tavrix {

class PartsDataID : public ID {
public:
    virtual ~PartsDataID() {}

    static PartsDataID* getID(const LDString& name);
    static PartsDataID* getID(const RefString& name);
    static PartsDataID* getID(const char* name);

    static void releaseStored_notForClientCall();

    const char* toChar() const { return name.c_str(); }
    const LDString& getName() const { return name; }

private:
    friend class ID;
    PartsDataID(const char* bytes, int length) : name(bytes, length, ID::getMemoryParam()) {}

    LDString name;
    static LDVector<PartsDataID*>* idlist;
    static LDHashIndex* idIndex;

};

} // namespace tavrix
