#pragma once

#include "base/IBaseData.h"
#include "type/LDVector.h"

namespace tavrix {

class BDBoxGridContext;
class BReader;
class MemoryParam;
class ModelContext;
class PivotManager;

// Grid deformer: warps its children's points by a lattice of col x row cells
// whose corner points are keyed per pivot combination. Children give their
// points in normalised grid coordinates ((0, 0) the first grid point, (1, 1)
// the last). Inside the lattice a point is interpolated on one of the two
// triangles of its cell; outside it follows an affine estimate of the whole
// lattice, blended into the border over a band two grid-widths wide.
class BDBoxGrid : public IBaseData {
public:
    BDBoxGrid();
    // Deletes the pivot manager, frees the lattices from last to first, then
    // deletes the lists.
    virtual ~BDBoxGrid();

    // The stream stores the row count before the column count. The element
    // count of every lattice is kept for the model's validation.
    virtual void readV2(BReader& reader, MemoryParam* memParam);
    // A BDBoxGridContext in the context's memory with zeroed lattices; null
    // when memory runs out.
    virtual IBaseContext* init(ModelContext& context);
    virtual void setupInterpolate(ModelContext& context, IBaseContext* baseContext);
    virtual void setupTransform(ModelContext& context, IBaseContext* baseContext);
    virtual void transformPoints(ModelContext& context, IBaseContext* baseContext, float* src, float* dst,
                                 int numPts, int ptOffset, int ptStep);
    virtual int getType() { return TYPE_BD_BOX_GRID; }

    // (col + 1) x (row + 1); 0 for dimensions no lattice can have (negative,
    // or more points than an int can count as floats).
    int getNumPts() const;

    // For a deformer built without a stream: an empty pivot manager and empty
    // lattice lists, in memParam.
    void initDirect(MemoryParam* memParam);
    void setColRow(int cols, int rows)
    {
        col = cols;
        row = rows;
    }
    // Appends a copy of count floats (taken from memParam) as the lattice of
    // the next pivot combination; false when there is no list or memory runs
    // out.
    bool addPivotPoints(const float* points, int count, MemoryParam* memParam);

    int getCol() const { return col; }
    int getRow() const { return row; }
    // Null only when the stream gave none.
    PivotManager* getPivotManager() const { return pivotManager; }
    LDVector<float*>* getPivotPoints() const { return pivotPoints; }
    int getPivotPointsSize() const { return pivotPoints ? pivotPoints->size() : 0; }
    // Floats held by lattice index as the stream gave them (0 for a missing
    // lattice or an index out of range).
    int getPivotPointsFloatCount(int index) const;

    BDBoxGrid(const BDBoxGrid&) = delete;
    BDBoxGrid& operator=(const BDBoxGrid&) = delete;

private:
    // Every lattice present and holding getNumPts() points.
    bool latticesComplete() const;

    int col;
    int row;
    PivotManager* pivotManager;
    LDVector<float*>* pivotPoints;
    // Element count of each lattice, same index as pivotPoints.
    LDVector<int>* pivotPointsFloatCounts;
};

} // namespace tavrix
