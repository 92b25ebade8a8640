#include "id/DrawDataID.h"

#include <cstring>

namespace tavrix {

LDVector<DrawDataID*>* DrawDataID::idlist = nullptr;
LDHashIndex* DrawDataID::idIndex = nullptr;

DrawDataID* DrawDataID::getID(const LDString& name) { return intern(idlist, idIndex, 256, name.c_str(), name.length()); }
DrawDataID* DrawDataID::getID(const RefString& name) { return intern(idlist, idIndex, 256, name.ptr, name.length); }
DrawDataID* DrawDataID::getID(const char* name)
{
    return intern(idlist, idIndex, 256, name ? name : "", name ? static_cast<int>(std::strlen(name)) : 0);
}

void DrawDataID::releaseStored_notForClientCall()
{
    releaseList(idlist, idIndex);
}

} // namespace tavrix
