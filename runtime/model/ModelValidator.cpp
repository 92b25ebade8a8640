#include "model/ModelValidator.h"

#include <cmath>
#include <cstdint>
#include <cstring>

#include "base/AffineEnt.h"
#include "base/BDAffine.h"
#include "base/BDBoxGrid.h"
#include "base/IBaseData.h"
#include "draw/DDTexture.h"
#include "draw/IDrawData.h"
#include "id/BaseDataID.h"
#include "id/DrawDataID.h"
#include "id/ParamID.h"
#include "id/PartsDataID.h"
#include "io/BReader.h"
#include "model/ModelImpl.h"
#include "model/PartsData.h"
#include "param/ParamDefFloat.h"
#include "param/ParamDefSet.h"
#include "param/ParamPivots.h"
#include "param/PivotManager.h"
#include "type/LDString.h"
#include "util/UtString.h"

namespace tavrix {

namespace {

// More keyed combinations than this cannot be real: no table could hold them.
const int64_t MAX_COMBINATIONS = INT32_MAX;

// Whether no value is an infinity or a NaN: the exponent bits are all ones
// in exactly those. Tested on the bits, so the loop runs over whole arrays
// without a branch per value.
bool allFinite(const float* values, int64_t count)
{
    const uint32_t EXPONENT = 0x7F800000u;
    uint32_t nonFinite = 0;
    for (int64_t i = 0; i < count; ++i) {
        uint32_t bits;
        std::memcpy(&bits, values + i, sizeof bits);
        nonFinite |= (bits & EXPONENT) == EXPONENT;
    }
    return nonFinite == 0;
}

// The first index at or above limit, or -1 when every one lies below it.
int64_t firstIndexNotBelow(const unsigned short* indices, int64_t count, int limit)
{
    unsigned short highest = 0;
    for (int64_t i = 0; i < count; ++i) highest = indices[i] > highest ? indices[i] : highest;
    if (count == 0 || highest < limit) return -1;
    for (int64_t i = 0; i < count; ++i) {
        if (indices[i] >= limit) return i;
    }
    return -1;
}

const char* nameOf(BaseDataID* id) { return id ? id->toChar() : "(no id)"; }
const char* nameOf(DrawDataID* id) { return id ? id->getName().c_str() : "(no id)"; }

// Prefixes the element's name to the problem a check left in problem.
bool fail(LDString& problem, const char* kind, const char* name)
{
    problem = UtString::toString("%s %s: %s", kind, name, problem.c_str());
    return false;
}

bool checkKeyed(LDVector<float>* values, int64_t combinations, const char* what, LDString& problem)
{
    if (!values || values->size() != combinations) {
        problem = UtString::toString("%s holds %d values, expected %lld", what, values ? values->size() : 0,
                                     static_cast<long long>(combinations));
        return false;
    }
    if (!allFinite(values->getPtr(), values->size())) {
        problem = UtString::toString("%s holds a non-finite value", what);
        return false;
    }
    return true;
}

// A list of point arrays: one per combination, each of floatsEach finite
// floats. Finiteness was seen while reading when the stream held no
// non-finite float array (knownFinite); only then is the pass skipped.
bool checkPointArrays(LDVector<float*>* arrays, int64_t combinations, int64_t floatsEach, const char* what,
                      int (*lengthOf)(const void* owner, int index), const void* owner, bool knownFinite,
                      LDString& problem)
{
    if (!arrays || arrays->size() != combinations) {
        problem = UtString::toString("%s: %d arrays, expected %lld", what, arrays ? arrays->size() : 0,
                                     static_cast<long long>(combinations));
        return false;
    }
    for (int i = 0; i < arrays->size(); ++i) {
        float* points = (*arrays)[i];
        int64_t length = points ? lengthOf(owner, i) : -1;
        if (length != floatsEach) {
            problem = UtString::toString("%s %d holds %lld floats, expected %lld", what, i,
                                         static_cast<long long>(length < 0 ? 0 : length),
                                         static_cast<long long>(floatsEach));
            return false;
        }
        if (!knownFinite && !allFinite(points, floatsEach)) {
            problem = UtString::toString("%s %d holds a non-finite value", what, i);
            return false;
        }
    }
    return true;
}

int gridLatticeLength(const void* owner, int index)
{
    return static_cast<const BDBoxGrid*>(owner)->getPivotPointsFloatCount(index);
}

int meshPointsLength(const void* owner, int index)
{
    LDVector<int>* lengths = static_cast<const DDTexture*>(owner)->getPivotPointsLengths();
    return lengths && index < lengths->size() ? (*lengths)[index] : 0;
}

} // namespace

bool ModelValidator::validate(ModelImpl* root, BReader& reader, LDString& problem)
{
    if (!root) {
        problem = "the stream holds no model root";
        return false;
    }
    if (reader.isInvalid()) {
        problem = "the stream is malformed (an object of the wrong kind, claimed twice or nested too deep)";
        return false;
    }

    ParamDefSet* paramDefSet = root->getParamDefSet();
    LDVector<ParamDefFloat*>* definitions = paramDefSet ? paramDefSet->getParamDefFloatList() : nullptr;
    if (!definitions) {
        problem = "the model has no parameter definitions";
        return false;
    }
    for (int i = 0; i < definitions->size(); ++i) {
        ParamDefFloat* definition = (*definitions)[i];
        if (!definition || !definition->getParamID()) {
            problem = UtString::toString("parameter definition %d is missing or has no id", i);
            return false;
        }
    }

    const bool floatArraysFinite = reader.getBuffer().getNonFiniteFloatArrayCount() == 0;
    LDVector<PartsData*>* parts = root->getPartsDataList();
    if (!parts) {
        problem = "the model has no parts list";
        return false;
    }
    int64_t drawables = 0;
    for (int k = 0; k < parts->size(); ++k) {
        PartsData* part = (*parts)[k];
        if (!part || !part->getPartsDataID()) {
            problem = UtString::toString("part %d is missing or has no id", k);
            return false;
        }
        const char* partName = part->getPartsDataID()->getName().c_str();
        LDVector<IBaseData*>* deformers = part->getBaseData();
        LDVector<IDrawData*>* drawList = part->getDrawData();
        if (!deformers || !drawList) {
            problem = UtString::toString("part %s has no %s list", partName, deformers ? "drawable" : "deformer");
            return false;
        }
        for (int i = 0; i < deformers->size(); ++i) {
            if (!(*deformers)[i]) {
                problem = UtString::toString("part %s: deformer %d is missing", partName, i);
                return false;
            }
            if (!validateDeformer((*deformers)[i], floatArraysFinite, problem)) return false;
        }
        for (int i = 0; i < drawList->size(); ++i) {
            if (!(*drawList)[i]) {
                problem = UtString::toString("part %s: drawable %d is missing", partName, i);
                return false;
            }
            if (!validateDrawable((*drawList)[i], floatArraysFinite, problem)) return false;
        }
        drawables += drawList->size();
    }
    if (drawables > MAX_DRAWABLES) {
        problem = UtString::toString("the model has %lld drawables, at most %d are supported",
                                     static_cast<long long>(drawables), MAX_DRAWABLES);
        return false;
    }
    return true;
}

bool ModelValidator::validatePivots(PivotManager* pivotManager, int64_t* combinations, LDString& problem)
{
    if (!pivotManager) {
        problem = "has no parameter pivots";
        return false;
    }
    int64_t product = 1;
    for (int i = 0; i < pivotManager->getParamPivotsCount(); ++i) {
        ParamPivots* pivots = pivotManager->getParamPivots(i);
        if (!pivots || !pivots->getParamID()) {
            problem = UtString::toString("pivots %d are missing or name no parameter", i);
            return false;
        }
        int count = pivots->getPivotCount();
        if (count < 1 || !pivots->getPivotValue()) {
            problem = UtString::toString("pivots of %s have no values", pivots->getParamID()->toChar());
            return false;
        }
        if (!allFinite(pivots->getPivotValue(), count)) {
            problem = UtString::toString("pivots of %s hold a non-finite value", pivots->getParamID()->toChar());
            return false;
        }
        product *= count;
        if (product > MAX_COMBINATIONS) {
            problem = "has more pivot combinations than any table can hold";
            return false;
        }
    }
    *combinations = product;
    return true;
}

bool ModelValidator::validateDeformer(IBaseData* deformer, bool floatArraysFinite, LDString& problem)
{
    const char* name = nameOf(deformer->getBaseDataID());
    if (!deformer->getBaseDataID()) {
        problem = "has no id";
        return fail(problem, "deformer", name);
    }
    int64_t combinations = 0;
    if (deformer->getType() == IBaseData::TYPE_BD_AFFINE) {
        BDAffine* affine = static_cast<BDAffine*>(deformer);
        if (!validatePivots(affine->getPivotManager(), &combinations, problem)) return fail(problem, "deformer", name);
        LDVector<AffineEnt*>* entries = affine->getAffines();
        if (!entries || entries->size() != combinations) {
            problem = UtString::toString("holds %d affine entries, expected %lld", entries ? entries->size() : 0,
                                         static_cast<long long>(combinations));
            return fail(problem, "deformer", name);
        }
        for (int i = 0; i < entries->size(); ++i) {
            AffineEnt* e = (*entries)[i];
            if (!e) {
                problem = UtString::toString("affine entry %d is missing", i);
                return fail(problem, "deformer", name);
            }
            const float fields[5] = {e->originX, e->originY, e->scaleX, e->scaleY, e->rotationDeg};
            if (!allFinite(fields, 5)) {
                problem = UtString::toString("affine entry %d holds a non-finite value", i);
                return fail(problem, "deformer", name);
            }
        }
    } else if (deformer->getType() == IBaseData::TYPE_BD_BOX_GRID) {
        BDBoxGrid* grid = static_cast<BDBoxGrid*>(deformer);
        if (!validatePivots(grid->getPivotManager(), &combinations, problem)) return fail(problem, "deformer", name);
        if (grid->getRow() < 1 || grid->getCol() < 1) {
            problem = UtString::toString("grid of %d x %d cells", grid->getCol(), grid->getRow());
            return fail(problem, "deformer", name);
        }
        int64_t floats = 2 * (static_cast<int64_t>(grid->getCol()) + 1) * (static_cast<int64_t>(grid->getRow()) + 1);
        if (floats > INT32_MAX) {
            problem = UtString::toString("grid of %d x %d cells is too large", grid->getCol(), grid->getRow());
            return fail(problem, "deformer", name);
        }
        if (!checkPointArrays(grid->getPivotPoints(), combinations, floats, "lattice", gridLatticeLength, grid,
                              floatArraysFinite, problem)) {
            return fail(problem, "deformer", name);
        }
    } else {
        problem = UtString::toString("unknown deformer type %d", deformer->getType());
        return fail(problem, "deformer", name);
    }
    LDVector<float>* opacities = deformer->getPivotOpacity();
    if (opacities && !checkKeyed(opacities, combinations, "opacity table", problem)) {
        return fail(problem, "deformer", name);
    }
    return true;
}

bool ModelValidator::validateDrawable(IDrawData* drawable, bool floatArraysFinite, LDString& problem)
{
    const char* name = nameOf(drawable->getDrawDataID());
    if (!drawable->getDrawDataID()) {
        problem = "has no id";
        return fail(problem, "mesh", name);
    }
    if (drawable->getType() != IDrawData::TYPE_DD_TEXTURE) {
        problem = UtString::toString("unknown drawable type %d", drawable->getType());
        return fail(problem, "mesh", name);
    }
    DDTexture* mesh = static_cast<DDTexture*>(drawable);
    int64_t combinations = 0;
    if (!validatePivots(mesh->getPivotManager(), &combinations, problem)) return fail(problem, "mesh", name);

    LDVector<int>* orders = mesh->getPivotDrawOrder();
    if (!orders || orders->size() != combinations) {
        problem = UtString::toString("draw order table holds %d values, expected %lld", orders ? orders->size() : 0,
                                     static_cast<long long>(combinations));
        return fail(problem, "mesh", name);
    }
    for (int order : *orders) {
        if (order < IDrawData::MIN_VALID_ORDER || order > IDrawData::MAX_VALID_ORDER) {
            problem = UtString::toString("draw order %d lies outside %d to %d", order, IDrawData::MIN_VALID_ORDER,
                                         IDrawData::MAX_VALID_ORDER);
            return fail(problem, "mesh", name);
        }
    }
    if (!checkKeyed(mesh->getPivotOpacity(), combinations, "opacity table", problem)) return fail(problem, "mesh", name);

    const int numPts = mesh->getNumPoints();
    const int numPolygons = mesh->getNumPolygons();
    if (numPts < 0 || numPts > MAX_MESH_POINTS || numPolygons < 0) {
        problem = UtString::toString("%d points and %d triangles (at most %d points)", numPts, numPolygons,
                                     MAX_MESH_POINTS);
        return fail(problem, "mesh", name);
    }
    const int64_t indexCount = 3 * static_cast<int64_t>(numPolygons);
    int ignored = 0;
    unsigned short* indices = mesh->getIndexArray(&ignored);
    int64_t indexLength = indices ? mesh->getIndexArrayLength() : 0;
    if (indexLength != indexCount) {
        problem = UtString::toString("index array holds %lld entries, expected %lld", static_cast<long long>(indexLength),
                                     static_cast<long long>(indexCount));
        return fail(problem, "mesh", name);
    }
    const int64_t badIndex = firstIndexNotBelow(indices, indexCount, numPts);
    if (badIndex >= 0) {
        problem = UtString::toString("index %d at position %lld is not below %d points", indices[badIndex],
                                     static_cast<long long>(badIndex), numPts);
        return fail(problem, "mesh", name);
    }
    const int64_t pointFloats = 2 * static_cast<int64_t>(numPts);
    if (!checkPointArrays(mesh->getPivotPoints(), combinations, pointFloats, "point array", meshPointsLength, mesh,
                          floatArraysFinite, problem)) {
        return fail(problem, "mesh", name);
    }
    int64_t uvLength = mesh->getUvs() ? mesh->getUvsLength() : 0;
    if (uvLength != pointFloats) {
        problem = UtString::toString("uv array holds %lld floats, expected %lld", static_cast<long long>(uvLength),
                                     static_cast<long long>(pointFloats));
        return fail(problem, "mesh", name);
    }
    return true;
}

} // namespace tavrix
