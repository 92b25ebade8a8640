#include "ModelContext.h"

#include <cmath>
#include <cstddef>

#include <algorithm>
#include <functional>

#include "ATavrixModel.h"
#include "base/IBaseContext.h"
#include "base/IBaseData.h"
#include "draw/IDrawContext.h"
#include "draw/IDrawData.h"
#include "graphics/DrawParam.h"
#include "id/BaseDataID.h"
#include "memory/MemoryParam.h"
#include "memory/UtMemory.h"
#include "memory/fixed/MemoryHolderFixed.h"
#include "model/ModelImpl.h"
#include "model/PartsData.h"
#include "model/PartsDataContext.h"
#include "param/ParamDefFloat.h"
#include "param/ParamDefSet.h"
#include "type/LDHashIndex.h"
#include "util/UtHash.h"

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
      baseDataList(nullptr), drawDataList(nullptr), partsDataList(nullptr), baseContextList(nullptr),
      drawContextList(nullptr), partsContextList(nullptr), orderListFirstDrawIndex(nullptr),
      orderListLastDrawIndex(nullptr), nextListDrawIndex(nullptr),
      tmpPivotTableIndices(), tmpT_Array(),
      memoryParam(nullptr), memoryHolderMain(nullptr), memoryHolderGPU(nullptr), paramIndex(nullptr),
      baseDataIndex(nullptr), resultsCurrent(false)
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
    paramIndex = new (memoryParam) LDHashIndex(memoryParam);
    if (!paramIDList || !paramValues || !lastParamValues || !paramMinValues || !paramMaxValues ||
        !savedParamValues || !paramUpdated || !paramIndex) {
        // The table works only with all its lists; without them it stays empty.
        releaseParamTable();
    }
    if (!createStructureLists()) releaseStructure();
}

bool ModelContext::createStructureLists()
{
    baseDataList = new (memoryParam) LDVector<IBaseData*>(memoryParam);
    drawDataList = new (memoryParam) LDVector<IDrawData*>(memoryParam);
    partsDataList = new (memoryParam) LDVector<PartsData*>(memoryParam);
    baseContextList = new (memoryParam) LDVector<IBaseContext*>(memoryParam);
    drawContextList = new (memoryParam) LDVector<IDrawContext*>(memoryParam);
    partsContextList = new (memoryParam) LDVector<PartsDataContext*>(memoryParam);
    orderListFirstDrawIndex = new (memoryParam) LDVector<unsigned short>(memoryParam);
    orderListLastDrawIndex = new (memoryParam) LDVector<unsigned short>(memoryParam);
    nextListDrawIndex = new (memoryParam) LDVector<unsigned short>(memoryParam);
    baseDataIndex = new (memoryParam) LDHashIndex(memoryParam);
    return baseDataList && drawDataList && partsDataList && baseContextList && drawContextList &&
           partsContextList && orderListFirstDrawIndex && orderListLastDrawIndex && nextListDrawIndex &&
           baseDataIndex;
}

void ModelContext::releaseStructure()
{
    deleteList(baseDataList);
    deleteList(drawDataList);
    deleteList(partsDataList);
    deleteList(baseContextList);
    deleteList(drawContextList);
    deleteList(partsContextList);
    deleteList(orderListFirstDrawIndex);
    deleteList(orderListLastDrawIndex);
    deleteList(nextListDrawIndex);
    delete baseDataIndex;
    baseDataIndex = nullptr;
}

ModelContext::~ModelContext()
{
    release();
    releaseParamTable();
    releaseStructure();
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
    delete paramIndex;
    paramIndex = nullptr;
}

void ModelContext::init()
{
    ++initVersion;
    // A context initialised before is rebuilt from scratch, so that the
    // definitions registered again do not duplicate the existing rows.
    if (initVersion > 0) release();

    ModelImpl* modelImpl = model ? model->getModelImpl() : nullptr;
    LDVector<PartsData*>* parts = modelImpl ? modelImpl->getPartsDataList() : nullptr;
    if (parts && baseDataList) {
        MemoryParam* tmp = UtMemory::getTmpMemoryParam();
        LDVector<IBaseData*> tmpBaseData(tmp);
        LDVector<IBaseContext*> tmpContexts(tmp);
        for (int k = 0; k < parts->size(); ++k) {
            PartsData* part = (*parts)[k];
            if (!part) continue;
            PartsDataContext* partContext = part->init(*this);
            partsDataList->push_back(part);
            partsContextList->push_back(partContext);

            LDVector<IBaseData*>* deformers = part->getBaseData();
            for (int i = 0; deformers && i < deformers->size(); ++i) {
                IBaseData* deformer = (*deformers)[i];
                if (!deformer) continue;
                IBaseContext* context = deformer->init(*this);
                if (context) context->setPartsIndex(k);
                tmpBaseData.push_back(deformer);
                tmpContexts.push_back(context);
            }

            LDVector<IDrawData*>* drawables = part->getDrawData();
            for (int i = 0; drawables && i < drawables->size(); ++i) {
                IDrawData* drawable = (*drawables)[i];
                if (!drawable) continue;
                IDrawContext* context = drawable->init(*this);
                if (context) context->setPartsIndex(k);
                drawDataList->push_back(drawable);
                drawContextList->push_back(context);
            }
        }
        orderBaseDataParentsFirst(tmpBaseData, tmpContexts);
    }

    registerParams(modelImpl);
    needSetup = true;
}

namespace {

// Open-addressing table from a deformer identifier to the deformers that
// name it as their parent, in temporary memory.
struct WaiterTable {
    BaseDataID** keys;
    int* firstWaiter;
    bool* triggered;
    int capacity;

    int slot(BaseDataID* key) const
    {
        size_t h = reinterpret_cast<uintptr_t>(key) >> 4;
        int i = static_cast<int>(h * 2654435761u) & (capacity - 1);
        while (keys[i] && keys[i] != key) i = (i + 1) & (capacity - 1);
        return i;
    }
};

template <class T>
T* allocTmp(int count)
{
    return static_cast<T*>(UtMemory::malloc_exe(nullptr, sizeof(T) * static_cast<size_t>(count > 0 ? count : 1)));
}

} // namespace

void ModelContext::orderBaseDataParentsFirst(LDVector<IBaseData*>& tmpBaseData, LDVector<IBaseContext*>& tmpContexts)
{
    // Simulates the repeated passes without rescanning: a deformer is placed
    // in the pass in which its parent is placed when it comes after the
    // parent, else in the next pass. Each pass places its deformers in index
    // order, so a heap per pass gives exactly the order of the passes.
    const int n = tmpBaseData.size();
    BaseDataID* root = BaseDataID::DST_BASE_ID();
    WaiterTable table;
    table.capacity = 16;
    while (table.capacity < 2 * n + 2) table.capacity *= 2;
    table.keys = allocTmp<BaseDataID*>(table.capacity);
    table.firstWaiter = allocTmp<int>(table.capacity);
    table.triggered = allocTmp<bool>(table.capacity);
    int* nextWaiter = allocTmp<int>(n);
    bool* queued = allocTmp<bool>(n);
    int* thisPass = allocTmp<int>(n);
    int* nextPass = allocTmp<int>(n);

    if (table.keys && table.firstWaiter && table.triggered && nextWaiter && queued && thisPass && nextPass) {
        for (int i = 0; i < table.capacity; ++i) {
            table.keys[i] = nullptr;
            table.firstWaiter[i] = -1;
            table.triggered[i] = false;
        }
        int thisCount = 0, nextCount = 0;
        // Waiter lists keep index order: build them from the back.
        for (int i = n - 1; i >= 0; --i) {
            queued[i] = false;
            nextWaiter[i] = -1;
            BaseDataID* target = tmpBaseData[i]->getTargetBaseDataID();
            if (!target || target == root) continue;
            int s = table.slot(target);
            table.keys[s] = target;
            nextWaiter[i] = table.firstWaiter[s];
            table.firstWaiter[s] = i;
        }
        for (int i = 0; i < n; ++i) {
            BaseDataID* target = tmpBaseData[i]->getTargetBaseDataID();
            if (!target || target == root) {
                queued[i] = true;
                thisPass[thisCount++] = i; // already ascending: a valid min-heap
            }
        }
        while (thisCount > 0) {
            while (thisCount > 0) {
                std::pop_heap(thisPass, thisPass + thisCount, std::greater<int>());
                int i = thisPass[--thisCount];
                // A deformer that cannot be appended stays behind like an
                // orphan: its children still wait for it.
                if (!appendBaseData(tmpBaseData[i], tmpContexts[i])) continue;
                tmpContexts[i] = nullptr;

                BaseDataID* id = tmpBaseData[i]->getBaseDataID();
                if (!id) continue;
                int s = table.slot(id);
                if (!table.keys[s] || table.triggered[s]) continue;
                table.triggered[s] = true;
                for (int w = table.firstWaiter[s]; w >= 0; w = nextWaiter[w]) {
                    if (queued[w]) continue;
                    queued[w] = true;
                    if (w > i) {
                        thisPass[thisCount++] = w;
                        std::push_heap(thisPass, thisPass + thisCount, std::greater<int>());
                    } else {
                        nextPass[nextCount++] = w;
                    }
                }
            }
            std::swap(thisPass, nextPass);
            thisCount = nextCount;
            nextCount = 0;
            std::make_heap(thisPass, thisPass + thisCount, std::greater<int>());
        }
    }

    // Deformers whose parent never appears are not evaluated; nothing refers
    // to their contexts.
    for (int i = 0; i < n; ++i) delete tmpContexts[i];
    UtMemory::free_exe(table.keys);
    UtMemory::free_exe(table.firstWaiter);
    UtMemory::free_exe(table.triggered);
    UtMemory::free_exe(nextWaiter);
    UtMemory::free_exe(queued);
    UtMemory::free_exe(thisPass);
    UtMemory::free_exe(nextPass);
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
    if (baseDataList) {
        for (int i = baseContextList->size() - 1; i >= 0; --i) delete (*baseContextList)[i];
        for (int i = drawContextList->size() - 1; i >= 0; --i) delete (*drawContextList)[i];
        for (int i = partsContextList->size() - 1; i >= 0; --i) delete (*partsContextList)[i];
        baseDataList->clear();
        drawDataList->clear();
        partsDataList->clear();
        baseContextList->clear();
        drawContextList->clear();
        partsContextList->clear();
        orderListFirstDrawIndex->clear();
        orderListLastDrawIndex->clear();
        nextListDrawIndex->clear();
        baseDataIndex->reset();
    }
    if (!paramIDList) return;
    paramIDList->clear();
    paramValues->clear();
    lastParamValues->clear();
    paramMinValues->clear();
    paramMaxValues->clear();
    savedParamValues->clear();
    paramUpdated->clear();
    paramIndex->reset();
}

bool ModelContext::update()
{
    detectParamChanges();
    if (!baseDataList) {
        clearParamChanges();
        return false;
    }

    const int minOrder = IDrawData::getTotalMinOrder();
    const int bucketCount = IDrawData::getTotalMaxOrder() - minOrder + 1;
    const int drawCount = drawDataList->size();
    // Evaluation depends on nothing but the parameter values and the model
    // data: when no value moved since a complete update of the same
    // structure (same draw-order range and drawables), running it again would
    // compute what is already held, so it is left out, diagnostics included:
    // a missing deformer is reported by the update that evaluates it, not
    // again on every frame that changes nothing.
    if (resultsCurrent && !needSetup && orderListFirstDrawIndex->size() == bucketCount &&
        nextListDrawIndex->size() == drawCount) {
        bool anyChanged = false;
        const int paramCount = getParamCount();
        for (int i = 0; i < paramCount && !anyChanged; ++i) anyChanged = (*paramUpdated)[i] != 0;
        if (!anyChanged) return false;
    }
    resultsCurrent = false;
    // The lists keep their capacity, so after the first update this allocates nothing.
    if (!orderListFirstDrawIndex->updateSize(bucketCount, NO_DRAW_INDEX) ||
        !orderListLastDrawIndex->updateSize(bucketCount, NO_DRAW_INDEX) ||
        !nextListDrawIndex->updateSize(drawCount, NO_DRAW_INDEX)) {
        orderListFirstDrawIndex->updateSize(0, NO_DRAW_INDEX);
        clearParamChanges();
        return false;
    }
    for (int b = 0; b < bucketCount; ++b) {
        (*orderListFirstDrawIndex)[b] = NO_DRAW_INDEX;
        (*orderListLastDrawIndex)[b] = NO_DRAW_INDEX;
    }
    for (int i = 0; i < drawCount; ++i) (*nextListDrawIndex)[i] = NO_DRAW_INDEX;

    for (int i = 0; i < baseDataList->size(); ++i) {
        IBaseData* deformer = (*baseDataList)[i];
        IBaseContext* context = (*baseContextList)[i];
        if (!deformer || !context) continue;
        deformer->setupInterpolate(*this, context);
        deformer->setupTransform(*this, context);
    }

    for (int i = 0; i < drawCount; ++i) {
        IDrawData* drawable = (*drawDataList)[i];
        IDrawContext* context = (*drawContextList)[i];
        if (!drawable || !context) continue;
        drawable->setupInterpolate(*this, context);
        drawable->setupTransform(*this, context);
        // The context keeps the interpolated order; only the bucket is
        // clamped, since the integer blend may fall just outside the range.
        int bucket = drawable->getDrawOrder(*this, context) - minOrder;
        if (bucket < 0) bucket = 0;
        else if (bucket >= bucketCount) bucket = bucketCount - 1;
        unsigned short last = (*orderListLastDrawIndex)[bucket];
        if (last != NO_DRAW_INDEX) (*nextListDrawIndex)[last] = static_cast<unsigned short>(i);
        else (*orderListFirstDrawIndex)[bucket] = static_cast<unsigned short>(i);
        (*orderListLastDrawIndex)[bucket] = static_cast<unsigned short>(i);
    }

    clearParamChanges();
    resultsCurrent = true;
    return false;
}

void ModelContext::draw(DrawParam& drawParam)
{
    drawParam.setupDraw();
    walkDrawOrder([&](unsigned int index, IDrawContext* context) {
        int part = context->getPartsIndex();
        if (part >= 0 && part < partsContextList->size() && (*partsContextList)[part]) {
            context->partsOpacity = (*partsContextList)[part]->getPartsOpacity();
        }
        (*drawDataList)[index]->draw(drawParam, *this, context);
    });
}

void ModelContext::updateZBuffer_TestImpl(float startZ, float stepZ)
{
    float z = startZ;
    walkDrawOrder([&](unsigned int index, IDrawContext* context) {
        (*drawDataList)[index]->setZ_TestImpl(*this, context, z);
        z += stepZ;
    });
}

void ModelContext::deviceLost()
{
    for (int i = 0; i < getDrawDataCount(); ++i) {
        if ((*drawDataList)[i]) (*drawDataList)[i]->deviceLost((*drawContextList)[i]);
    }
}

int ModelContext::getDrawDataIndex(DrawDataID* drawDataID)
{
    for (int i = getDrawDataCount() - 1; i >= 0; --i) {
        IDrawData* drawable = (*drawDataList)[i];
        if (drawable && drawable->getDrawDataID() == drawDataID) return i;
    }
    return -1;
}

int ModelContext::getPartsDataIndex(PartsDataID* partsDataID)
{
    for (int i = getPartsDataCount() - 1; i >= 0; --i) {
        PartsData* part = (*partsDataList)[i];
        if (part && part->getPartsDataID() == partsDataID) return i;
    }
    return -1;
}

void ModelContext::setPartsOpacity(int index, float opacity)
{
    if (index >= 0 && index < getPartsDataCount() && (*partsContextList)[index]) {
        (*partsContextList)[index]->setPartsOpacity(opacity);
    }
}

float ModelContext::getPartsOpacity(int index)
{
    // The index must be valid; a bad one reads as a hidden part rather than crashing.
    if (index < 0 || index >= getPartsDataCount() || !(*partsContextList)[index]) return 0.0f;
    return (*partsContextList)[index]->getPartsOpacity();
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

int ModelContext::findParamIndex(ParamID* paramID) const
{
    if (!paramID || !paramIndex) return -1;
    return paramIndex->find(UtHash::hashPointer(paramID), [&](int row) { return (*paramIDList)[row] == paramID; });
}

int ModelContext::getParamIndex(ParamID* paramID)
{
    if (!paramID) return -1;
    const int index = findParamIndex(paramID);
    if (index >= 0) return index;
    return addFloatParam(paramID, 0.0f, UNDEFINED_PARAM_MIN, UNDEFINED_PARAM_MAX);
}

int ModelContext::addFloatParam(ParamID* paramID, float value, float min, float max)
{
    if (!paramIDList) return -1;
    const int index = paramIDList->size();
    // Reserve every list first so that a failed allocation cannot leave the
    // parallel lists with different lengths.
    if (!paramIDList->prepareAppend() || !paramValues->prepareAppend() || !lastParamValues->prepareAppend() ||
        !paramMinValues->prepareAppend() || !paramMaxValues->prepareAppend() || !paramUpdated->prepareAppend() ||
        !paramIndex->put(UtHash::hashPointer(paramID), index,
                         [&](int row) { return (*paramIDList)[row] == paramID; })) {
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
    if (count > saved && savedParamValues->prepareAppend(count - saved)) {
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

namespace {

// Whether entry i of the deformer list is a deformer with that identifier.
struct HoldsBaseData {
    const LDVector<IBaseData*>& list;
    BaseDataID* id;
    bool operator()(int i) const { return list[i] && list[i]->getBaseDataID() == id; }
};

} // namespace

int ModelContext::getBaseDataIndex(BaseDataID* baseDataID) const
{
    if (!baseDataList) return -1;
    return baseDataIndex->find(UtHash::hashPointer(baseDataID), HoldsBaseData{*baseDataList, baseDataID});
}

bool ModelContext::appendBaseData(IBaseData* baseData, IBaseContext* baseContext)
{
    const int index = baseDataList->size();
    if (!baseDataList->prepareAppend() || !baseContextList->prepareAppend()) return false;
    if (baseData) {
        BaseDataID* id = baseData->getBaseDataID();
        if (!baseDataIndex->put(UtHash::hashPointer(id), index, HoldsBaseData{*baseDataList, id})) return false;
    }
    baseDataList->push_back(baseData);
    baseContextList->push_back(baseContext);
    return true;
}

void ModelContext::reindexBaseData()
{
    baseDataIndex->reset();
    for (int i = 0; i < baseDataList->size(); ++i) {
        IBaseData* baseData = (*baseDataList)[i];
        if (!baseData) continue;
        BaseDataID* id = baseData->getBaseDataID();
        baseDataIndex->put(UtHash::hashPointer(id), i, HoldsBaseData{*baseDataList, id});
    }
}

IBaseData* ModelContext::getBaseData(unsigned int index) const
{
    return baseDataList && index < static_cast<unsigned int>(baseDataList->size()) ? (*baseDataList)[index] : nullptr;
}

IBaseContext* ModelContext::getBaseContext(unsigned int index) const
{
    return baseContextList && index < static_cast<unsigned int>(baseContextList->size()) ? (*baseContextList)[index]
                                                                                         : nullptr;
}

void ModelContext::setBaseData(unsigned int index, IBaseData* baseData)
{
    if (!baseDataList || index >= static_cast<unsigned int>(baseDataList->size())) return;
    (*baseDataList)[index] = baseData;
    // The replaced identifier may now belong to an earlier entry.
    reindexBaseData();
    resultsCurrent = false;
}

bool ModelContext::addBaseData_notForClientCall(IBaseData* baseData, IBaseContext* baseContext)
{
    if (!baseDataList || !appendBaseData(baseData, baseContext)) return false;
    resultsCurrent = false;
    return true;
}

} // namespace tavrix
