#pragma once

#include "id/ID.h"
#include "type/LDString.h"
#include "type/RefString.h"

namespace tavrix {

class DrawDataID : public ID {
public:
    virtual ~DrawDataID() {}

    static DrawDataID* getID(const LDString& name);
    static DrawDataID* getID(const RefString& name);
    static DrawDataID* getID(const char* name);

    static void releaseStored_notForClientCall();

    const char* toChar() const { return name.c_str(); }
    const LDString& getName() const { return name; }

private:
    friend class ID;
    DrawDataID(const char* bytes, int length) : name(bytes, length, ID::getMemoryParam()) {}

    LDString name;
    static LDVector<DrawDataID*>* idlist;
    static LDHashIndex* idIndex;

};

} // namespace tavrix
