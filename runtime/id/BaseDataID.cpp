#include "id/BaseDataID.h"

#include <cstring>

namespace tavrix {

LDVector<BaseDataID*>* BaseDataID::idlist_BaseDataID = nullptr;
LDHashIndex* BaseDataID::idIndex = nullptr;
BaseDataID* BaseDataID::dstBaseId = nullptr;

BaseDataID* BaseDataID::DST_BASE_ID()
{
    if (!dstBaseId) dstBaseId = getID("DST_BASE");
    return dstBaseId;
}

BaseDataID* BaseDataID::getID(const LDString& name) { return intern(idlist_BaseDataID, idIndex, 128, name.c_str(), name.length()); }
BaseDataID* BaseDataID::getID(const RefString& name) { return intern(idlist_BaseDataID, idIndex, 128, name.ptr, name.length); }
BaseDataID* BaseDataID::getID(const char* name)
{
    return intern(idlist_BaseDataID, idIndex, 128, name ? name : "", name ? static_cast<int>(std::strlen(name)) : 0);
}

void BaseDataID::releaseStored_notForClientCall()
{
    releaseList(idlist_BaseDataID, idIndex);
    dstBaseId = nullptr;
}

} // namespace tavrix
