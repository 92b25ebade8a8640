#pragma once

#include "Tavrix.h"
#include "memory/LDObject.h"
#include "type/LDVector.h"

namespace tavrix {

class ATavrixModel;
class BaseDataID;
class IBaseContext;
class IBaseData;
class MemoryHolderFixed;
class MemoryParam;
class ModelImpl;
class ParamID;

// Per-model evaluation state. This part holds the parameter table (one row
// per parameter identifier: value, value seen by the last update, bounds,
// saved copy, changed flag), the flags that tell the interpolation whether an
// update has run since the last init, and the interpolation scratch tables.
class ModelContext : public LDObject {
public:
    // Entries of the pivot fraction table: up to ten fractions plus the
    // terminator.
    static constexpr int PIVOT_FRACTION_TABLE_SIZE = 11;

    explicit ModelContext(ATavrixModel* model);
    virtual ~ModelContext();

    // Starts a new structure: raises the init version (which invalidates
    // every cached parameter index), empties the table and requires a full
    // interpolation in the next update.
    void init();
    // Appends a row for every (non-null) parameter definition of the model
    // data, in definition order. Part of init, after the element contexts
    // are built.
    void registerParams(const ModelImpl* modelImpl);
    // Empties every list of the context.
    void release();
    // One evaluation step over the parameter table; always returns false.
    bool update();

    // First step of update: marks every parameter whose value differs from
    // the one the last update saw, and remembers the new value.
    void detectParamChanges();
    // Last step of update: clears every changed flag and the setup request.
    void clearParamChanges();

    // Index of the identifier (by identity, searched from the end). An unknown
    // identifier is added with value 0 and bounds +-1000000; a null one names
    // no parameter and gets -1.
    int getParamIndex(ParamID* paramID);
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

    // Deformers in evaluation order with their contexts. Lookups compare
    // identifiers by identity, from the last entry to the first; -1 when
    // absent.
    int getBaseDataIndex(BaseDataID* baseDataID);
    IBaseData* getBaseData(unsigned int index) { return (*baseDataList)[index]; }
    IBaseContext* getBaseContext(unsigned int index) { return (*baseContextList)[index]; }
    int getBaseDataCount() const { return baseDataList ? baseDataList->size() : 0; }
    // Appends a deformer (not owned) with its context (owned from then on);
    // its index, or -1 when memory runs out (the context is then destroyed).
    int addBaseData(IBaseData* baseData, IBaseContext* baseContext);

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

    LDVector<IBaseData*>* baseDataList;       // not owned; every parent before its children
    LDVector<IBaseContext*>* baseContextList; // owned; same index as baseDataList
    // (The drawable and part lists and the draw-order buckets of the update
    // cycle belong here.)

    unsigned short tmpPivotTableIndices[PIVOT_TABLE_SIZE];
    float tmpT_Array[PIVOT_FRACTION_TABLE_SIZE];

    MemoryParam* memoryParam;
    MemoryHolderFixed* memoryHolderMain;
    MemoryHolderFixed* memoryHolderGPU;
};

} // namespace tavrix
