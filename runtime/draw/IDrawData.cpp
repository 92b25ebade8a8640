#include "draw/IDrawData.h"

#include "draw/IDrawContext.h"
#include "id/BaseDataID.h"
#include "io/BReader.h"
#include "io/FileFormat2.h"
#include "param/PivotManager.h"
#include "util/UtInterpolate.h"

namespace tavrix {

int IDrawData::totalMinOrder = IDrawData::DEFAULT_ORDER;
int IDrawData::totalMaxOrder = IDrawData::DEFAULT_ORDER;

IDrawData::IDrawData()
    : pivotManager(nullptr), reservedOrder(0), drawDataID(nullptr), targetBaseDataID(nullptr),
      pivotDrawOrder(nullptr), pivotOpacity(nullptr)
{
}

IDrawData::~IDrawData()
{
    delete pivotManager;
    delete pivotDrawOrder;
    delete pivotOpacity;
}

void IDrawData::readV2(BReader& reader, MemoryParam* memParam)
{
    drawDataID = reader.readDrawDataID();
    targetBaseDataID = reader.readBaseDataID();
    pivotManager = reader.readSerializableAs<PivotManager>(memParam, ClassSet(FileFormat2::PIVOT_MANAGER_NO));
    reservedOrder = reader.readInt();
    pivotDrawOrder = reader.readArrayIntAsVector(memParam);
    pivotOpacity = reader.readArrayFloatAsVector(memParam);
    setDrawOrder(pivotDrawOrder);
}

void IDrawData::setupInterpolate(ModelContext& context, IDrawContext* drawContext)
{
    drawContext->outsideParam = false;
    drawContext->interpolatedDrawOrder =
        UtInterpolate::interpolateInt(context, *pivotManager, &drawContext->outsideParam, *pivotDrawOrder);
    if (drawContext->outsideParam) return;
    drawContext->interpolatedOpacity =
        UtInterpolate::interpolateFloat(context, *pivotManager, &drawContext->outsideParam, *pivotOpacity);
}

void IDrawData::setupTransform(ModelContext&, IDrawContext*)
{
}

int IDrawData::getType()
{
    return 0;
}

void IDrawData::deviceLost(IDrawContext*)
{
}

void IDrawData::setZ_TestImpl(ModelContext&, IDrawContext*, float)
{
}

int IDrawData::getDrawOrder(ModelContext&, IDrawContext* drawContext)
{
    return drawContext->interpolatedDrawOrder;
}

float IDrawData::getOpacity(ModelContext&, IDrawContext* drawContext)
{
    return drawContext->interpolatedOpacity;
}

bool IDrawData::needTransform() const
{
    return targetBaseDataID != nullptr && targetBaseDataID != BaseDataID::DST_BASE_ID();
}

void IDrawData::setDrawOrder(LDVector<int>* orders)
{
    if (!orders) return;
    for (int i = orders->size() - 1; i >= 0; --i) {
        int order = (*orders)[i];
        // The range never narrows; values a valid model cannot hold (the
        // loader refuses them) must not widen it either.
        if (order < MIN_VALID_ORDER || order > MAX_VALID_ORDER) continue;
        if (order < totalMinOrder) totalMinOrder = order;
        else if (order > totalMaxOrder) totalMaxOrder = order;
    }
}

} // namespace tavrix
