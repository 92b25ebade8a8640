#include "id/PartsDataID.h"

#include <cstring>

namespace tavrix {

LDVector<PartsDataID*>* PartsDataID::idlist = nullptr;
LDHashIndex* PartsDataID::idIndex = nullptr;

PartsDataID* PartsDataID::getID(const LDString& name) { return intern(idlist, idIndex, 64, name.c_str(), name.length()); }
PartsDataID* PartsDataID::getID(const RefString& name) { return intern(idlist, idIndex, 64, name.ptr, name.length); }
PartsDataID* PartsDataID::getID(const char* name)
{
    return intern(idlist, idIndex, 64, name ? name : "", name ? static_cast<int>(std::strlen(name)) : 0);
}

void PartsDataID::releaseStored_notForClientCall()
{
    releaseList(idlist, idIndex);
}

} // namespace tavrix
