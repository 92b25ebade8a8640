#pragma once

#include "Tavrix.h"
#include "draw/IDrawContext.h"
#include "memory/LDObject.h"
#include "type/LDVector.h"

namespace tavrix {

class ATavrixModel;
class BaseDataID;
class DrawDataID;
class DrawParam;
class IBaseContext;
class IBaseData;
class IDrawContext;
class IDrawData;
class LDHashIndex;
class MemoryHolderFixed;
class MemoryParam;
class ModelImpl;
class ParamID;
class PartsData;
class PartsDataContext;
class PartsDataID;

// Per-model evaluation state: the parameter table (one row per parameter
// identifier: value, value seen by the last update, bounds, saved copy,
// changed flag), one context per deformer, drawable and part, the draw-order
// buckets of the last update and the interpolation scratch tables. The model
// data it points into is shared and read-only.
class ModelContext : public LDObject {
public:
    // Entries of the pivot fraction table: up to ten fractions plus the
    // terminator.
    static constexpr int PIVOT_FRACTION_TABLE_SIZE = 11;

    explicit ModelContext(ATavrixModel* model);
    virtual ~ModelContext();

    // A marker of the 16-bit draw index lists: no drawable.
    static const unsigned short NO_DRAW_INDEX = 65535;

    // Builds the structure from the model's data: part, deformer and
    // drawable contexts, deformers ordered parents first, parameters from
    // the definitions. Raises the init version (which invalidates every
    // cached parameter index) and requires a full interpolation next update.
    void init();
    // Appends a row for every (non-null) parameter definition of the model
    // data, in definition order.
    void registerParams(const ModelImpl* modelImpl);
    // Destroys every element context and empties every list of the context.
    void release();
    // Evaluates the model for the current parameters; always returns false.
    // When no parameter moved since the last complete update and the
    // structure is the same, the results held are kept as they are.
    bool update();
    // Draws the available drawables back to front through drawParam.
    void draw(DrawParam& drawParam);
    void deviceLost();
    void updateZBuffer_TestImpl(float startZ, float stepZ);

    // Structure access. Lookups compare identifiers by identity, from the
    // last entry to the first; -1 when absent.
    int getDrawDataIndex(DrawDataID* drawDataID);
    int getPartsDataIndex(PartsDataID* partsDataID);
    IDrawData* getDrawData(unsigned int index) { return (*drawDataList)[index]; }
    IDrawContext* getDrawContext(unsigned int index) { return (*drawContextList)[index]; }
    int getDrawDataCount() const { return drawDataList ? drawDataList->size() : 0; }
    int getBaseDataCount() const { return baseDataList ? baseDataList->size() : 0; }
    int getPartsDataCount() const { return partsDataList ? partsDataList->size() : 0; }
    PartsDataContext* getPartsContext(unsigned int index) { return (*partsContextList)[index]; }
    void setPartsOpacity(int index, float opacity);
    float getPartsOpacity(int index);
    // Calls visit(index, context) for every available drawable in drawing
    // order, as draw does.
    template <class Visit>
    void walkDrawOrder(Visit visit);
    // Draw-order buckets of the last update (empty before the first one).
    const LDVector<unsigned short>* getOrderListFirstDrawIndex() const { return orderListFirstDrawIndex; }
    const LDVector<unsigned short>* getNextListDrawIndex() const { return nextListDrawIndex; }

    // First step of update: marks every parameter whose value differs from
    // the one the last update saw, and remembers the new value.
    void detectParamChanges();
    // Last step of update: clears every changed flag and the setup request.
    void clearParamChanges();

    // Index of the identifier (the last row that holds it). An unknown
    // identifier is added with value 0 and bounds +-1000000; a null one names
    // no parameter and gets -1.
    int getParamIndex(ParamID* paramID);
    // The same lookup without adding: -1 for an identifier without a row.
    int findParamIndex(ParamID* paramID) const;
    // Appends a row and returns its index; -1 when memory runs out (the table
    // is then left unchanged).
    int addFloatParam(ParamID* paramID, float value, float min, float max);
    // NaN stores 0; out-of-range indices are ignored; the value is clamped.
    void setParamFloat(unsigned int index, float value);
    // Reads with an index outside the table give 0.
    float getParamFloat(unsigned int index) const;
    float getParamMin(unsigned int index) const;
    float getParamMax(unsigned int index) const;
    bool isParamUpdated(int index) const;
    int getParamCount() const { return paramIDList ? paramIDList->size() : 0; }
    ParamID* getParamID(unsigned int index) const;
    void saveParam();
    void loadParam();

    // Deformers in evaluation order (every parent before its children), each
    // with its context at the same index. The index of the last non-null
    // entry with that identifier; -1 when absent.
    int getBaseDataIndex(BaseDataID* baseDataID) const;
    IBaseData* getBaseData(unsigned int index) const;
    IBaseContext* getBaseContext(unsigned int index) const;
    // Replaces the deformer when index is below the count, else does nothing.
    void setBaseData(unsigned int index, IBaseData* baseData);
    // Appends a deformer and its context, which this context owns from then
    // on. False (ownership stays with the caller) when the lists cannot grow.
    bool addBaseData_notForClientCall(IBaseData* baseData, IBaseContext* baseContext);

    bool requireSetup() const { return needSetup; }
    int getInitVersion() const { return initVersion; }

    unsigned short* getTmpPivotTableIndicesRef() { return tmpPivotTableIndices; }
    float* getTmpT_ArrayRef() { return tmpT_Array; }

    ATavrixModel* getModel() const { return model; }
    MemoryParam* getMemoryParam() const { return memoryParam; }

    ModelContext(const ModelContext&) = delete;
    ModelContext& operator=(const ModelContext&) = delete;

private:
    void releaseParamTable();
    void releaseStructure();
    bool createStructureLists();
    // Appends a deformer and its context to the evaluation lists and the
    // lookup index; false (nothing changed) when memory runs out.
    bool appendBaseData(IBaseData* baseData, IBaseContext* baseContext);
    // Indexes every deformer of baseDataList again.
    void reindexBaseData();
    // Appends the deformers of tmpBaseData (with their contexts) to
    // baseDataList parents first, in exactly the order repeated passes over
    // the list would give; deformers whose parent never appears are left out
    // and their contexts destroyed.
    void orderBaseDataParentsFirst(LDVector<IBaseData*>& tmpBaseData, LDVector<IBaseContext*>& tmpContexts);

    bool needSetup;
    ATavrixModel* model;
    int initVersion;

    // Parallel parameter lists, indexed by parameter index. Either all exist
    // or none (when the runtime could not allocate them).
    LDVector<ParamID*>* paramIDList;
    LDVector<float>* paramValues;
    LDVector<float>* lastParamValues;
    LDVector<float>* paramMinValues;
    LDVector<float>* paramMaxValues;
    LDVector<float>* savedParamValues; // grows only through saveParam
    LDVector<char>* paramUpdated;

    LDVector<IBaseData*>* baseDataList;         // not owned; every parent before its children
    LDVector<IDrawData*>* drawDataList;         // not owned; part by part in model order
    LDVector<PartsData*>* partsDataList;        // not owned
    LDVector<IBaseContext*>* baseContextList;   // owned; same index as baseDataList
    LDVector<IDrawContext*>* drawContextList;   // owned; same index as drawDataList
    LDVector<PartsDataContext*>* partsContextList; // owned; same index as partsDataList
    LDVector<unsigned short>* orderListFirstDrawIndex; // per bucket
    LDVector<unsigned short>* orderListLastDrawIndex;  // per bucket
    LDVector<unsigned short>* nextListDrawIndex;       // per drawable

    unsigned short tmpPivotTableIndices[PIVOT_TABLE_SIZE];
    float tmpT_Array[PIVOT_FRACTION_TABLE_SIZE];

    MemoryParam* memoryParam;
    MemoryHolderFixed* memoryHolderMain;
    MemoryHolderFixed* memoryHolderGPU;

    // Lookups by identifier: the row of each parameter identifier (the last
    // one when definitions repeat it), and the position of each deformer
    // identifier in baseDataList (the last one). They exist with their lists.
    LDHashIndex* paramIndex;
    LDHashIndex* baseDataIndex;

    // Whether the results held are those of a complete update of the
    // present structure: only then may an update with no parameter moved
    // keep them (see update).
    bool resultsCurrent;
};

template <class Visit>
inline void ModelContext::walkDrawOrder(Visit visit)
{
    if (!orderListFirstDrawIndex) return;
    const int bucketCount = orderListFirstDrawIndex->size();
    for (int b = 0; b < bucketCount; ++b) {
        unsigned int index = (*orderListFirstDrawIndex)[b];
        while (index != NO_DRAW_INDEX) {
            IDrawContext* context = (*drawContextList)[index];
            if (context && context->isAvailable()) visit(index, context);
            unsigned int next = (*nextListDrawIndex)[index];
            if (next == NO_DRAW_INDEX || next <= index) break;
            index = next;
        }
    }
}

} // namespace tavrix
