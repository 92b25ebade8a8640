#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "ModelContext.h"
#include "base/AffineEnt.h"
#include "base/BDAffine.h"
#include "base/BDAffineContext.h"
#include "base/BDBoxGrid.h"
#include "base/BDBoxGridContext.h"
#include "id/BaseDataID.h"
#include "id/ParamID.h"
#include "io/BReader.h"
#include "io/FileFormat2.h"
#include "memory/MemoryParam.h"
#include "memory/UtMemory.h"
#include "memory/fixed/MemoryHolderFixed.h"
#include "param/ParamPivots.h"
#include "param/PivotManager.h"
#include "mocwriter/MocWriter.h"
#include "support/RuntimeFixture.h"

using tavrix::AffineEnt;
using tavrix::BaseDataID;
using tavrix::BDAffine;
using tavrix::BDAffineContext;
using tavrix::BDBoxGrid;
using tavrix::BDBoxGridContext;
using tavrix::IBaseContext;
using tavrix::IBaseData;
using tavrix::ModelContext;
using tavrix::ParamID;
using tavrix::ParamPivots;
using tavrix::PivotManager;

namespace {

const float NaN = std::numeric_limits<float>::quiet_NaN();
const float INF = std::numeric_limits<float>::infinity();
const char* const ROOT = "DST_BASE";

struct PivotDef {
    std::string name;
    std::vector<float> pivots;
};

struct Key {
    float originX = 0.0f;
    float originY = 0.0f;
    float rotationDeg = 0.0f;
    float scaleX = 1.0f;
    float scaleY = 1.0f;
    bool reflectX = false;
    bool reflectY = false;
};

Key key(float originX, float originY, float rotationDeg = 0.0f, float scale = 1.0f)
{
    Key k;
    k.originX = originX;
    k.originY = originY;
    k.rotationDeg = rotationDeg;
    k.scaleX = scale;
    k.scaleY = scale;
    return k;
}

// Corners of a 1 x 1 lattice in stream order: (0, 0), (1, 0), (0, 1), (1, 1).
const std::vector<float> SQUARE_10 = {0, 0, 10, 0, 0, 10, 10, 10};
const std::vector<float> SQUARE_PULLED = {0, 0, 10, 0, 0, 10, 20, 20};

int occurrences(const std::string& text, const std::string& part)
{
    int count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + part.size())) ++count;
    return count;
}

// Deformers built in code and installed into a model context by hand, in
// the order given (parents first), the way the context's init lists them.
class DeformerTest : public tavrix_test::RuntimeTest {
protected:
    void SetUp() override
    {
        RuntimeTest::SetUp();
        context = new ModelContext(nullptr);
        context->init();
    }
    void TearDown() override
    {
        // The contexts go first: they belong to the model context.
        delete context;
        for (IBaseData* deformer : deformers) delete deformer;
        RuntimeTest::TearDown();
    }

    static BaseDataID* idOf(const char* name)
    {
        if (!name) return nullptr;
        return std::strcmp(name, ROOT) == 0 ? BaseDataID::DST_BASE_ID() : BaseDataID::getID(name);
    }

    static void addPivots(PivotManager& manager, const std::vector<PivotDef>& defs)
    {
        for (const PivotDef& def : defs) {
            ParamPivots* pivots = new ParamPivots();
            ASSERT_TRUE(pivots->initDirect(ParamID::getID(def.name.c_str()), def.pivots.data(),
                                           static_cast<int>(def.pivots.size()), nullptr));
            ASSERT_TRUE(manager.addParamPivots(pivots));
        }
    }

    BDAffine* rotation(const char* id, const char* target, const std::vector<Key>& keys,
                       const std::vector<PivotDef>& pivots = {})
    {
        BDAffine* deformer = new BDAffine();
        deformers.push_back(deformer);
        deformer->initDirect(tavrix::UtMemory::getTmpMemoryParam());
        deformer->setBaseDataID(idOf(id));
        deformer->setTargetBaseDataID(idOf(target));
        addPivots(*deformer->getPivotManager(), pivots);
        for (const Key& k : keys) {
            AffineEnt* entry = new AffineEnt();
            entry->originX = k.originX;
            entry->originY = k.originY;
            entry->scaleX = k.scaleX;
            entry->scaleY = k.scaleY;
            entry->rotationDeg = k.rotationDeg;
            entry->reflectX = k.reflectX;
            entry->reflectY = k.reflectY;
            EXPECT_TRUE(deformer->addAffine(entry));
        }
        install(deformer);
        return deformer;
    }

    BDBoxGrid* grid(const char* id, const char* target, int col, int row,
                    const std::vector<std::vector<float>>& lattices, const std::vector<PivotDef>& pivots = {})
    {
        BDBoxGrid* deformer = new BDBoxGrid();
        deformers.push_back(deformer);
        deformer->initDirect(tavrix::UtMemory::getTmpMemoryParam());
        deformer->setBaseDataID(idOf(id));
        deformer->setTargetBaseDataID(idOf(target));
        deformer->setColRow(col, row);
        addPivots(*deformer->getPivotManager(), pivots);
        for (const std::vector<float>& lattice : lattices) {
            EXPECT_TRUE(deformer->addPivotPoints(lattice.data(), static_cast<int>(lattice.size()), nullptr));
        }
        install(deformer);
        return deformer;
    }

    void install(IBaseData* deformer)
    {
        IBaseContext* baseContext = deformer->init(*context);
        ASSERT_NE(baseContext, nullptr);
        ASSERT_TRUE(context->addBaseData_notForClientCall(deformer, baseContext));
    }

    // One update of the deformer chain: changed flags, then every deformer
    // interpolated and transformed in list order, then the flags cleared.
    void evaluate()
    {
        context->detectParamChanges();
        for (unsigned int i = 0; context->getBaseContext(i); ++i) {
            context->getBaseData(i)->setupInterpolate(*context, context->getBaseContext(i));
            context->getBaseData(i)->setupTransform(*context, context->getBaseContext(i));
        }
        context->clearParamChanges();
    }

    std::string evaluateCapturingOutput()
    {
        return tavrix_test::captureStdout([this] { evaluate(); });
    }

    void set(const char* name, float value)
    {
        context->setParamFloat(static_cast<unsigned int>(context->getParamIndex(ParamID::getID(name))), value);
    }

    IBaseContext* contextOf(IBaseData* deformer)
    {
        return context->getBaseContext(static_cast<unsigned int>(context->getBaseDataIndex(deformer->getBaseDataID())));
    }
    BDAffineContext* affineContextOf(BDAffine* deformer)
    {
        return static_cast<BDAffineContext*>(contextOf(deformer));
    }
    BDBoxGridContext* gridContextOf(BDBoxGrid* deformer)
    {
        return static_cast<BDBoxGridContext*>(contextOf(deformer));
    }

    std::vector<float> map(IBaseData* deformer, std::vector<float> points)
    {
        deformer->transformPoints(*context, contextOf(deformer), points.data(), points.data(),
                                  static_cast<int>(points.size() / 2), 0, 2);
        return points;
    }

    ModelContext* context = nullptr;
    std::vector<IBaseData*> deformers;
};

#define EXPECT_POINT_NEAR(points, index, x, y, tolerance)                                                  \
    do {                                                                                                   \
        EXPECT_NEAR((points)[2 * (index)], (x), (tolerance)) << "point " << (index);                       \
        EXPECT_NEAR((points)[2 * (index) + 1], (y), (tolerance)) << "point " << (index);                   \
    } while (0)

// --- Rotation deformer -------------------------------------------------------

TEST_F(DeformerTest, RootRotationMapsThroughOriginAngleScaleAndMirrors)
{
    BDAffine* plain = rotation("PLAIN", ROOT, {key(100, 50, 90, 2)});
    Key mirroredX = key(100, 50, 90, 2);
    mirroredX.reflectX = true;
    BDAffine* flippedX = rotation("FLIP_X", ROOT, {mirroredX});
    Key mirroredY = key(100, 50, 90, 2);
    mirroredY.reflectY = true;
    BDAffine* flippedY = rotation("FLIP_Y", ROOT, {mirroredY});
    evaluate();

    EXPECT_TRUE(affineContextOf(plain)->isAvailable());
    EXPECT_EQ(affineContextOf(plain)->getTotalScale(), 2.0f);
    EXPECT_EQ(affineContextOf(plain)->getTransformedAffine(), nullptr);

    std::vector<float> p = map(plain, {1, 0, 0, 1});
    EXPECT_POINT_NEAR(p, 0, 100.0f, 52.0f, 1e-4);
    EXPECT_POINT_NEAR(p, 1, 98.0f, 50.0f, 1e-4);
    p = map(flippedX, {1, 0});
    EXPECT_POINT_NEAR(p, 0, 100.0f, 48.0f, 1e-4);
    p = map(flippedY, {0, 1});
    EXPECT_POINT_NEAR(p, 0, 102.0f, 50.0f, 1e-4);

    // Offset and step pick the points; everything else stays untouched, and
    // source and destination may differ.
    const float S = -7.0f;
    std::vector<float> src = {S, S, 1, 0, S, S, 0, 1};
    std::vector<float> dst(8, S);
    plain->transformPoints(*context, contextOf(plain), src.data(), dst.data(), 2, 2, 4);
    EXPECT_EQ(dst[0], S);
    EXPECT_EQ(dst[1], S);
    EXPECT_NEAR(dst[2], 100.0f, 1e-4);
    EXPECT_NEAR(dst[3], 52.0f, 1e-4);
    EXPECT_EQ(dst[4], S);
    EXPECT_EQ(dst[5], S);
    EXPECT_NEAR(dst[6], 98.0f, 1e-4);
    EXPECT_NEAR(dst[7], 50.0f, 1e-4);
}

TEST_F(DeformerTest, VerticalScaleIsCarriedButNeverStretches)
{
    Key tall = key(0, 0);
    tall.scaleY = 3.0f;
    BDAffine* deformer = rotation("TALL", ROOT, {tall});
    evaluate();
    EXPECT_EQ(affineContextOf(deformer)->getInterpolatedAffine()->scaleY, 3.0f);
    std::vector<float> p = map(deformer, {0, 1, 2, 0});
    EXPECT_POINT_NEAR(p, 0, 0.0f, 1.0f, 1e-6);
    EXPECT_POINT_NEAR(p, 1, 2.0f, 0.0f, 1e-6);
}

TEST_F(DeformerTest, MirrorFlagsComeFromTheFirstCombinationNeverTheBlend)
{
    Key first = key(0, 0, 0);
    first.reflectY = true;
    Key second = key(20, 0, 90);
    second.reflectX = true;
    BDAffine* deformer = rotation("D", ROOT, {first, second}, {{"P", {0, 10}}});
    const AffineEnt* blended = affineContextOf(deformer)->getInterpolatedAffine();

    set("P", 7.5f);
    evaluate();
    EXPECT_FLOAT_EQ(blended->rotationDeg, 67.5f);
    EXPECT_FLOAT_EQ(blended->originX, 15.0f);
    EXPECT_FALSE(blended->reflectX);
    EXPECT_TRUE(blended->reflectY);

    // On the second pivot the second entry is the only combination.
    set("P", 10.0f);
    evaluate();
    EXPECT_EQ(blended->rotationDeg, 90.0f);
    EXPECT_TRUE(blended->reflectX);
    EXPECT_FALSE(blended->reflectY);
}

// Multilinear blending reproduces a function that is linear in each
// parameter, whatever the number of parameters between pivots.
TEST_F(DeformerTest, BlendsReproduceMultilinearKeysForOneToFiveParameters)
{
    const char* names[] = {"A", "B", "C", "D", "E"};
    const float coefficients[] = {3.0f, -5.0f, 7.0f, 11.0f, -13.0f};
    const float values[] = {0.25f, 0.5f, 0.75f, 0.125f, 0.625f};
    for (int n = 1; n <= 5; ++n) {
        std::vector<PivotDef> pivots;
        for (int k = 0; k < n; ++k) pivots.push_back({std::string(names[k]) + std::to_string(n), {0.0f, 2.0f}});
        std::vector<Key> keys;
        for (int j = 0; j < (1 << n); ++j) {
            float x = 1.0f;
            float y = -2.0f;
            for (int k = 0; k < n; ++k) {
                const float v = ((j >> k) & 1) ? 2.0f : 0.0f;
                x += coefficients[k] * v;
                y -= v;
            }
            // A bilinear term in the first two parameters blends exactly too.
            const float v0 = (j & 1) ? 2.0f : 0.0f;
            const float v1 = ((j >> 1) & 1) ? 2.0f : 0.0f;
            keys.push_back(key(x, y, n > 1 ? v0 * v1 : v0, 1.0f));
        }
        const std::string id = "D" + std::to_string(n);
        BDAffine* deformer = rotation(id.c_str(), ROOT, keys, pivots);
        for (int k = 0; k < n; ++k) set(pivots[k].name.c_str(), 2.0f * values[k]);
        evaluate();

        float x = 1.0f;
        float y = -2.0f;
        for (int k = 0; k < n; ++k) {
            x += coefficients[k] * 2.0f * values[k];
            y -= 2.0f * values[k];
        }
        const float xy = n > 1 ? (2.0f * values[0]) * (2.0f * values[1]) : 2.0f * values[0];
        const AffineEnt* blended = affineContextOf(deformer)->getInterpolatedAffine();
        EXPECT_NEAR(blended->originX, x, 1e-4) << n << " parameters";
        EXPECT_NEAR(blended->originY, y, 1e-4) << n << " parameters";
        EXPECT_NEAR(blended->rotationDeg, xy, 1e-4) << n << " parameters";
        EXPECT_FALSE(contextOf(deformer)->isOutsideParam());
    }
}

TEST_F(DeformerTest, ChildFollowsItsParentsTurnOriginAndScale)
{
    rotation("PARENT", ROOT, {key(100, 50, 30, 2)});
    BDAffine* child = rotation("CHILD", "PARENT", {key(10, 0, 10, 1.5f)});
    BDAffine* grandchild = rotation("GRANDCHILD", "CHILD", {key(0, 0, 0, 1)});
    evaluate();

    const double rad30 = 30.0 * M_PI / 180.0;
    const AffineEnt* moved = affineContextOf(child)->getTransformedAffine();
    ASSERT_NE(moved, nullptr);
    EXPECT_NEAR(moved->rotationDeg, 40.0f, 1e-3);
    EXPECT_NEAR(moved->originX, 100.0 + 20.0 * std::cos(rad30), 1e-3);
    EXPECT_NEAR(moved->originY, 50.0 + 20.0 * std::sin(rad30), 1e-3);
    EXPECT_EQ(moved->scaleX, 1.5f);
    EXPECT_FLOAT_EQ(affineContextOf(child)->getTotalScale(), 3.0f);
    EXPECT_TRUE(affineContextOf(child)->isAvailable());

    // The child's points turn by 40 degrees and scale by the whole chain.
    const double rad40 = 40.0 * M_PI / 180.0;
    std::vector<float> p = map(child, {1, 0});
    EXPECT_POINT_NEAR(p, 0, moved->originX + 3.0 * std::cos(rad40), moved->originY + 3.0 * std::sin(rad40), 1e-3);

    EXPECT_NEAR(affineContextOf(grandchild)->getTransformedAffine()->rotationDeg, 40.0f, 1e-3);
    EXPECT_FLOAT_EQ(affineContextOf(grandchild)->getTotalScale(), 3.0f);
}

TEST_F(DeformerTest, TransformsRunEveryUpdateWhileInterpolationWaitsForChanges)
{
    rotation("PARENT", ROOT, {key(0, 0, 0), key(0, 0, 90)}, {{"TURN", {0, 90}}});
    BDAffine* child = rotation("CHILD", "PARENT", {key(10, 0, 0)});
    evaluate();
    EXPECT_NEAR(affineContextOf(child)->getTransformedAffine()->originX, 10.0f, 1e-4);

    // Only the parent's parameter changes: the child is not interpolated
    // again, yet it follows the parent.
    set("TURN", 90.0f);
    evaluate();
    const AffineEnt* moved = affineContextOf(child)->getTransformedAffine();
    EXPECT_NEAR(moved->originX, 0.0f, 1e-4);
    EXPECT_NEAR(moved->originY, 10.0f, 1e-4);
    EXPECT_NEAR(moved->rotationDeg, 90.0f, 1e-3);
}

TEST_F(DeformerTest, ChildOfGridTurnsWithTheLattice)
{
    // A lattice turned by a quarter: u runs along +y, v along -x.
    grid("GRID", ROOT, 1, 1, {{0, 0, 0, 10, -10, 0, -10, 10}});
    BDAffine* child = rotation("CHILD", "GRID", {key(0.5f, 0.5f, 5, 2)});
    evaluate();
    const AffineEnt* moved = affineContextOf(child)->getTransformedAffine();
    EXPECT_NEAR(moved->rotationDeg, 95.0f, 1e-3);
    EXPECT_NEAR(moved->originX, -5.0f, 1e-4);
    EXPECT_NEAR(moved->originY, 5.0f, 1e-4);
    // A grid passes on its own total scale (1 at the root), not its size.
    EXPECT_FLOAT_EQ(affineContextOf(child)->getTotalScale(), 2.0f);
}

TEST_F(DeformerTest, ParentCollapsingEveryStepLeavesTheAngleAsItIs)
{
    rotation("FLAT", ROOT, {key(30, 40, 15, 0)});
    BDAffine* child = rotation("CHILD", "FLAT", {key(5, 5, 25, 1)});
    const std::string out = evaluateCapturingOutput();
    EXPECT_EQ(out, "failed to transform BDAffine\xEF\xBC\xBC" "n");
    const AffineEnt* moved = affineContextOf(child)->getTransformedAffine();
    EXPECT_EQ(moved->rotationDeg, 25.0f);
    EXPECT_EQ(moved->originX, 30.0f);
    EXPECT_EQ(moved->originY, 40.0f);
}

// --- Unavailable parents --------------------------------------------------------

TEST_F(DeformerTest, MissingParentsAreReportedAndUnavailabilityPropagates)
{
    BDAffine* orphan = rotation("ORPHAN", "NO_SUCH_PARENT", {key(1, 2, 3)});
    BDBoxGrid* gridUnderOrphan = grid("GRID_UNDER_ORPHAN", "ORPHAN", 1, 1, {SQUARE_10});
    BDAffine* leaf = rotation("LEAF", "GRID_UNDER_ORPHAN", {key(0.5f, 0.5f)});
    BDBoxGrid* orphanGrid = grid("ORPHAN_GRID", "NO_GRID_PARENT", 1, 1, {SQUARE_10});

    std::string out = evaluateCapturingOutput();
    EXPECT_EQ(occurrences(out, "Target BaseData[NO_SUCH_PARENT] is not available"), 1) << out;
    EXPECT_EQ(occurrences(out, "Target baseData[NO_GRID_PARENT] is not available."), 1) << out;
    EXPECT_EQ(occurrences(out, "is not available"), 2) << out; // the branch below says nothing

    EXPECT_FALSE(contextOf(orphan)->isAvailable());
    EXPECT_FALSE(contextOf(gridUnderOrphan)->isAvailable());
    EXPECT_FALSE(contextOf(leaf)->isAvailable());
    EXPECT_FALSE(contextOf(orphanGrid)->isAvailable());
    EXPECT_EQ(affineContextOf(orphan)->getTmpBaseDataIndex(), -1);

    // What could not be transformed is zero, not left unset.
    const AffineEnt* never = affineContextOf(orphan)->getTransformedAffine();
    EXPECT_EQ(never->originX, 0.0f);
    EXPECT_EQ(never->originY, 0.0f);
    EXPECT_EQ(never->scaleX, 0.0f);
    EXPECT_EQ(never->rotationDeg, 0.0f);
    const float* lattice = gridContextOf(gridUnderOrphan)->getTransformedPoints();
    for (int i = 0; i < 8; ++i) EXPECT_EQ(lattice[i], 0.0f) << i;

    // The report repeats on every update.
    out = evaluateCapturingOutput();
    EXPECT_EQ(occurrences(out, "Target BaseData[NO_SUCH_PARENT] is not available"), 1) << out;
    EXPECT_EQ(occurrences(out, "Target baseData[NO_GRID_PARENT] is not available."), 1) << out;
}

TEST_F(DeformerTest, ParentOutsideItsPivotsHidesItsChildren)
{
    BDAffine* parent = rotation("PARENT", ROOT, {key(0, 0), key(0, 0)}, {{"P", {0, 1}}});
    BDAffine* child = rotation("CHILD", "PARENT", {key(1, 1)});
    BDBoxGrid* gridChild = grid("GRID", "PARENT", 1, 1, {SQUARE_10});
    set("P", 0.5f);
    evaluate();
    EXPECT_TRUE(contextOf(child)->isAvailable());
    EXPECT_TRUE(contextOf(gridChild)->isAvailable());

    set("P", 5.0f);
    evaluate();
    EXPECT_TRUE(contextOf(parent)->isOutsideParam());
    EXPECT_FALSE(contextOf(child)->isAvailable());
    EXPECT_FALSE(contextOf(gridChild)->isAvailable());
}

// --- Grid deformer --------------------------------------------------------------

TEST_F(DeformerTest, SquareLatticeMapsInsideOnTheBandAndFarOutside)
{
    BDBoxGrid* square = grid("SQUARE", ROOT, 1, 1, {SQUARE_10});
    evaluate();
    const std::vector<float> p = map(square, {
        0.25f, 0.25f,  // inside, first triangle
        0.5f, 0.5f,    // on the diagonal
        2.0f, 0.5f,    // band, right
        5.0f, 5.0f,    // far
        0.0f, 0.5f,    // x exactly 0: inside
        1.0f, 0.5f,    // x exactly 1: band
        -1.0f, -1.0f,  // band corner cell
        0.5f, 2.5f,    // band, below
    });
    EXPECT_POINT_NEAR(p, 0, 2.5f, 2.5f, 1e-5);
    EXPECT_POINT_NEAR(p, 1, 5.0f, 5.0f, 1e-5);
    EXPECT_POINT_NEAR(p, 2, 20.0f, 5.0f, 1e-5);
    EXPECT_POINT_NEAR(p, 3, 50.0f, 50.0f, 1e-5);
    EXPECT_POINT_NEAR(p, 4, 0.0f, 5.0f, 1e-5);
    EXPECT_POINT_NEAR(p, 5, 10.0f, 5.0f, 1e-5);
    EXPECT_POINT_NEAR(p, 6, -10.0f, -10.0f, 1e-5);
    EXPECT_POINT_NEAR(p, 7, 5.0f, 25.0f, 1e-5);
}

TEST_F(DeformerTest, PulledCornerMovesOnlyTheSecondTriangleAndTheEstimate)
{
    BDBoxGrid* pulled = grid("PULLED", ROOT, 1, 1, {SQUARE_PULLED});
    evaluate();
    // Estimate of this lattice: Q(u, v) = (-2.5, -2.5) + u (15, 5) + v (5, 15).
    const std::vector<float> p = map(pulled, {
        0.25f, 0.25f, 0.75f, 0.75f,
        1.0f, 0.5f,   // right band at s = 0: on the border between (10, 0) and (20, 20)
        3.0f, 0.5f,   // far rule from x = 3 on
        -2.0f, 0.5f,  // and from x = -2 down
        0.5f, 3.0f,
    });
    EXPECT_POINT_NEAR(p, 0, 2.5f, 2.5f, 1e-5);
    EXPECT_POINT_NEAR(p, 1, 12.5f, 12.5f, 1e-5);
    EXPECT_POINT_NEAR(p, 2, 15.0f, 10.0f, 1e-5);
    EXPECT_POINT_NEAR(p, 3, 45.0f, 20.0f, 1e-5);
    EXPECT_POINT_NEAR(p, 4, -30.0f, -5.0f, 1e-5);
    EXPECT_POINT_NEAR(p, 5, 20.0f, 45.0f, 1e-5);
}

// Every rule meets its neighbours: lattice borders, lines between band
// cells and the band's outer lines at -2 and 3, on a distorted lattice.
TEST_F(DeformerTest, MappingIsContinuousAcrossEveryRuleBorder)
{
    std::vector<float> lattice;
    const int col = 3, row = 2;
    for (int j = 0; j <= row; ++j) {
        for (int i = 0; i <= col; ++i) {
            lattice.push_back(10.0f * i + 2.0f * j + (i * j % 3) * 1.5f);
            lattice.push_back(12.0f * j - 1.0f * i + ((i + j) % 2) * 2.0f);
        }
    }
    BDBoxGrid* warped = grid("WARPED", ROOT, col, row, {lattice});
    evaluate();

    const float borders[] = {-2.0f, 0.0f, 1.0f / 3.0f, 0.5f, 2.0f / 3.0f, 1.0f, 3.0f};
    const float along[] = {-2.5f, -1.3f, -0.2f, 0.1f, 0.45f, 0.8f, 1.2f, 2.7f, 3.4f};
    const float e = 1e-4f;
    for (float b : borders) {
        for (float a : along) {
            const std::vector<float> p = map(warped, {b - e, a, b + e, a, a, b - e, a, b + e});
            EXPECT_NEAR(p[0], p[2], 0.02f) << "x border " << b << " at y " << a;
            EXPECT_NEAR(p[1], p[3], 0.02f) << "x border " << b << " at y " << a;
            EXPECT_NEAR(p[4], p[6], 0.02f) << "y border " << b << " at x " << a;
            EXPECT_NEAR(p[5], p[7], 0.02f) << "y border " << b << " at x " << a;
        }
    }
    // Grid points map onto themselves.
    const std::vector<float> corner = map(warped, {1.0f / 3.0f, 0.5f, 1.0f, 1.0f});
    EXPECT_POINT_NEAR(corner, 0, lattice[2 * (1 + 1 * 4)], lattice[2 * (1 + 1 * 4) + 1], 1e-4);
    EXPECT_POINT_NEAR(corner, 1, lattice[2 * (3 + 2 * 4)], lattice[2 * (3 + 2 * 4) + 1], 1e-4);
}

TEST_F(DeformerTest, NonFiniteCoordinatesNeverBecomeCells)
{
    BDBoxGrid* square = grid("SQUARE", ROOT, 1, 1, {SQUARE_10});
    evaluate();
    const std::vector<float> p = map(square, {NaN, 0.5f, 0.5f, NaN, INF, 0.5f, -INF, -INF, NaN, NaN, 0.25f, 0.25f});
    for (int k = 0; k < 5; ++k) {
        EXPECT_FALSE(std::isfinite(p[2 * k]) && std::isfinite(p[2 * k + 1])) << "point " << k;
    }
    EXPECT_POINT_NEAR(p, 5, 2.5f, 2.5f, 1e-5);
}

TEST_F(DeformerTest, CoordinatesRoundingUpToTheCellCountStayOnTheBorderCell)
{
    BDBoxGrid* regular = grid("REGULAR", ROOT, 3, 3, {mocwriter::ModelBuilders::regularLattice(3, 3, 0, 0, 30, 30)});
    evaluate();
    const float justBelowOne = std::nextafter(1.0f, 0.0f);
    std::vector<float> points = {justBelowOne, justBelowOne, justBelowOne, 0.5f, 0.5f, justBelowOne};
    std::vector<float> dst(points.size(), -999.0f);

    // Rounding upward makes x * col reach col for x < 1.
    const int savedRounding = std::fegetround();
    ASSERT_EQ(std::fesetround(FE_UPWARD), 0);
    volatile float factor = 3.0f;
    volatile float reached = justBelowOne * factor;
    regular->transformPoints(*context, contextOf(regular), points.data(), dst.data(), 3, 0, 2);
    std::fesetround(savedRounding);
    ASSERT_EQ(static_cast<float>(reached), 3.0f);

    EXPECT_POINT_NEAR(dst, 0, 30.0f, 30.0f, 1e-3);
    EXPECT_POINT_NEAR(dst, 1, 30.0f, 15.0f, 1e-3);
    EXPECT_POINT_NEAR(dst, 2, 15.0f, 30.0f, 1e-3);
}

TEST_F(DeformerTest, GridBelowARotationCarriesItsLatticeIntoTheParent)
{
    rotation("PARENT", ROOT, {key(100, 50, 90, 2)});
    BDBoxGrid* child = grid("GRID", "PARENT", 1, 1, {SQUARE_10});
    evaluate();
    ASSERT_TRUE(contextOf(child)->isAvailable());
    EXPECT_EQ(contextOf(child)->getTotalScale(), 2.0f);
    const float* moved = gridContextOf(child)->getTransformedPoints();
    EXPECT_POINT_NEAR(moved, 1, 100.0f, 70.0f, 1e-4);  // (10, 0)
    EXPECT_POINT_NEAR(moved, 2, 80.0f, 50.0f, 1e-4);   // (0, 10)
    std::vector<float> p = map(child, {0.5f, 0.5f});
    EXPECT_POINT_NEAR(p, 0, 90.0f, 60.0f, 1e-4);
}

// --- Reading from the object stream ------------------------------------------

class DeformerStreamTest : public DeformerTest {
protected:
    void SetUp() override
    {
        DeformerTest::SetUp();
        holder = new (tavrix::UtMemory::getTmpMemoryParam())
            tavrix::MemoryHolderFixed(tavrix::LDAllocator::MAIN, "deformer test");
        memory = new (tavrix::UtMemory::getTmpMemoryParam()) tavrix::MemoryParam(holder, holder);
    }
    void TearDown() override
    {
        delete context;
        context = nullptr;
        for (IBaseData* deformer : deformers) delete deformer;
        deformers.clear();
        delete memory;
        delete holder;
        DeformerTest::TearDown();
    }

    template <class Write>
    IBaseData* read(int formatVersion, Write write, bool* invalid = nullptr)
    {
        mocwriter::MocStreamWriter writer;
        mocwriter::MocModelSerializer serializer(writer, {formatVersion, false});
        write(writer, serializer);
        const std::vector<std::uint8_t>& bytes = writer.bytes();
        tavrix::BReader reader(bytes.data(), static_cast<int>(bytes.size()));
        reader.setFormatVersion(formatVersion);
        IBaseData* deformer = reader.readSerializableAs<IBaseData>(
            memory, tavrix::ClassSet({tavrix::FileFormat2::BDAFFINE_NO, tavrix::FileFormat2::BDBOXGRID_NO}));
        if (invalid) *invalid = reader.isInvalid();
        if (deformer) deformers.push_back(deformer);
        return deformer;
    }

    tavrix::MemoryHolderFixed* holder = nullptr;
    tavrix::MemoryParam* memory = nullptr;
};

TEST_F(DeformerStreamTest, GridStreamGivesRowsBeforeColumnsAndKeepsLatticeCounts)
{
    mocwriter::MocModel::GridDeformer described = mocwriter::ModelBuilders::gridDeformer(
        "GRID", ROOT, 2, 3, 0, 0, 30, 20, mocwriter::ModelBuilders::pivots("P", {0, 1}));
    described.opacities = {0.5f, 1.0f};
    IBaseData* read10 = read(10, [&](auto&, auto& serializer) { serializer.writeGridDeformer(described); });
    ASSERT_NE(read10, nullptr);
    ASSERT_EQ(read10->getType(), +IBaseData::TYPE_BD_BOX_GRID);
    BDBoxGrid* gridData = static_cast<BDBoxGrid*>(read10);
    EXPECT_EQ(gridData->getRow(), 2);
    EXPECT_EQ(gridData->getCol(), 3);
    EXPECT_EQ(gridData->getNumPts(), 12);
    ASSERT_EQ(gridData->getPivotPointsSize(), 2);
    EXPECT_EQ(gridData->getPivotPointsFloatCount(0), 24);
    EXPECT_EQ(gridData->getPivotPointsFloatCount(1), 24);
    EXPECT_EQ(gridData->getPivotPointsFloatCount(2), 0);
    EXPECT_EQ(gridData->getPivotManager()->getParamPivotsCount(), 1);
    EXPECT_EQ(gridData->getBaseDataID(), BaseDataID::getID("GRID"));
    EXPECT_EQ(gridData->getTargetBaseDataID(), BaseDataID::DST_BASE_ID());

    install(gridData);
    evaluate();
    EXPECT_FLOAT_EQ(contextOf(gridData)->getTotalOpacity(), 0.5f);
    // Point (i, j) sits at float index 2 * (i + j * 4): four points per row.
    const std::vector<float> p = map(gridData, {1.0f / 3.0f, 0.5f, 1.0f, 1.0f});
    EXPECT_POINT_NEAR(p, 0, 10.0f, 10.0f, 1e-4);
    EXPECT_POINT_NEAR(p, 1, 30.0f, 20.0f, 1e-4);
}

TEST_F(DeformerStreamTest, MirrorFlagsAndOpacitiesAreReadOnlyFromVersionTen)
{
    mocwriter::MocModel::AffineKey mirrored = mocwriter::ModelBuilders::affine(100, 50, 90, 2);
    mirrored.reflectX = true;
    mirrored.reflectY = true;
    mocwriter::MocModel::RotationDeformer described = mocwriter::ModelBuilders::rotationDeformer(
        "ROT", ROOT, mocwriter::ModelBuilders::singlePivot("P"), {mirrored});
    described.opacities = {0.25f};

    for (int version : {9, 10}) {
        IBaseData* data = read(version, [&](auto&, auto& serializer) { serializer.writeRotationDeformer(described); });
        ASSERT_NE(data, nullptr) << version;
        ASSERT_EQ(data->getType(), +IBaseData::TYPE_BD_AFFINE);
        BDAffine* deformer = static_cast<BDAffine*>(data);
        ASSERT_EQ(deformer->getAffineCount(), 1);
        const AffineEnt* entry = (*deformer->getAffines())[0];
        EXPECT_EQ(entry->originX, 100.0f);
        EXPECT_EQ(entry->originY, 50.0f);
        EXPECT_EQ(entry->scaleX, 2.0f);
        EXPECT_EQ(entry->rotationDeg, 90.0f);
        EXPECT_EQ(entry->reflectX, version >= 10) << version;
        EXPECT_EQ(entry->reflectY, version >= 10) << version;
        EXPECT_EQ(deformer->getPivotOpacity() != nullptr, version >= 10) << version;
        EXPECT_EQ(deformer->getPivotManager()->getParamPivotsCount(), 1);
    }
}

// Before validation refuses them, damaged deformers must read and evaluate
// without touching memory they do not have.
TEST_F(DeformerStreamTest, DamagedDeformersReadAndEvaluateAsOutside)
{
    using mocwriter::MocStreamWriter;
    // Rotation deformer without pivots or entries.
    IBaseData* bare = read(10, [](MocStreamWriter& writer, auto&) {
        writer.beginObject(tavrix::FileFormat2::BDAFFINE_NO);
        writer.writeBaseDataId("BARE");
        writer.writeBaseDataId(ROOT);
        writer.writeNull();
        writer.writeNull();
        writer.writeFloatArray({});
        writer.endObject();
    });
    ASSERT_NE(bare, nullptr);
    EXPECT_EQ(static_cast<BDAffine*>(bare)->getPivotManager(), nullptr);
    EXPECT_EQ(static_cast<BDAffine*>(bare)->getAffineCount(), 0);

    // Grid whose second lattice is short and whose third is missing.
    IBaseData* shortLattice = read(10, [](MocStreamWriter& writer, auto& serializer) {
        writer.beginObject(tavrix::FileFormat2::BDBOXGRID_NO);
        writer.writeBaseDataId("SHORT");
        writer.writeBaseDataId(ROOT);
        writer.writeInt(1);
        writer.writeInt(1);
        serializer.writePivotManager(mocwriter::ModelBuilders::pivots("Q", {0, 1, 2}));
        writer.beginObjectArray(3);
        writer.writeTaggedFloatArray(SQUARE_10);
        writer.writeTaggedFloatArray({1, 2, 3, 4});
        writer.writeNull();
        writer.endObjectArray();
        writer.writeFloatArray({1, 1, 1});
        writer.endObject();
    });
    ASSERT_NE(shortLattice, nullptr);
    BDBoxGrid* shortGrid = static_cast<BDBoxGrid*>(shortLattice);
    EXPECT_EQ(shortGrid->getPivotPointsSize(), 3);
    EXPECT_EQ(shortGrid->getPivotPointsFloatCount(1), 4);
    EXPECT_EQ(shortGrid->getPivotPointsFloatCount(2), 0);

    // Grid with negative dimensions and no lattice list.
    IBaseData* negative = read(10, [](MocStreamWriter& writer, auto&) {
        writer.beginObject(tavrix::FileFormat2::BDBOXGRID_NO);
        writer.writeBaseDataId("NEGATIVE");
        writer.writeBaseDataId(ROOT);
        writer.writeInt(-3);
        writer.writeInt(2);
        writer.writeNull();
        writer.writeNull();
        writer.writeFloatArray({});
        writer.endObject();
    });
    ASSERT_NE(negative, nullptr);
    EXPECT_EQ(static_cast<BDBoxGrid*>(negative)->getNumPts(), 0);
    EXPECT_EQ(static_cast<BDBoxGrid*>(negative)->getPivotPoints(), nullptr);

    // Rotation deformer keyed by two pivots with a single entry.
    mocwriter::MocModel::RotationDeformer shortAffines = mocwriter::ModelBuilders::rotationDeformer(
        "SHORT_AFFINES", ROOT, mocwriter::ModelBuilders::pivots("R", {0, 1}), {mocwriter::ModelBuilders::affine(1, 1)});
    IBaseData* fewEntries =
        read(10, [&](auto&, auto& serializer) { serializer.writeRotationDeformer(shortAffines); });
    ASSERT_NE(fewEntries, nullptr);

    for (IBaseData* deformer : {bare, shortLattice, negative, fewEntries}) install(deformer);
    set("Q", 1.0f);
    set("R", 1.0f);
    evaluate();
    for (IBaseData* deformer : {bare, shortLattice, negative, fewEntries}) {
        EXPECT_TRUE(contextOf(deformer)->isOutsideParam()) << deformer->getBaseDataID()->toChar();
        std::vector<float> p = map(deformer, {0.5f, 0.5f});
        EXPECT_TRUE(std::isfinite(p[0]) && std::isfinite(p[1])) << deformer->getBaseDataID()->toChar();
    }
    const AffineEnt* cleared = affineContextOf(static_cast<BDAffine*>(fewEntries))->getInterpolatedAffine();
    EXPECT_EQ(cleared->originX, 0.0f);
    EXPECT_EQ(cleared->scaleX, 0.0f);
    // Negative dimensions leave points where they are.
    EXPECT_EQ(map(negative, {0.5f, 0.25f}), (std::vector<float>{0.5f, 0.25f}));
}

} // namespace
