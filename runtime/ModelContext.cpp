#include "ModelContext.h"

#include <cmath>
#include <cstddef>

#include "base/IBaseContext.h"
#include "base/IBaseData.h"
#include "memory/MemoryParam.h"
#include "memory/UtMemory.h"
#include "memory/fixed/MemoryHolderFixed.h"
#include "model/ModelImpl.h"
#include "param/ParamDefFloat.h"
#include "param/ParamDefSet.h"

namespace tavrix {

namespace {

// Bounds of a parameter the model does not define.
const float UNDEFINED_PARAM_MIN = -1000000.0f;
const float UNDEFINED_PARAM_MAX = 1000000.0f;

template <class T>
void deleteList(LDVector<T>*& list)
{
    delete list;
    list = nullptr;
}

} // namespace

ModelContext::ModelContext(ATavrixModel* model)
    : needSetup(true), model(model), initVersion(-1),
      paramIDList(nullptr), paramValues(nullptr), lastParamValues(nullptr), paramMinValues(nullptr),
      paramMaxValues(nullptr), savedParamValues(nullptr), paramUpdated(nullptr),
      baseDataList(nullptr), baseContextList(nullptr), tmpPivotTableIndices(), tmpT_Array(),
      memoryParam(nullptr), memoryHolderMain(nullptr), memoryHolderGPU(nullptr)
{
    MemoryParam* tmp = UtMemory::getTmpMemoryParam();
    memoryHolderMain = new (tmp) MemoryHolderFixed(LDAllocator::MAIN, "ModelContext");
    memoryHolderGPU = new (tmp) MemoryHolderFixed(LDAllocator::GPU, "ModelContext-GPU");
    memoryParam = new (tmp) MemoryParam(memoryHolderMain, memoryHolderGPU);
    if (!memoryHolderMain || !memoryHolderGPU || !memoryParam) return;

    paramIDList = new (memoryParam) LDVector<ParamID*>(memoryParam);
    paramValues = new (memoryParam) LDVector<float>(memoryParam);
    lastParamValues = new (memoryParam) LDVector<float>(memoryParam);
    paramMinValues = new (memoryParam) LDVector<float>(memoryParam);
    paramMaxValues = new (memoryParam) LDVector<float>(memoryParam);
    savedParamValues = new (memoryParam) LDVector<float>(memoryParam);
    paramUpdated = new (memoryParam) LDVector<char>(memoryParam);
    if (!paramIDList || !paramValues || !lastParamValues || !paramMinValues || !paramMaxValues ||
        !savedParamValues || !paramUpdated) {
        // The table works only with all its lists; without them it stays empty.
        releaseParamTable();
    }
    baseDataList = new (memoryParam) LDVector<IBaseData*>(memoryParam);
    baseContextList = new (memoryParam) LDVector<IBaseContext*>(memoryParam);
    if (!baseDataList || !baseContextList) {
        deleteList(baseDataList);
        deleteList(baseContextList);
    }
}

ModelContext::~ModelContext()
{
    release();
    releaseParamTable();
    deleteList(baseDataList);
    deleteList(baseContextList);
    // The lists above keep their storage in these holders, so they go first.
    delete memoryParam;
    delete memoryHolderGPU;
    delete memoryHolderMain;
}

void ModelContext::releaseParamTable()
{
    deleteList(paramIDList);
    deleteList(paramValues);
    deleteList(lastParamValues);
    deleteList(paramMinValues);
    deleteList(paramMaxValues);
    deleteList(savedParamValues);
    deleteList(paramUpdated);
}

void ModelContext::init()
{
    ++initVersion;
    // A context initialised before is rebuilt from scratch, so that the
    // definitions registered again do not duplicate the existing rows.
    if (initVersion > 0) release();
    needSetup = true;
}

void ModelContext::registerParams(const ModelImpl* modelImpl)
{
    if (!modelImpl || !modelImpl->getParamDefSet()) return;
    const LDVector<ParamDefFloat*>* definitions = modelImpl->getParamDefSet()->getParamDefFloatList();
    if (!definitions) return;
    for (int i = 0; i < definitions->size(); ++i) {
        const ParamDefFloat* definition = (*definitions)[i];
        if (!definition) continue;
        addFloatParam(definition->getParamID(), definition->getDefaultValue(), definition->getMinValue(),
                      definition->getMaxValue());
    }
}

void ModelContext::release()
{
    if (baseContextList) {
        for (int i = baseContextList->size() - 1; i >= 0; --i) delete (*baseContextList)[i];
        baseContextList->clear();
        baseDataList->clear();
    }
    if (!paramIDList) return;
    paramIDList->clear();
    paramValues->clear();
    lastParamValues->clear();
    paramMinValues->clear();
    paramMaxValues->clear();
    savedParamValues->clear();
    paramUpdated->clear();
}

bool ModelContext::update()
{
    detectParamChanges();
    clearParamChanges();
    return false;
}

void ModelContext::detectParamChanges()
{
    const int count = getParamCount();
    for (int i = 0; i < count; ++i) {
        const float value = (*paramValues)[i];
        // A NaN on either side compares unequal and so counts as a change.
        if (!(value == (*lastParamValues)[i])) {
            (*paramUpdated)[i] = 1;
            (*lastParamValues)[i] = value;
        }
    }
}

void ModelContext::clearParamChanges()
{
    const int count = getParamCount();
    for (int i = 0; i < count; ++i) (*paramUpdated)[i] = 0;
    needSetup = false;
}

int ModelContext::getBaseDataIndex(BaseDataID* baseDataID)
{
    for (int i = getBaseDataCount() - 1; i >= 0; --i) {
        IBaseData* baseData = (*baseDataList)[i];
        if (baseData && baseData->getBaseDataID() == baseDataID) return i;
    }
    return -1;
}

int ModelContext::addBaseData(IBaseData* baseData, IBaseContext* baseContext)
{
    const int index = getBaseDataCount();
    if (!baseDataList || !baseDataList->prepare_capacity(index + 1) || !baseContextList->prepare_capacity(index + 1)) {
        delete baseContext;
        return -1;
    }
    baseDataList->push_back(baseData);
    baseContextList->push_back(baseContext);
    return index;
}

int ModelContext::getParamIndex(ParamID* paramID)
{
    if (!paramID) return -1;
    for (int i = getParamCount() - 1; i >= 0; --i) {
        if ((*paramIDList)[i] == paramID) return i;
    }
    return addFloatParam(paramID, 0.0f, UNDEFINED_PARAM_MIN, UNDEFINED_PARAM_MAX);
}

int ModelContext::addFloatParam(ParamID* paramID, float value, float min, float max)
{
    if (!paramIDList) return -1;
    const int index = paramIDList->size();
    // Reserve every list first so that a failed allocation cannot leave the
    // parallel lists with different lengths.
    if (!paramIDList->prepare_capacity(index + 1) || !paramValues->prepare_capacity(index + 1) ||
        !lastParamValues->prepare_capacity(index + 1) || !paramMinValues->prepare_capacity(index + 1) ||
        !paramMaxValues->prepare_capacity(index + 1) || !paramUpdated->prepare_capacity(index + 1)) {
        return -1;
    }
    paramIDList->push_back(paramID);
    paramValues->push_back(value);
    lastParamValues->push_back(value);
    paramMinValues->push_back(min);
    paramMaxValues->push_back(max);
    paramUpdated->push_back(1);
    return index;
}

void ModelContext::setParamFloat(unsigned int index, float value)
{
    if (std::isnan(value)) value = 0.0f;
    if (index >= static_cast<unsigned int>(getParamCount())) return;
    if (value < (*paramMinValues)[index]) value = (*paramMinValues)[index];
    else if (value > (*paramMaxValues)[index]) value = (*paramMaxValues)[index];
    (*paramValues)[index] = value;
}

float ModelContext::getParamFloat(unsigned int index) const
{
    return index < static_cast<unsigned int>(getParamCount()) ? (*paramValues)[index] : 0.0f;
}

float ModelContext::getParamMin(unsigned int index) const
{
    return index < static_cast<unsigned int>(getParamCount()) ? (*paramMinValues)[index] : 0.0f;
}

float ModelContext::getParamMax(unsigned int index) const
{
    return index < static_cast<unsigned int>(getParamCount()) ? (*paramMaxValues)[index] : 0.0f;
}

bool ModelContext::isParamUpdated(int index) const
{
    return index >= 0 && index < getParamCount() && (*paramUpdated)[index] == 1;
}

ParamID* ModelContext::getParamID(unsigned int index) const
{
    return index < static_cast<unsigned int>(getParamCount()) ? (*paramIDList)[index] : nullptr;
}

void ModelContext::saveParam()
{
    const int count = getParamCount();
    if (count == 0) return;
    const int saved = savedParamValues->size();
    for (int i = 0; i < count && i < saved; ++i) (*savedParamValues)[i] = (*paramValues)[i];
    if (count > saved && savedParamValues->prepare_capacity(count)) {
        for (int i = saved; i < count; ++i) savedParamValues->push_back((*paramValues)[i]);
    }
}

void ModelContext::loadParam()
{
    const int count = getParamCount();
    if (count == 0) return;
    const int saved = savedParamValues->size();
    for (int i = 0; i < count && i < saved; ++i) (*paramValues)[i] = (*savedParamValues)[i];
}

} // namespace tavrix
