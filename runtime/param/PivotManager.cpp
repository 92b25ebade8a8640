#include "param/PivotManager.h"

#include <climits>

#include "DEF.h"
#include "ModelContext.h"
#include "io/BReader.h"
#include "io/FileFormat2.h"
#include "param/ParamPivots.h"
#include "util/UtDebug.h"

namespace tavrix {

namespace {

// The context's index of the parameter, from the cache when it was resolved
// for the context's current init.
int resolveParamIndex(ModelContext& context, ParamPivots& pivots, bool store)
{
    const int initVersion = context.getInitVersion();
    int index = pivots.getParamIndex(initVersion);
    if (index == ParamPivots::PARAM_INDEX_NOT_INIT) {
        index = context.getParamIndex(pivots.getParamID());
        if (store) pivots.setParamIndex_(index, initVersion);
    }
    return index;
}

} // namespace

PivotManager::PivotManager() : paramPivotsList(nullptr) {}

PivotManager::~PivotManager()
{
    if (!paramPivotsList) return;
    for (int i = paramPivotsList->size() - 1; i >= 0; --i) delete (*paramPivotsList)[i];
    delete paramPivotsList;
}

void PivotManager::readV2(BReader& reader, MemoryParam* memParam)
{
    paramPivotsList = reader.readSerializableList<ParamPivots>(memParam, ClassSet(FileFormat2::PARAM_PIVOTS_NO));
    if (!paramPivotsList) return;
    int kept = 0;
    for (int i = 0; i < paramPivotsList->size(); ++i) {
        if ((*paramPivotsList)[i]) (*paramPivotsList)[kept++] = (*paramPivotsList)[i];
    }
    if (kept < paramPivotsList->size()) {
        reader.markInvalid("missing parameter pivots @PivotManager#readV2()");
        paramPivotsList->updateSize(kept, nullptr);
    }
}

void PivotManager::initDirect(MemoryParam* memParam)
{
    if (paramPivotsList) return;
    paramPivotsList = new (memParam) LDVector<ParamPivots*>(memParam);
}

bool PivotManager::addParamPivots(ParamPivots* pivots)
{
    if (!paramPivotsList || !pivots) return false;
    const int before = paramPivotsList->size();
    paramPivotsList->push_back(pivots);
    return paramPivotsList->size() > before;
}

bool PivotManager::checkParamUpdated(ModelContext& context) const
{
    if (context.requireSetup()) return true;
    for (int i = getParamPivotsCount() - 1; i >= 0; --i) {
        const int index = resolveParamIndex(context, *(*paramPivotsList)[i], false);
        if (context.isParamUpdated(index)) return true;
    }
    return false;
}

int PivotManager::calcPivotValue(ModelContext& context, bool* outside)
{
    const float G = DEF::GOSA;
    int interpolationCount = 0;
    const int listCount = getParamPivotsCount();
    for (int i = 0; i < listCount; ++i) {
        ParamPivots& pivots = *(*paramPivotsList)[i];
        const int index = resolveParamIndex(context, pivots, true);
        const float v = index < 0 ? 0.0f : context.getParamFloat(static_cast<unsigned int>(index));
        const int c = pivots.getPivotCount();
        const float* p = pivots.getPivotValue();

        // Without pivots there is nothing to choose; pivot 0 keeps every
        // combination index inside the element's (empty) table range check.
        int pivot = 0;
        float t = 0.0f;
        if (c == 1) {
            if (!(p[0] - G < v && v < p[0] + G) && outside) *outside = true;
        } else if (c >= 2) {
            if (p[0] - G > v) {
                if (outside) *outside = true;
            } else if (p[0] + G > v) {
                // On the first pivot (v == p0 - G included).
            } else {
                int j = 1;
                while (j < c && !(p[j] + G > v)) ++j;
                if (j == c) {
                    if (outside) *outside = true;
                    pivot = c - 1;
                } else if (v > p[j] - G) {
                    pivot = j;
                } else {
                    pivot = j - 1;
                    t = (v - p[j - 1]) / (p[j] - p[j - 1]);
                    ++interpolationCount;
                }
            }
        }
        pivots.setTmpPivotIndex(pivot);
        pivots.setTmpT(t);
    }
    return interpolationCount;
}

int PivotManager::calcPivotIndexies(unsigned short* indices, float* ts, int interpolationCount)
{
    if (interpolationCount > MAX_INTERPOLATED_PARAMS) {
        const int wanted = interpolationCount < 31 ? (1 << interpolationCount) : INT_MAX;
        UtDebug::print("=================================================\n");
        UtDebug::print("Over the interpolation buffer size :: %d\n ", wanted);
        UtDebug::print("please enlarge Tavrix.h / PIVOT_TABLE_SIZE \n");
        UtDebug::print("=================================================\n");
    }
    int limit = interpolationCount;
    if (limit < 0) limit = 0;
    if (limit > MAX_INTERPOLATED_PARAMS) limit = MAX_INTERPOLATED_PARAMS;
    const int count = 1 << limit;
    for (int j = 0; j < count; ++j) indices[j] = 0;

    // Index arithmetic wraps to 16 bits, as the table entries do.
    unsigned int stride = 1;
    int bit = 1;
    int k = 0;
    const int listCount = getParamPivotsCount();
    for (int i = 0; i < listCount; ++i) {
        const ParamPivots& pivots = *(*paramPivotsList)[i];
        const unsigned int lower = static_cast<unsigned int>(pivots.getTmpPivotIndex()) * stride;
        const float t = pivots.getTmpT();
        if (t == 0.0f || k >= limit) {
            // On a pivot, or beyond what the table holds: the lower pivot.
            for (int j = 0; j < count; ++j) indices[j] = static_cast<unsigned short>(indices[j] + lower);
        } else {
            const unsigned int upper = lower + stride;
            for (int j = 0; j < count; ++j) {
                const unsigned int add = ((j / bit) % 2 == 0) ? lower : upper;
                indices[j] = static_cast<unsigned short>(indices[j] + add);
            }
            ts[k] = t;
            ++k;
            bit *= 2;
        }
        stride *= static_cast<unsigned int>(pivots.getPivotCount());
    }
    indices[count] = 65535;
    ts[k] = -1.0f;
    return k;
}

} // namespace tavrix
