#include "model/avatar/AvatarPartsItem.h"

#include "base/IBaseData.h"
#include "draw/IDrawData.h"
#include "io/BReader.h"
#include "io/FileFormat2.h"
#include "model/PartsData.h"

namespace tavrix {

int AvatarPartsItem::INSTANCE_COUNT = 0;

AvatarPartsItem::AvatarPartsItem() : partsID(nullptr), baseDataList(nullptr), drawDataList(nullptr)
{
    ++INSTANCE_COUNT;
}

AvatarPartsItem::~AvatarPartsItem()
{
    if (baseDataList) {
        for (int i = baseDataList->size() - 1; i >= 0; --i) delete (*baseDataList)[i];
        delete baseDataList;
    }
    if (drawDataList) {
        for (int i = drawDataList->size() - 1; i >= 0; --i) delete (*drawDataList)[i];
        delete drawDataList;
    }
    --INSTANCE_COUNT;
}

void AvatarPartsItem::readV2(BReader& reader, MemoryParam* memParam)
{
    partsID = reader.readPartsDataID();
    drawDataList = reader.readSerializableList<IDrawData>(memParam, ClassSet(FileFormat2::DDTEXTURE_NO));
    baseDataList = reader.readSerializableList<IBaseData>(
        memParam, ClassSet({FileFormat2::BDAFFINE_NO, FileFormat2::BDBOXGRID_NO}));
}

void AvatarPartsItem::replacePartsData(PartsData& parts)
{
    parts.setBaseData(baseDataList);
    parts.setDrawData(drawDataList);
    baseDataList = nullptr;
    drawDataList = nullptr;
}

} // namespace tavrix
