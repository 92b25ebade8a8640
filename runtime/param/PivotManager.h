#pragma once

#include "Tavrix.h"
#include "io/ISerializableV2.h"
#include "type/LDVector.h"

namespace tavrix {

class BReader;
class MemoryParam;
class ModelContext;
class ParamPivots;

// The pivots of every parameter an element depends on. The list order fixes
// the layout of the element's keyed values: the first parameter varies
// fastest.
class PivotManager : public ISerializableV2 {
public:
    // Parameters between pivots that the combination table can hold at once
    // (2^6 combinations plus the terminator).
    static constexpr int MAX_INTERPOLATED_PARAMS = 6;
    static_assert((1 << MAX_INTERPOLATED_PARAMS) + 1 <= PIVOT_TABLE_SIZE, "combination table too small");

    PivotManager();
    virtual ~PivotManager();
    // A list slot that holds no parameter pivots marks the stream invalid and
    // is dropped.
    virtual void readV2(BReader& reader, MemoryParam* memParam);

    // Gives a manager built without a stream an empty list in memParam.
    void initDirect(MemoryParam* memParam);
    // Appends and takes ownership; false (ownership stays with the caller)
    // when the list is missing or cannot grow.
    bool addParamPivots(ParamPivots* pivots);
    int getParamPivotsCount() const { return paramPivotsList ? paramPivotsList->size() : 0; }
    ParamPivots* getParamPivots(int index) const { return (*paramPivotsList)[index]; }

    // Whether any parameter of this manager changed since the context's last
    // update (always true before the first update after init).
    bool checkParamUpdated(ModelContext& context) const;
    // Chooses pivot and fraction of every parameter; sets *outside (never
    // clears it) when a value lies outside its pivots. Returns the number of
    // parameters strictly between two pivots.
    int calcPivotValue(ModelContext& context, bool* outside);
    // Packs the pivot combinations and their fractions for interpolationCount
    // parameters between pivots. Returns the number of fractions packed, at
    // most MAX_INTERPOLATED_PARAMS: beyond that the table cannot hold the
    // combinations, a banner is printed and the further parameters count as
    // sitting on their lower pivot.
    int calcPivotIndexies(unsigned short* indices, float* ts, int interpolationCount);

    PivotManager(const PivotManager&) = delete;
    PivotManager& operator=(const PivotManager&) = delete;

private:
    LDVector<ParamPivots*>* paramPivotsList;
};

} // namespace tavrix
