#include "model/ModelValidator.h"

#include <cmath>

#include "base/IBaseData.h"
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

bool allFinite(const float* values, int64_t count)
{
    for (int64_t i = 0; i < count; ++i) {
        if (!std::isfinite(values[i])) return false;
    }
    return true;
}

const char* nameOf(BaseDataID* id) { return id ? id->toChar() : "(no id)"; }
const char* nameOf(DrawDataID* id) { return id ? id->getName().c_str() : "(no id)"; }

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
            if (!validateDeformer((*deformers)[i], problem)) return false;
        }
        for (int i = 0; i < drawList->size(); ++i) {
            if (!(*drawList)[i]) {
                problem = UtString::toString("part %s: drawable %d is missing", partName, i);
                return false;
            }
            if (!validateDrawable((*drawList)[i], problem)) return false;
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

} // namespace tavrix
