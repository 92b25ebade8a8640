#include "model/ModelImpl.h"

#include "io/BReader.h"
#include "io/FileFormat2.h"
#include "memory/MemoryParam.h"
#include "memory/fixed/MemoryHolderFixed.h"
#include "model/PartsData.h"
#include "param/ParamDefSet.h"

namespace tavrix {

int ModelImpl::INSTANCE_COUNT = 0;

ModelImpl::ModelImpl()
    : paramDefSet(nullptr), partsDataList(nullptr), canvasWidth(0), canvasHeight(0), memoryParam(nullptr),
      memoryHolderFixedMain(nullptr), memoryHolderFixedGPU(nullptr), formatVersion(0)
{
    ++INSTANCE_COUNT;
    memoryHolderFixedMain = new MemoryHolderFixed(LDAllocator::MAIN, "ModelImpl", MemoryHolderFixed::defaultPageSize);
    memoryHolderFixedGPU = new MemoryHolderFixed(LDAllocator::GPU, "ModelImpl-GPU", MemoryHolderFixed::defaultPageSize);
    memoryParam = new MemoryParam(memoryHolderFixedMain, memoryHolderFixedGPU);
}

ModelImpl::~ModelImpl()
{
    delete paramDefSet;
    if (partsDataList) {
        for (int i = partsDataList->size() - 1; i >= 0; --i) delete (*partsDataList)[i];
        delete partsDataList;
    }
    // Deleting the holders releases every array and string of the model at once.
    delete memoryParam;
    delete memoryHolderFixedMain;
    delete memoryHolderFixedGPU;
    --INSTANCE_COUNT;
}

void ModelImpl::readV2(BReader& reader, MemoryParam*)
{
    int firstLoaded = reader.getLoadedObjectCount();
    formatVersion = reader.getFormatVersion();
    paramDefSet = reader.readSerializableAs<ParamDefSet>(memoryParam, ClassSet(FileFormat2::PARAM_DEF_SET_NO));
    partsDataList = reader.readSerializableList<PartsData>(memoryParam, ClassSet(FileFormat2::PARTS_DATA_NO));
    canvasWidth = reader.readInt();
    canvasHeight = reader.readInt();
    // What stayed unclaimed in here lives in this model's memory, so it must
    // go before the model can.
    reader.releaseUnclaimed(firstLoaded);
}

void ModelImpl::initDirect()
{
    if (!paramDefSet) {
        paramDefSet = new ParamDefSet();
        if (paramDefSet) paramDefSet->initDirect(memoryParam);
    }
    if (!partsDataList) partsDataList = new LDVector<PartsData*>(memoryParam);
}

} // namespace tavrix
