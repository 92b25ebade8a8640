#include "base/BDAffine.h"

#include <cmath>

#include "ModelContext.h"
#include "base/AffineEnt.h"
#include "base/BDAffineContext.h"
#include "id/BaseDataID.h"
#include "io/BReader.h"
#include "io/FileFormat2.h"
#include "param/PivotManager.h"
#include "util/UtDebug.h"
#include "util/UtInterpolate.h"
#include "util/UtMath.h"

namespace tavrix {

namespace {

const int MAX_COMBINATIONS = 1 << PivotManager::MAX_INTERPOLATED_PARAMS;

// Probe lengths: a rotation parent works in model units, a grid parent in
// its normalised 0..1 coordinates.
const float PROBE_LENGTH_ROTATION_PARENT = 10.0f;
const float PROBE_LENGTH_GRID_PARENT = 0.1f;
const int DIRECTION_TRIES = 10;

// The five blended fields of an entry; the mirror flags are never blended.
float AffineEnt::* const BLENDED_FIELDS[] = {&AffineEnt::originX, &AffineEnt::originY, &AffineEnt::scaleX,
                                             &AffineEnt::scaleY, &AffineEnt::rotationDeg};

float lerp(float a, float b, float t)
{
    return a + (b - a) * t;
}

// Two fractions over four entries starting at first: each pair blended in
// t0, then the pairs blended in t1.
float blendFour(AffineEnt* const* entries, int first, float AffineEnt::*field, float t0, float t1)
{
    const float low = lerp(entries[first]->*field, entries[first + 1]->*field, t0);
    const float high = lerp(entries[first + 2]->*field, entries[first + 3]->*field, t0);
    return low + (high - low) * t1;
}

} // namespace

BDAffine::BDAffine() : pivotManager(nullptr), affines(nullptr) {}

BDAffine::~BDAffine()
{
    delete pivotManager;
    if (affines) {
        for (int i = affines->size() - 1; i >= 0; --i) delete (*affines)[i];
        delete affines;
    }
}

void BDAffine::readV2(BReader& reader, MemoryParam* memParam)
{
    IBaseData::readV2(reader, memParam);
    pivotManager = reader.readSerializableAs<PivotManager>(memParam, ClassSet(FileFormat2::PIVOT_MANAGER_NO));
    affines = reader.readSerializableList<AffineEnt>(memParam, ClassSet(FileFormat2::AFFINE_ENT_NO));
    readV2_opacity(reader, memParam);
}

void BDAffine::initDirect(MemoryParam* memParam)
{
    if (!pivotManager) {
        pivotManager = new (memParam) PivotManager();
        if (pivotManager) pivotManager->initDirect(memParam);
    }
    if (!affines) affines = new (memParam) LDVector<AffineEnt*>(memParam);
}

bool BDAffine::addAffine(AffineEnt* affine)
{
    if (!affines || !affine) return false;
    const int before = affines->size();
    affines->push_back(affine);
    return affines->size() > before;
}

IBaseContext* BDAffine::init(ModelContext& context)
{
    MemoryParam* memParam = context.getMemoryParam();
    BDAffineContext* affineContext = new (memParam) BDAffineContext(this);
    if (!affineContext) return nullptr;
    // Entries start zeroed: nothing reads an unset value when the first
    // update cannot blend or transform them.
    affineContext->interpolatedAffine = new (memParam) AffineEnt();
    if (needTransform()) affineContext->transformedAffine = new (memParam) AffineEnt();
    if (!affineContext->interpolatedAffine || (needTransform() && !affineContext->transformedAffine)) {
        delete affineContext;
        return nullptr;
    }
    affineContext->interpolatedAffine->clear();
    if (affineContext->transformedAffine) affineContext->transformedAffine->clear();
    return affineContext;
}

void BDAffine::setupInterpolate(ModelContext& context, IBaseContext* baseContext)
{
    BDAffineContext* affineContext = static_cast<BDAffineContext*>(baseContext);
    if (!affineContext) return;
    if (!pivotManager) {
        // Nothing keys this deformer: it cannot be evaluated.
        affineContext->setOutsideParam(true);
        return;
    }
    if (!pivotManager->checkParamUpdated(context)) return;

    bool outside = false;
    const int interpolationCount = pivotManager->calcPivotValue(context, &outside);
    interpolateOpacity(context, pivotManager, affineContext, &outside);
    const int packed = pivotManager->calcPivotIndexies(context.getTmpPivotTableIndicesRef(),
                                                       context.getTmpT_ArrayRef(), interpolationCount);
    if (!blendAffines(context, *affineContext, packed)) {
        // A combination without an entry: treated like a parameter outside
        // its pivots.
        outside = true;
        affineContext->interpolatedAffine->clear();
    }
    affineContext->setOutsideParam(outside);
}

bool BDAffine::blendAffines(ModelContext& context, BDAffineContext& affineContext, int n)
{
    const unsigned short* indices = context.getTmpPivotTableIndicesRef();
    const float* ts = context.getTmpT_ArrayRef();
    const int count = 1 << n;
    AffineEnt* entries[MAX_COMBINATIONS];
    for (int j = 0; j < count; ++j) {
        if (!affines || indices[j] >= affines->size() || !(*affines)[indices[j]]) return false;
        entries[j] = (*affines)[indices[j]];
    }

    AffineEnt& out = *affineContext.interpolatedAffine;
    if (n == 0) {
        out.init(*entries[0]);
        return true;
    }

    float weights[MAX_COMBINATIONS];
    if (n >= 5) UtInterpolate::formWeights(ts, n, weights);
    for (float AffineEnt::*field : BLENDED_FIELDS) {
        float value;
        switch (n) {
        case 1:
            value = lerp(entries[0]->*field, entries[1]->*field, ts[0]);
            break;
        case 2:
            value = blendFour(entries, 0, field, ts[0], ts[1]);
            break;
        case 3:
            value = (1.0f - ts[2]) * blendFour(entries, 0, field, ts[0], ts[1])
                  + ts[2] * blendFour(entries, 4, field, ts[0], ts[1]);
            break;
        case 4: {
            const float low = (1.0f - ts[2]) * blendFour(entries, 0, field, ts[0], ts[1])
                            + ts[2] * blendFour(entries, 4, field, ts[0], ts[1]);
            const float high = (1.0f - ts[2]) * blendFour(entries, 8, field, ts[0], ts[1])
                             + ts[2] * blendFour(entries, 12, field, ts[0], ts[1]);
            value = (1.0f - ts[3]) * low + ts[3] * high;
            break;
        }
        default:
            value = weights[0] * (entries[0]->*field);
            for (int j = 1; j < count; ++j) value = value + weights[j] * (entries[j]->*field);
            break;
        }
        out.*field = value;
    }
    // Mirroring cannot be blended: the first combination decides.
    out.reflectX = entries[0]->reflectX;
    out.reflectY = entries[0]->reflectY;
    return true;
}

void BDAffine::setupTransform(ModelContext& context, IBaseContext* baseContext)
{
    BDAffineContext* affineContext = static_cast<BDAffineContext*>(baseContext);
    if (!affineContext) return;
    AffineEnt* interpolated = affineContext->interpolatedAffine;
    affineContext->setAvailable(true);

    if (!needTransform()) {
        affineContext->setTotalScale_notForClient(interpolated->scaleX);
        affineContext->setTotalOpacity(affineContext->getInterpolatedOpacity());
        return;
    }

    if (affineContext->tmpBaseDataIndex == BDAffineContext::BASE_INDEX_NOT_INIT) {
        affineContext->tmpBaseDataIndex = context.getBaseDataIndex(targetBaseDataID);
    }
    if (affineContext->tmpBaseDataIndex < 0) {
        UtDebug::error("Target BaseData[%s] is not available", targetBaseDataID->toChar());
        affineContext->setAvailable(false);
        return;
    }
    const unsigned int parentIndex = static_cast<unsigned int>(affineContext->tmpBaseDataIndex);
    IBaseData* parent = context.getBaseData(parentIndex);
    IBaseContext* parentContext = context.getBaseContext(parentIndex);
    if (!parent || !parentContext) {
        affineContext->setAvailable(false);
        return;
    }

    float origin[2] = {interpolated->originX, interpolated->originY};
    float probe[2] = {0.0f, parent->getType() == TYPE_BD_AFFINE ? -PROBE_LENGTH_ROTATION_PARENT
                                                                 : -PROBE_LENGTH_GRID_PARENT};
    float dstDir[2] = {probe[0], probe[1]};
    getDirectionOnDst(context, parent, parentContext, origin, probe, dstDir);
    const float angle = static_cast<float>(UtMath::getAngleNotAbs(probe, dstDir));
    parent->transformPoints(context, parentContext, origin, origin, 1, 0, 2);

    AffineEnt* transformed = affineContext->transformedAffine;
    transformed->originX = origin[0];
    transformed->originY = origin[1];
    transformed->scaleX = interpolated->scaleX;
    transformed->scaleY = interpolated->scaleY;
    transformed->rotationDeg = interpolated->rotationDeg - angle * UtMath::RAD_TO_DEG_F;

    affineContext->setTotalScale_notForClient(parentContext->getTotalScale() * transformed->scaleX);
    affineContext->setTotalOpacity(parentContext->getTotalOpacity() * affineContext->getInterpolatedOpacity());
    transformed->reflectX = interpolated->reflectX;
    transformed->reflectY = interpolated->reflectY;
    affineContext->setAvailable(parentContext->isAvailable());
}

void BDAffine::getDirectionOnDst(ModelContext& context, IBaseData* targetBaseData, IBaseContext* targetContext,
                                 float* srcOrigin, float* srcDir, float* retDir)
{
    float originOnDst[2] = {srcOrigin[0], srcOrigin[1]};
    targetBaseData->transformPoints(context, targetContext, originOnDst, originOnDst, 1, 0, 2);

    float scale = 1.0f;
    for (int i = 0; i < DIRECTION_TRIES; ++i) {
        float point[2] = {srcOrigin[0] + scale * srcDir[0], srcOrigin[1] + scale * srcDir[1]};
        targetBaseData->transformPoints(context, targetContext, point, point, 1, 0, 2);
        float dx = point[0] - originOnDst[0];
        float dy = point[1] - originOnDst[1];
        // A NaN difference counts as found.
        if (dx != 0.0f || dy != 0.0f) {
            retDir[0] = dx;
            retDir[1] = dy;
            return;
        }

        point[0] = srcOrigin[0] - scale * srcDir[0];
        point[1] = srcOrigin[1] - scale * srcDir[1];
        targetBaseData->transformPoints(context, targetContext, point, point, 1, 0, 2);
        dx = point[0] - originOnDst[0];
        dy = point[1] - originOnDst[1];
        if (dx != 0.0f || dy != 0.0f) {
            retDir[0] = -dx;
            retDir[1] = -dy;
            return;
        }
        scale = scale * 0.1f;
    }
    // The parent collapses every step: keep the probe, so the angle is left
    // as it is. (The message ends in a full-width reverse solidus and "n".)
    UtDebug::print("failed to transform BDAffine\xEF\xBC\xBC" "n");
    retDir[0] = srcDir[0];
    retDir[1] = srcDir[1];
}

void BDAffine::transformPoints(ModelContext&, IBaseContext* baseContext, float* src, float* dst, int numPts,
                               int ptOffset, int ptStep)
{
    BDAffineContext* affineContext = static_cast<BDAffineContext*>(baseContext);
    AffineEnt* entry = affineContext->transformedAffine ? affineContext->transformedAffine
                                                         : affineContext->interpolatedAffine;
    const float radians = UtMath::DEG_TO_RAD_F * entry->rotationDeg;
    const float sn = static_cast<float>(std::sin(static_cast<double>(radians)));
    const float cs = static_cast<float>(std::cos(static_cast<double>(radians)));
    const float scale = affineContext->getTotalScale();
    const float reflectX = entry->reflectX ? -1.0f : 1.0f;
    const float reflectY = entry->reflectY ? -1.0f : 1.0f;
    const float m00 = cs * scale * reflectX;
    const float m01 = -sn * scale * reflectY;
    const float m10 = sn * scale * reflectX;
    const float m11 = cs * scale * reflectY;
    const float originX = entry->originX;
    const float originY = entry->originY;

    const int end = numPts * ptStep;
    for (int i = ptOffset; i < end; i += ptStep) {
        const float x = src[i];
        const float y = src[i + 1];
        dst[i] = m00 * x + m01 * y + originX;
        dst[i + 1] = m10 * x + m11 * y + originY;
    }
}

} // namespace tavrix
