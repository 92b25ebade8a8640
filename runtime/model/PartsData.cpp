#include "model/PartsData.h"

#include "base/IBaseData.h"
#include "draw/IDrawData.h"
#include "io/BReader.h"
#include "io/FileFormat2.h"
#include "memory/UtMemory.h"
#include "model/PartsDataContext.h"

namespace tavrix {

int PartsData::INSTANCE_COUNT = 0;

PartsData::PartsData()
    : visible(true), reservedFlag(false), partsDataID(nullptr), baseDataList(nullptr), drawDataList(nullptr)
{
    ++INSTANCE_COUNT;
}

PartsData::~PartsData()
{
    deleteList(baseDataList);
    deleteList(drawDataList);
    --INSTANCE_COUNT;
}

void PartsData::deleteList(LDVector<IBaseData*>* list)
{
    if (!list) return;
    for (int i = list->size() - 1; i >= 0; --i) delete (*list)[i];
    delete list;
}

void PartsData::deleteList(LDVector<IDrawData*>* list)
{
    if (!list) return;
    for (int i = list->size() - 1; i >= 0; --i) delete (*list)[i];
    delete list;
}

void PartsData::readV2(BReader& reader, MemoryParam* memParam)
{
    reservedFlag = reader.readBit();
    visible = reader.readBit();
    partsDataID = reader.readPartsDataID();
    baseDataList = reader.readSerializableList<IBaseData>(
        memParam, ClassSet({FileFormat2::BDAFFINE_NO, FileFormat2::BDBOXGRID_NO}));
    drawDataList = reader.readSerializableList<IDrawData>(memParam, ClassSet(FileFormat2::DDTEXTURE_NO));
}

void PartsData::initDirect(MemoryParam* memParam)
{
    if (!memParam) memParam = UtMemory::getTmpMemoryParam();
    if (!baseDataList) baseDataList = new LDVector<IBaseData*>(memParam);
    if (!drawDataList) drawDataList = new LDVector<IDrawData*>(memParam);
}

void PartsData::addBaseData(IBaseData* baseData)
{
    if (!baseDataList) baseDataList = new LDVector<IBaseData*>(UtMemory::getTmpMemoryParam());
    if (baseDataList) baseDataList->push_back(baseData);
}

void PartsData::addDrawData(IDrawData* drawData)
{
    if (!drawDataList) drawDataList = new LDVector<IDrawData*>(UtMemory::getTmpMemoryParam());
    if (drawDataList) drawDataList->push_back(drawData);
}

void PartsData::setBaseData(LDVector<IBaseData*>* list)
{
    if (list != baseDataList) deleteList(baseDataList);
    baseDataList = list;
}

void PartsData::setDrawData(LDVector<IDrawData*>* list)
{
    if (list != drawDataList) deleteList(drawDataList);
    drawDataList = list;
}

PartsDataContext* PartsData::init(ModelContext&)
{
    PartsDataContext* context = new PartsDataContext(this);
    if (context) context->setPartsOpacity(visible ? 1.0f : 0.0f);
    return context;
}

} // namespace tavrix
