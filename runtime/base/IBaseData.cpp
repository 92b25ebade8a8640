#include "base/IBaseData.h"

#include "base/IBaseContext.h"
#include "id/BaseDataID.h"
#include "io/BReader.h"
#include "util/UtInterpolate.h"

namespace tavrix {

IBaseData::IBaseData() : baseDataID(nullptr), targetBaseDataID(nullptr), dirty(true), pivotOpacity(nullptr) {}

IBaseData::~IBaseData()
{
    // The opacity values live in the model's memory, but the vector object
    // itself is a runtime object in the temporary memory: it must be deleted
    // or every loaded deformer would leave it behind.
    delete pivotOpacity;
}

void IBaseData::readV2(BReader& reader, MemoryParam*)
{
    baseDataID = reader.readBaseDataID();
    targetBaseDataID = reader.readBaseDataID();
}

bool IBaseData::needTransform() const
{
    return targetBaseDataID != nullptr && targetBaseDataID != BaseDataID::DST_BASE_ID();
}

void IBaseData::interpolateOpacity(ModelContext& context, PivotManager* pivotManager, IBaseContext* baseContext,
                                   bool* outside)
{
    if (pivotOpacity && pivotManager) {
        baseContext->setInterpolatedOpacity(UtInterpolate::interpolateFloat(context, *pivotManager, outside, *pivotOpacity));
    } else {
        baseContext->setInterpolatedOpacity(1.0f);
    }
}

void IBaseData::readV2_opacity(BReader& reader, MemoryParam* memParam)
{
    if (reader.getFormatVersion() >= 10) pivotOpacity = reader.readArrayFloatAsVector(memParam);
}

} // namespace tavrix
