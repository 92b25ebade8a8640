#include "id/ParamID.h"

#include <cstring>

namespace tavrix {

LDVector<ParamID*>* ParamID::idlist = nullptr;
LDHashIndex* ParamID::idIndex = nullptr;

ParamID* ParamID::getID(const LDString& name) { return intern(idlist, idIndex, 64, name.c_str(), name.length()); }
ParamID* ParamID::getID(const RefString& name) { return intern(idlist, idIndex, 64, name.ptr, name.length); }
ParamID* ParamID::getID(const char* name)
{
    return intern(idlist, idIndex, 64, name ? name : "", name ? static_cast<int>(std::strlen(name)) : 0);
}

void ParamID::releaseStored_notForClientCall()
{
    releaseList(idlist, idIndex);
}

} // namespace tavrix
