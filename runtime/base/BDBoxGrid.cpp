#include "base/BDBoxGrid.h"

#include <climits>
#include <cstring>

#include "ModelContext.h"
#include "base/BDBoxGridContext.h"
#include "id/BaseDataID.h"
#include "io/BReader.h"
#include "io/FileFormat2.h"
#include "memory/UtMemory.h"
#include "param/PivotManager.h"
#include "util/UtDebug.h"
#include "util/UtInterpolate.h"

namespace tavrix {

namespace {

// Outer lines of the band around the lattice, in normalised coordinates.
const float BAND_LOW = -2.0f;
const float BAND_HIGH = 3.0f;
// Marks a band corner coordinate that is no lattice column or row.
const int NOT_ON_LATTICE = -1;

// Cell of a coordinate g = value * cells with 0 <= g: truncation, kept on the
// last cell when g rounds up to the cell count.
int cellIndex(float g, int cells)
{
    if (g >= static_cast<float>(cells)) return cells - 1;
    return static_cast<int>(g);
}

// Linear map of one cell split along the diagonal from its (ix + 1, iy)
// corner to its (ix, iy + 1) corner; a point on that diagonal belongs to the
// second triangle.
inline __attribute__((always_inline)) void mapInCell(const float* lattice, int pointsPerRow, int ix, int iy,
                                                     float s, float t, float* out)
{
    const float* p00 = lattice + 2 * (ix + iy * pointsPerRow);
    const float* p10 = p00 + 2;
    const float* p01 = p00 + 2 * pointsPerRow;
    const float* p11 = p01 + 2;
    if (s + t < 1.0f) {
        const float w = 1.0f - s - t;
        out[0] = p00[0] * w + p10[0] * s + p01[0] * t;
        out[1] = p00[1] * w + p10[1] * s + p01[1] * t;
    } else {
        const float w = s + t - 1.0f;
        out[0] = p11[0] * w + p01[0] * (1.0f - s) + p10[0] * (1.0f - t);
        out[1] = p11[1] * w + p01[1] * (1.0f - s) + p10[1] * (1.0f - t);
    }
}

// Affine estimate of a lattice from its four corners: Q(u, v) = O + u A + v B.
struct AffineEstimate {
    float ox, oy, ax, ay, bx, by;

    void build(const float* c00, const float* c10, const float* c01, const float* c11)
    {
        ax = ((c11[0] - c00[0]) + (c10[0] - c01[0])) * 0.5f;
        ay = ((c11[1] - c00[1]) + (c10[1] - c01[1])) * 0.5f;
        bx = ((c11[0] - c00[0]) - (c10[0] - c01[0])) * 0.5f;
        by = ((c11[1] - c00[1]) - (c10[1] - c01[1])) * 0.5f;
        ox = (c00[0] + c10[0] + c01[0] + c11[0]) * 0.25f - (ax + bx) * 0.5f;
        oy = (c00[1] + c10[1] + c01[1] + c11[1]) * 0.25f - (ay + by) * 0.5f;
    }

    void map(float u, float v, float* out) const
    {
        out[0] = ox + u * ax + v * bx;
        out[1] = oy + u * ay + v * by;
    }
};

// One axis of a band cell: its two bounding coordinates, the lattice column
// (or row) each stands for, and the local coordinate of the point.
struct BandSpan {
    float low, high;
    int lowIndex, highIndex;
    float local;

    void set(float value, int cells)
    {
        if (value <= 0.0f) {
            low = BAND_LOW;
            high = 0.0f;
            lowIndex = NOT_ON_LATTICE;
            highIndex = 0;
            local = (value - BAND_LOW) * 0.5f;
        } else if (value >= 1.0f) {
            low = 1.0f;
            high = BAND_HIGH;
            lowIndex = cells;
            highIndex = NOT_ON_LATTICE;
            local = (value - 1.0f) * 0.5f;
        } else {
            const float fcells = static_cast<float>(cells);
            const float g = value * fcells;
            const int index = cellIndex(g, cells);
            low = static_cast<float>(index) / fcells;
            high = static_cast<float>(index + 1) / fcells;
            lowIndex = index;
            highIndex = index + 1;
            local = g - static_cast<float>(index);
        }
    }
};

} // namespace

BDBoxGrid::BDBoxGrid() : col(0), row(0), pivotManager(nullptr), pivotPoints(nullptr), pivotPointsFloatCounts(nullptr)
{
}

BDBoxGrid::~BDBoxGrid()
{
    delete pivotManager;
    if (pivotPoints) {
        for (int i = pivotPoints->size() - 1; i >= 0; --i) UtMemory::free_exe((*pivotPoints)[i]);
        delete pivotPoints;
    }
    delete pivotPointsFloatCounts;
}

void BDBoxGrid::readV2(BReader& reader, MemoryParam* memParam)
{
    IBaseData::readV2(reader, memParam);
    row = reader.readInt();
    col = reader.readInt();
    pivotManager = reader.readSerializableAs<PivotManager>(memParam, ClassSet(FileFormat2::PIVOT_MANAGER_NO));
    pivotPointsFloatCounts = new (memParam) LDVector<int>(memParam);
    pivotPoints = reader.readFloatArrayList(memParam, pivotPointsFloatCounts);
    readV2_opacity(reader, memParam);
}

int BDBoxGrid::getNumPts() const
{
    if (col < 0 || row < 0) return 0;
    const long long numPts = (static_cast<long long>(col) + 1) * (static_cast<long long>(row) + 1);
    return numPts > INT_MAX / 2 ? 0 : static_cast<int>(numPts);
}

void BDBoxGrid::initDirect(MemoryParam* memParam)
{
    if (!pivotManager) {
        pivotManager = new (memParam) PivotManager();
        if (pivotManager) pivotManager->initDirect(memParam);
    }
    if (!pivotPoints) pivotPoints = new (memParam) LDVector<float*>(memParam);
    if (!pivotPointsFloatCounts) pivotPointsFloatCounts = new (memParam) LDVector<int>(memParam);
}

bool BDBoxGrid::addPivotPoints(const float* points, int count, MemoryParam* memParam)
{
    if (!pivotPoints || !pivotPointsFloatCounts || !points || count < 1) return false;
    if (!pivotPoints->prepareAppend() || !pivotPointsFloatCounts->prepareAppend()) return false;
    float* copy = static_cast<float*>(UtMemory::malloc_exe(memParam, sizeof(float) * static_cast<size_t>(count)));
    if (!copy) return false;
    std::memcpy(copy, points, sizeof(float) * static_cast<size_t>(count));
    pivotPoints->push_back(copy);
    pivotPointsFloatCounts->push_back(count);
    return true;
}

int BDBoxGrid::getPivotPointsFloatCount(int index) const
{
    if (!pivotPointsFloatCounts || index < 0 || index >= pivotPointsFloatCounts->size()) return 0;
    return (*pivotPointsFloatCounts)[index];
}

bool BDBoxGrid::latticesComplete() const
{
    if (!pivotPoints) return false;
    const int wanted = getNumPts() * 2;
    for (int i = 0; i < pivotPoints->size(); ++i) {
        if (!(*pivotPoints)[i] || getPivotPointsFloatCount(i) < wanted) return false;
    }
    return true;
}

IBaseContext* BDBoxGrid::init(ModelContext& context)
{
    MemoryParam* memParam = context.getMemoryParam();
    BDBoxGridContext* gridContext = new (memParam) BDBoxGridContext(this);
    if (!gridContext) return nullptr;
    const int numPts = getNumPts();
    if (numPts < 1) return gridContext; // nothing to hold; evaluation reports it outside

    // Lattices start zeroed: nothing reads an unset value when the first
    // update cannot interpolate or transform them.
    const size_t bytes = sizeof(float) * 2 * static_cast<size_t>(numPts);
    gridContext->interpolatedPoints = static_cast<float*>(UtMemory::malloc_exe(memParam, bytes));
    if (needTransform()) gridContext->transformedPoints = static_cast<float*>(UtMemory::malloc_exe(memParam, bytes));
    if (!gridContext->interpolatedPoints || (needTransform() && !gridContext->transformedPoints)) {
        delete gridContext;
        return nullptr;
    }
    std::memset(gridContext->interpolatedPoints, 0, bytes);
    if (gridContext->transformedPoints) std::memset(gridContext->transformedPoints, 0, bytes);
    return gridContext;
}

void BDBoxGrid::setupInterpolate(ModelContext& context, IBaseContext* baseContext)
{
    BDBoxGridContext* gridContext = static_cast<BDBoxGridContext*>(baseContext);
    if (!gridContext) return;
    if (!pivotManager || !gridContext->interpolatedPoints) {
        // Nothing keys this lattice: it cannot be evaluated.
        gridContext->setOutsideParam(true);
        return;
    }
    if (!pivotManager->checkParamUpdated(context)) return;

    bool outside = false;
    if (latticesComplete()) {
        UtInterpolate::interpolatePoints(context, *pivotManager, &outside, getNumPts(), *pivotPoints,
                                         gridContext->interpolatedPoints, 0, 2);
    } else {
        // A lattice missing or shorter than the grid: treated like a
        // parameter outside its pivots.
        outside = true;
        std::memset(gridContext->interpolatedPoints, 0, sizeof(float) * 2 * static_cast<size_t>(getNumPts()));
    }
    interpolateOpacity(context, pivotManager, gridContext, &outside);
    gridContext->setOutsideParam(outside);
}

void BDBoxGrid::setupTransform(ModelContext& context, IBaseContext* baseContext)
{
    BDBoxGridContext* gridContext = static_cast<BDBoxGridContext*>(baseContext);
    if (!gridContext) return;
    gridContext->setAvailable(true);

    if (!needTransform()) {
        gridContext->setTotalOpacity(gridContext->getInterpolatedOpacity());
        return;
    }

    if (gridContext->tmpBaseDataIndex == BDBoxGridContext::BASE_INDEX_NOT_INIT) {
        gridContext->tmpBaseDataIndex = context.getBaseDataIndex(targetBaseDataID);
    }
    if (gridContext->tmpBaseDataIndex < 0) {
        UtDebug::error("Target baseData[%s] is not available.", targetBaseDataID->toChar());
        gridContext->setAvailable(false);
        return;
    }
    const unsigned int parentIndex = static_cast<unsigned int>(gridContext->tmpBaseDataIndex);
    IBaseData* parent = context.getBaseData(parentIndex);
    IBaseContext* parentContext = context.getBaseContext(parentIndex);
    if (!parent || !parentContext || !parentContext->isAvailable()) {
        // The previous transformed lattice stays.
        gridContext->setAvailable(false);
        return;
    }

    gridContext->setTotalScale_notForClient(parentContext->getTotalScale());
    gridContext->setTotalOpacity(parentContext->getTotalOpacity() * gridContext->getInterpolatedOpacity());
    if (gridContext->interpolatedPoints && gridContext->transformedPoints) {
        parent->transformPoints(context, parentContext, gridContext->interpolatedPoints,
                                gridContext->transformedPoints, getNumPts(), 0, 2);
    }
    gridContext->setAvailable(true);
}

void BDBoxGrid::transformPoints(ModelContext&, IBaseContext* baseContext, float* src, float* dst, int numPts,
                                int ptOffset, int ptStep)
{
    BDBoxGridContext* gridContext = static_cast<BDBoxGridContext*>(baseContext);
    const float* lattice =
        gridContext->transformedPoints ? gridContext->transformedPoints : gridContext->interpolatedPoints;
    const int end = numPts * ptStep;
    if (!lattice || col < 1 || row < 1) {
        // No lattice to map through: the points stay where they are.
        if (src != dst) {
            for (int i = ptOffset; i < end; i += ptStep) {
                dst[i] = src[i];
                dst[i + 1] = src[i + 1];
            }
        }
        return;
    }

    const int pointsPerRow = col + 1;
    const float fcol = static_cast<float>(col);
    const float frow = static_cast<float>(row);
    AffineEstimate estimate{};
    bool haveEstimate = false;

    for (int i = ptOffset; i < end; i += ptStep) {
        const float x = src[i];
        const float y = src[i + 1];
        const float gx = x * fcol;
        const float gy = y * frow;
        float p[2];

        if (gx >= 0.0f && gy >= 0.0f && gx < fcol && gy < frow) {
            const int ix = static_cast<int>(gx);
            const int iy = static_cast<int>(gy);
            mapInCell(lattice, pointsPerRow, ix, iy, gx - static_cast<float>(ix), gy - static_cast<float>(iy), p);
            dst[i] = p[0];
            dst[i + 1] = p[1];
            continue;
        }

        if (!haveEstimate) {
            estimate.build(lattice, lattice + 2 * col, lattice + 2 * (row * pointsPerRow),
                           lattice + 2 * (col + row * pointsPerRow));
            haveEstimate = true;
        }

        if (!(BAND_LOW < x && x < BAND_HIGH && BAND_LOW < y && y < BAND_HIGH)) {
            // Far outside; a NaN coordinate also ends here, never as a cell.
            estimate.map(x, y, p);
        } else if (x > 0.0f && x < 1.0f && y > 0.0f && y < 1.0f) {
            // Inside the lattice range, but x * col or y * row rounded up to
            // the cell count: the nearest border cell takes the point.
            const int ix = cellIndex(gx, col);
            const int iy = cellIndex(gy, row);
            mapInCell(lattice, pointsPerRow, ix, iy, gx - static_cast<float>(ix), gy - static_cast<float>(iy), p);
        } else {
            BandSpan u, v;
            u.set(x, col);
            v.set(y, row);
            float a[2], b[2], c[2], d[2];
            const auto corner = [&](const BandSpan& su, bool high, const BandSpan& sv, bool vhigh, float* out) {
                const int column = high ? su.highIndex : su.lowIndex;
                const int latticeRow = vhigh ? sv.highIndex : sv.lowIndex;
                if (column != NOT_ON_LATTICE && latticeRow != NOT_ON_LATTICE) {
                    const float* g = lattice + 2 * (column + latticeRow * pointsPerRow);
                    out[0] = g[0];
                    out[1] = g[1];
                } else {
                    estimate.map(high ? su.high : su.low, vhigh ? sv.high : sv.low, out);
                }
            };
            corner(u, false, v, false, a);
            corner(u, true, v, false, b);
            corner(u, false, v, true, c);
            corner(u, true, v, true, d);
            const float s = u.local;
            const float t = v.local;
            // Here the diagonal belongs to the first triangle.
            if (s + t <= 1.0f) {
                p[0] = a[0] + (b[0] - a[0]) * s + (c[0] - a[0]) * t;
                p[1] = a[1] + (b[1] - a[1]) * s + (c[1] - a[1]) * t;
            } else {
                p[0] = d[0] + (c[0] - d[0]) * (1.0f - s) + (b[0] - d[0]) * (1.0f - t);
                p[1] = d[1] + (c[1] - d[1]) * (1.0f - s) + (b[1] - d[1]) * (1.0f - t);
            }
        }
        dst[i] = p[0];
        dst[i + 1] = p[1];
    }
}

} // namespace tavrix
