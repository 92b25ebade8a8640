#pragma once

#include "base/IBaseData.h"
#include "type/LDVector.h"

namespace tavrix {

class AffineEnt;
class BDAffineContext;
class BReader;
class MemoryParam;
class ModelContext;
class PivotManager;

// Rotation deformer: moves its children's points by one affine map (rotate,
// scale uniformly, mirror, translate to an origin) keyed per pivot
// combination. Below a parent deformer its origin is carried into the
// parent's space and its angle follows how the parent turns a short probe
// placed at the origin.
class BDAffine : public IBaseData {
public:
    BDAffine();
    // Deletes the pivot manager, then the entries from last to first, then
    // the list.
    virtual ~BDAffine();

    virtual void readV2(BReader& reader, MemoryParam* memParam);
    // A BDAffineContext in the context's memory; null when memory runs out.
    virtual IBaseContext* init(ModelContext& context);
    virtual void setupInterpolate(ModelContext& context, IBaseContext* baseContext);
    virtual void setupTransform(ModelContext& context, IBaseContext* baseContext);
    virtual void transformPoints(ModelContext& context, IBaseContext* baseContext, float* src, float* dst,
                                 int numPts, int ptOffset, int ptStep);
    virtual int getType() { return TYPE_BD_AFFINE; }

    // Where the parent maps a step of srcDir from srcOrigin: the difference of
    // the two mapped points, trying shorter steps (both signs) while the
    // parent maps the step onto the origin's image. After ten tries it prints
    // a message and gives srcDir back.
    void getDirectionOnDst(ModelContext& context, IBaseData* targetBaseData, IBaseContext* targetContext,
                           float* srcOrigin, float* srcDir, float* retDir);

    // For a deformer built without a stream: an empty pivot manager and an
    // empty entry list, in memParam.
    void initDirect(MemoryParam* memParam);
    // Appends the entry of the next pivot combination and takes it over;
    // false (ownership stays with the caller) when there is no list or it
    // cannot grow.
    bool addAffine(AffineEnt* affine);

    // Null only when the stream gave none.
    PivotManager* getPivotManager() const { return pivotManager; }
    LDVector<AffineEnt*>* getAffines() const { return affines; }
    int getAffineCount() const { return affines ? affines->size() : 0; }

    BDAffine(const BDAffine&) = delete;
    BDAffine& operator=(const BDAffine&) = delete;

private:
    // Blends the affine entries for n packed fractions into the context's
    // interpolated entry; false when a packed combination has no entry.
    bool blendAffines(ModelContext& context, BDAffineContext& affineContext, int n);

    PivotManager* pivotManager;
    LDVector<AffineEnt*>* affines;
};

} // namespace tavrix
