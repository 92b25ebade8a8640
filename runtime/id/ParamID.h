#pragma once

#include "id/ID.h"
#include "type/LDString.h"
#include "type/RefString.h"

namespace tavrix {

class ParamID : public ID {
public:
    virtual ~ParamID() {}

    static ParamID* getID(const LDString& name);
    static ParamID* getID(const RefString& name);
    static ParamID* getID(const char* name);

    static void releaseStored_notForClientCall();

    const char* toChar() const { return name.c_str(); }
    const LDString& getName() const { return name; }

private:
    friend class ID;
    ParamID(const char* bytes, int length) : name(bytes, length, ID::getMemoryParam()) {}

    LDString name;
    static LDVector<ParamID*>* idlist;
    static LDHashIndex* idIndex;

};

} // namespace tavrix
