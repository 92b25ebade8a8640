#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <functional>
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
#include "mocwriter/MocWriter.h"
#include "support/RuntimeFixture.h"

using namespace tavrix;
using mocwriter::MocModel;
using mocwriter::ModelBuilders;
using mocwriter::MocStreamWriter;
using ::testing::Each;
using ::testing::FloatNear;
using ::testing::Pointwise;

namespace {

const float NaN = std::numeric_limits<float>::quiet_NaN();
const float INF = std::numeric_limits<float>::infinity();
const char* const ROOT = "DST_BASE";

// One rotation-deformer key; the vertical scale follows the uniform one.
MocModel::AffineKey key(float originX, float originY, float rotationDeg = 0, float scale = 1, bool reflectX = false,
                        bool reflectY = false)
{
    return {originX, originY, scale, scale, rotationDeg, reflectX, reflectY};
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

void expectPoints(const float* got, const std::vector<float>& want, float tolerance)
{
    EXPECT_THAT(std::vector<float>(got, got + want.size()), Pointwise(FloatNear(tolerance), want));
}

// Deformers read from the stream, as a model file brings them, and installed
// into a model context by hand in the order given (parents first), as the
// context's init lists them.
class DeformerTest : public tavrix_test::RuntimeTest {
protected:
    void SetUp() override
    {
        RuntimeTest::SetUp();
        context = new ModelContext(nullptr);
        context->init();
        holder = new (UtMemory::getTmpMemoryParam()) MemoryHolderFixed(LDAllocator::MAIN, "deformer test");
        memory = new (UtMemory::getTmpMemoryParam()) MemoryParam(holder, holder);
    }
    void TearDown() override
    {
        // The contexts belong to the model context and go first; read deformers go before their memory.
        delete context;
        for (IBaseData* deformer : deformers) delete deformer;
        delete memory;
        delete holder;
        RuntimeTest::TearDown();
    }

    using Write = std::function<void(MocStreamWriter&, mocwriter::MocModelSerializer&)>;
    IBaseData* read(const Write& write, int formatVersion = 10)
    {
        MocStreamWriter writer;
        mocwriter::MocModelSerializer serializer(writer, {formatVersion, false});
        write(writer, serializer);
        BReader reader(writer.bytes().data(), static_cast<int>(writer.bytes().size()));
        reader.setFormatVersion(formatVersion);
        IBaseData* deformer = reader.readSerializableAs<IBaseData>(
            memory, ClassSet({FileFormat2::BDAFFINE_NO, FileFormat2::BDBOXGRID_NO}));
        EXPECT_NE(deformer, nullptr);
        if (deformer) deformers.push_back(deformer);
        return deformer;
    }
    IBaseData* read(const MocModel::Deformer& described, int formatVersion = 10)
    {
        return read([&](MocStreamWriter&, mocwriter::MocModelSerializer& serializer) {
            serializer.writeDeformer(described);
        }, formatVersion);
    }
    // A deformer object targeting the root, written field by field after its
    // two identifiers, for damage the serializer cannot produce.
    IBaseData* readRaw(int classNo, const char* id, const Write& fields)
    {
        return read([&](MocStreamWriter& writer, mocwriter::MocModelSerializer& serializer) {
            writer.beginObject(classNo);
            writer.writeBaseDataId(id);
            writer.writeBaseDataId(ROOT);
            fields(writer, serializer);
            writer.endObject();
        });
    }

    BDAffine* rotation(const char* id, const char* target, const std::vector<MocModel::AffineKey>& keys,
                       const MocModel::PivotSet& pivots = {})
    {
        return static_cast<BDAffine*>(install(read(ModelBuilders::rotationDeformer(id, target, pivots, keys))));
    }
    BDBoxGrid* grid(const char* id, const char* target, int col, int row,
                    const std::vector<std::vector<float>>& lattices, const MocModel::PivotSet& pivots = {})
    {
        const std::vector<float> opacities(lattices.size(), 1.0f);
        return static_cast<BDBoxGrid*>(
            install(read(MocModel::GridDeformer{id, target, row, col, pivots, lattices, opacities})));
    }

    IBaseData* install(IBaseData* deformer)
    {
        if (!deformer) return nullptr;
        IBaseContext* baseContext = deformer->init(*context);
        EXPECT_NE(baseContext, nullptr);
        EXPECT_TRUE(context->addBaseData_notForClientCall(deformer, baseContext));
        return deformer;
    }

    // One update of the deformer chain: changed flags, then every deformer
    // interpolated and transformed in list order, then the flags cleared.
    std::string evaluate()
    {
        return tavrix_test::captureStdout([this] {
            context->detectParamChanges();
            for (unsigned int i = 0; context->getBaseContext(i); ++i) {
                context->getBaseData(i)->setupInterpolate(*context, context->getBaseContext(i));
                context->getBaseData(i)->setupTransform(*context, context->getBaseContext(i));
            }
            context->clearParamChanges();
        });
    }

    void set(const char* name, float value)
    {
        context->setParamFloat(static_cast<unsigned int>(context->getParamIndex(ParamID::getID(name))), value);
    }

    IBaseContext* contextOf(IBaseData* deformer)
    {
        return context->getBaseContext(static_cast<unsigned int>(context->getBaseDataIndex(deformer->getBaseDataID())));
    }
    BDAffineContext* affineContextOf(IBaseData* deformer) { return static_cast<BDAffineContext*>(contextOf(deformer)); }
    BDBoxGridContext* gridContextOf(IBaseData* deformer) { return static_cast<BDBoxGridContext*>(contextOf(deformer)); }

    std::vector<float> map(IBaseData* deformer, std::vector<float> points)
    {
        deformer->transformPoints(*context, contextOf(deformer), points.data(), points.data(),
                                  static_cast<int>(points.size() / 2), 0, 2);
        return points;
    }

    ModelContext* context = nullptr;
    std::vector<IBaseData*> deformers;
    MemoryHolderFixed* holder = nullptr;
    MemoryParam* memory = nullptr;
};

// --- Rotation deformer -------------------------------------------------------

TEST_F(DeformerTest, RootRotationMapsThroughOriginAngleScaleAndMirrors)
{
    BDAffine* plain = rotation("PLAIN", ROOT, {key(100, 50, 90, 2)});
    BDAffine* flippedX = rotation("FLIP_X", ROOT, {key(100, 50, 90, 2, true)});
    BDAffine* flippedY = rotation("FLIP_Y", ROOT, {key(100, 50, 90, 2, false, true)});
    BDAffine* tall = rotation("TALL", ROOT, {{0, 0, 1, 3}});
    evaluate();

    EXPECT_TRUE(affineContextOf(plain)->isAvailable());
    EXPECT_EQ(affineContextOf(plain)->getTotalScale(), 2.0f);
    EXPECT_EQ(affineContextOf(plain)->getTransformedAffine(), nullptr);
    expectPoints(map(plain, {1, 0, 0, 1}).data(), {100, 52, 98, 50}, 1e-4);
    expectPoints(map(flippedX, {1, 0}).data(), {100, 48}, 1e-4);
    expectPoints(map(flippedY, {0, 1}).data(), {102, 50}, 1e-4);
    // The vertical scale is blended and carried, but never stretches.
    EXPECT_EQ(affineContextOf(tall)->getInterpolatedAffine()->scaleY, 3.0f);
    expectPoints(map(tall, {0, 1, 2, 0}).data(), {0, 1, 2, 0}, 1e-6);

    // Offset and step pick the points; everything else stays untouched, and
    // source and destination may differ.
    const float S = -7.0f;
    std::vector<float> src = {S, S, 1, 0, S, S, 0, 1};
    std::vector<float> dst(8, S);
    plain->transformPoints(*context, contextOf(plain), src.data(), dst.data(), 2, 2, 4);
    for (int untouched : {0, 1, 4, 5}) EXPECT_EQ(dst[untouched], S) << untouched;
    expectPoints(dst.data(), {S, S, 100, 52, S, S, 98, 50}, 1e-4);
}

TEST_F(DeformerTest, MirrorFlagsComeFromTheFirstCombinationNeverTheBlend)
{
    BDAffine* deformer = rotation("D", ROOT, {key(0, 0, 0, 1, false, true), key(20, 0, 90, 1, true)},
                                  ModelBuilders::pivots("P", {0, 10}));
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

// Multilinear blending reproduces keys that are linear in each parameter,
// plus a bilinear term in the first two, for one to five parameters.
TEST_F(DeformerTest, BlendsReproduceMultilinearKeysForOneToFiveParameters)
{
    const float slope[] = {3, -5, 7, 11, -13};
    const float value[] = {0.5f, 1.0f, 1.5f, 0.25f, 1.25f};
    for (int n = 1; n <= 5; ++n) {
        const auto keyAt = [n, &slope](const float* v) {
            MocModel::AffineKey k = key(1, -2, n > 1 ? v[0] * v[1] : v[0]);
            for (int i = 0; i < n; ++i) {
                k.originX += slope[i] * v[i];
                k.originY -= v[i];
            }
            return k;
        };
        MocModel::PivotSet pivots;
        for (int i = 0; i < n; ++i) {
            pivots.push_back(ModelBuilders::pivots("P" + std::to_string(n) + "_" + std::to_string(i), {0, 2})[0]);
        }
        std::vector<MocModel::AffineKey> keys;
        for (int j = 0; j < (1 << n); ++j) {
            float corner[5];
            for (int i = 0; i < n; ++i) corner[i] = ((j >> i) & 1) ? 2.0f : 0.0f;
            keys.push_back(keyAt(corner));
        }
        BDAffine* deformer = rotation(("D" + std::to_string(n)).c_str(), ROOT, keys, pivots);
        for (int i = 0; i < n; ++i) set(pivots[i].paramId.c_str(), value[i]);
        evaluate();

        const MocModel::AffineKey want = keyAt(value);
        const AffineEnt* blended = affineContextOf(deformer)->getInterpolatedAffine();
        EXPECT_NEAR(blended->originX, want.originX, 1e-4) << n << " parameters";
        EXPECT_NEAR(blended->originY, want.originY, 1e-4) << n << " parameters";
        EXPECT_NEAR(blended->rotationDeg, want.rotationDeg, 1e-4) << n << " parameters";
        EXPECT_FALSE(contextOf(deformer)->isOutsideParam());
    }
}

// The child is transformed on every update, though only the parent's
// parameter changes and the child is not interpolated again.
TEST_F(DeformerTest, ChildFollowsItsParentsTurnOriginAndScaleOnEveryUpdate)
{
    rotation("PARENT", ROOT, {key(100, 50, 30, 2), key(100, 50, 120, 2)}, ModelBuilders::pivots("TURN", {0, 90}));
    BDAffine* child = rotation("CHILD", "PARENT", {key(10, 0, 10, 1.5f)});
    BDAffine* grandchild = rotation("GRANDCHILD", "CHILD", {key(0, 0)});
    const AffineEnt* moved = affineContextOf(child)->getTransformedAffine();
    ASSERT_NE(moved, nullptr);
    for (const double parentDeg : {30.0, 120.0}) {
        SCOPED_TRACE(parentDeg);
        set("TURN", static_cast<float>(parentDeg - 30.0));
        evaluate();
        const double parent = parentDeg * M_PI / 180.0;
        EXPECT_NEAR(moved->rotationDeg, parentDeg + 10.0, 1e-3);
        EXPECT_NEAR(moved->originX, 100.0 + 20.0 * std::cos(parent), 1e-3);
        EXPECT_NEAR(moved->originY, 50.0 + 20.0 * std::sin(parent), 1e-3);
        EXPECT_EQ(moved->scaleX, 1.5f);
        EXPECT_FLOAT_EQ(affineContextOf(child)->getTotalScale(), 3.0f);
        EXPECT_TRUE(affineContextOf(child)->isAvailable());

        // The child's points turn with it and scale by the whole chain.
        const double turned = (parentDeg + 10.0) * M_PI / 180.0;
        const std::vector<float> p = map(child, {1, 0});
        EXPECT_NEAR(p[0], moved->originX + 3.0 * std::cos(turned), 1e-3);
        EXPECT_NEAR(p[1], moved->originY + 3.0 * std::sin(turned), 1e-3);
        EXPECT_NEAR(affineContextOf(grandchild)->getTransformedAffine()->rotationDeg, parentDeg + 10.0, 1e-3);
        EXPECT_FLOAT_EQ(affineContextOf(grandchild)->getTotalScale(), 3.0f);
    }
}

TEST_F(DeformerTest, GridsAndRotationsNestInEitherOrder)
{
    // A lattice turned by a quarter: u runs along +y, v along -x.
    grid("TURNED", ROOT, 1, 1, {{0, 0, 0, 10, -10, 0, -10, 10}});
    BDAffine* underGrid = rotation("UNDER_GRID", "TURNED", {key(0.5f, 0.5f, 5, 2)});
    // The grid below a rotation is assembled in code, without a stream.
    rotation("PARENT", ROOT, {key(100, 50, 90, 2)});
    BDBoxGrid* underRotation = new BDBoxGrid();
    deformers.push_back(underRotation);
    underRotation->initDirect(UtMemory::getTmpMemoryParam());
    underRotation->setBaseDataID(BaseDataID::getID("UNDER_ROTATION"));
    underRotation->setTargetBaseDataID(BaseDataID::getID("PARENT"));
    underRotation->setColRow(1, 1);
    EXPECT_TRUE(underRotation->addPivotPoints(SQUARE_10.data(), static_cast<int>(SQUARE_10.size()), nullptr));
    install(underRotation);
    evaluate();

    const AffineEnt* moved = affineContextOf(underGrid)->getTransformedAffine();
    EXPECT_NEAR(moved->rotationDeg, 95.0f, 1e-3);
    EXPECT_NEAR(moved->originX, -5.0f, 1e-4);
    EXPECT_NEAR(moved->originY, 5.0f, 1e-4);
    // A grid passes on its own total scale (1 at the root), not its size.
    EXPECT_FLOAT_EQ(affineContextOf(underGrid)->getTotalScale(), 2.0f);

    ASSERT_TRUE(contextOf(underRotation)->isAvailable());
    EXPECT_EQ(contextOf(underRotation)->getTotalScale(), 2.0f);
    expectPoints(gridContextOf(underRotation)->getTransformedPoints(), {100, 50, 100, 70, 80, 50, 80, 70}, 1e-4);
    expectPoints(map(underRotation, {0.5f, 0.5f}).data(), {90, 60}, 1e-4);
}

TEST_F(DeformerTest, ParentCollapsingEveryStepLeavesTheAngleAsItIs)
{
    rotation("FLAT", ROOT, {key(30, 40, 15, 0)});
    BDAffine* child = rotation("CHILD", "FLAT", {key(5, 5, 25, 1)});
    EXPECT_EQ(evaluate(), "failed to transform BDAffine\xEF\xBC\xBC" "n");
    const AffineEnt* moved = affineContextOf(child)->getTransformedAffine();
    EXPECT_EQ(moved->rotationDeg, 25.0f);
    EXPECT_EQ(moved->originX, 30.0f);
    EXPECT_EQ(moved->originY, 40.0f);
}

TEST_F(DeformerTest, MissingOrOutsideParentsMakeTheirBranchUnavailable)
{
    BDAffine* orphan = rotation("ORPHAN", "NO_SUCH_PARENT", {key(1, 2, 3)});
    BDBoxGrid* gridUnderOrphan = grid("GRID_UNDER_ORPHAN", "ORPHAN", 1, 1, {SQUARE_10});
    BDAffine* leaf = rotation("LEAF", "GRID_UNDER_ORPHAN", {key(0.5f, 0.5f)});
    BDBoxGrid* orphanGrid = grid("ORPHAN_GRID", "NO_GRID_PARENT", 1, 1, {SQUARE_10});
    BDAffine* parent = rotation("PARENT", ROOT, {key(0, 0), key(0, 0)}, ModelBuilders::pivots("P", {0, 1}));
    BDAffine* child = rotation("CHILD", "PARENT", {key(1, 1)});
    BDBoxGrid* gridChild = grid("GRID", "PARENT", 1, 1, {SQUARE_10});
    set("P", 0.5f);

    // Each missing parent is reported once on every update; the branch below says nothing.
    for (int update = 0; update < 2; ++update) {
        const std::string out = evaluate();
        EXPECT_EQ(occurrences(out, "Target BaseData[NO_SUCH_PARENT] is not available"), 1) << out;
        EXPECT_EQ(occurrences(out, "Target baseData[NO_GRID_PARENT] is not available."), 1) << out;
        EXPECT_EQ(occurrences(out, "is not available"), 2) << out;
    }
    for (IBaseData* unavailable : std::vector<IBaseData*>{orphan, gridUnderOrphan, leaf, orphanGrid}) {
        EXPECT_FALSE(contextOf(unavailable)->isAvailable()) << unavailable->getBaseDataID()->toChar();
    }
    EXPECT_EQ(affineContextOf(orphan)->getTmpBaseDataIndex(), -1);
    // What could not be transformed is zero, not left unset.
    const AffineEnt* never = affineContextOf(orphan)->getTransformedAffine();
    for (float field : {never->originX, never->originY, never->scaleX, never->rotationDeg}) EXPECT_EQ(field, 0.0f);
    const float* lattice = gridContextOf(gridUnderOrphan)->getTransformedPoints();
    EXPECT_THAT(std::vector<float>(lattice, lattice + 8), Each(0.0f));

    // A parent outside its pivots hides its children.
    EXPECT_TRUE(contextOf(child)->isAvailable());
    EXPECT_TRUE(contextOf(gridChild)->isAvailable());
    set("P", 5.0f);
    evaluate();
    EXPECT_TRUE(contextOf(parent)->isOutsideParam());
    EXPECT_FALSE(contextOf(child)->isAvailable());
    EXPECT_FALSE(contextOf(gridChild)->isAvailable());
}

// --- Grid deformer --------------------------------------------------------------

TEST_F(DeformerTest, OneCellLatticeMapsInsideOnTheBandAndFarOutside)
{
    BDBoxGrid* square = grid("SQUARE", ROOT, 1, 1, {SQUARE_10});
    BDBoxGrid* pulled = grid("PULLED", ROOT, 1, 1, {SQUARE_PULLED});
    evaluate();
    const struct {
        BDBoxGrid* lattice;
        float u, v, x, y;
        const char* what;
    } cases[] = {
        {square, 0.25f, 0.25f, 2.5f, 2.5f, "inside, first triangle"},
        {square, 0.5f, 0.5f, 5, 5, "on the diagonal"},
        {square, 2, 0.5f, 20, 5, "band, right"},
        {square, 5, 5, 50, 50, "far"},
        {square, 0, 0.5f, 0, 5, "x exactly 0: inside"},
        {square, 1, 0.5f, 10, 5, "x exactly 1: band"},
        {square, -1, -1, -10, -10, "band corner cell"},
        {square, 0.5f, 2.5f, 5, 25, "band, below"},
        // Only the second triangle moves; outside, the estimate of the pulled
        // lattice, Q(u, v) = (-2.5, -2.5) + u (15, 5) + v (5, 15), takes over.
        {pulled, 0.25f, 0.25f, 2.5f, 2.5f, "pulled, first triangle"},
        {pulled, 0.75f, 0.75f, 12.5f, 12.5f, "pulled, second triangle"},
        {pulled, 1, 0.5f, 15, 10, "pulled, right band at s = 0: on the border (10, 0)-(20, 20)"},
        {pulled, 3, 0.5f, 45, 20, "pulled, far rule from x = 3 on"},
        {pulled, -2, 0.5f, -30, -5, "pulled, far rule from x = -2 down"},
        {pulled, 0.5f, 3, 20, 45, "pulled, far below"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        expectPoints(map(c.lattice, {c.u, c.v}).data(), {c.x, c.y}, 1e-5);
    }

    // Non-finite coordinates never become cells, and later points still map.
    const std::vector<float> p = map(square, {NaN, 0.5f, 0.5f, NaN, INF, 0.5f, -INF, -INF, NaN, NaN, 0.25f, 0.25f});
    for (int k = 0; k < 5; ++k) {
        EXPECT_FALSE(std::isfinite(p[2 * k]) && std::isfinite(p[2 * k + 1])) << "point " << k;
    }
    expectPoints(p.data() + 10, {2.5f, 2.5f}, 1e-5);
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
    // The stream gives the rows before the columns.
    EXPECT_EQ(warped->getRow(), 2);
    EXPECT_EQ(warped->getCol(), 3);
    EXPECT_EQ(warped->getNumPts(), 12);
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
    // Grid points (1, 1) and (3, 2), at float index 2 * (i + j * 4), map onto themselves.
    const std::vector<float> gridPoints = map(warped, {1.0f / 3.0f, 0.5f, 1.0f, 1.0f});
    expectPoints(gridPoints.data(), {lattice[10], lattice[11], lattice[22], lattice[23]}, 1e-4);
}

TEST_F(DeformerTest, CoordinatesRoundingUpToTheCellCountStayOnTheBorderCell)
{
    BDBoxGrid* regular = grid("REGULAR", ROOT, 3, 3, {ModelBuilders::regularLattice(3, 3, 0, 0, 30, 30)});
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
    expectPoints(dst.data(), {30, 30, 30, 15, 15, 30}, 1e-3);
}

// --- Reading from the object stream ------------------------------------------

TEST_F(DeformerTest, MirrorFlagsAndOpacitiesAreReadOnlyFromVersionTen)
{
    MocModel::RotationDeformer described = ModelBuilders::rotationDeformer(
        "ROT", ROOT, ModelBuilders::singlePivot("P"), {key(100, 50, 90, 2, true, true)});
    described.opacities = {0.25f};
    std::vector<IBaseData*> byVersion;
    for (int version : {9, 10}) {
        SCOPED_TRACE(version);
        described.id = "ROT" + std::to_string(version);
        BDAffine* deformer = static_cast<BDAffine*>(install(read(described, version)));
        ASSERT_NE(deformer, nullptr);
        ASSERT_EQ(deformer->getType(), +IBaseData::TYPE_BD_AFFINE);
        ASSERT_EQ(deformer->getAffineCount(), 1);
        const AffineEnt* entry = (*deformer->getAffines())[0];
        EXPECT_EQ(entry->rotationDeg, 90.0f);
        EXPECT_EQ(entry->reflectX, version >= 10);
        EXPECT_EQ(entry->reflectY, version >= 10);
        EXPECT_EQ(deformer->getPivotOpacity() != nullptr, version >= 10);
        byVersion.push_back(deformer);
    }
    evaluate();
    EXPECT_FLOAT_EQ(contextOf(byVersion[0])->getTotalOpacity(), 1.0f);
    EXPECT_FLOAT_EQ(contextOf(byVersion[1])->getTotalOpacity(), 0.25f);
}

// Before validation refuses them, damaged deformers must read and evaluate
// without touching memory they do not have.
TEST_F(DeformerTest, DamagedDeformersReadAndEvaluateAsOutside)
{
    // Rotation deformer without pivots or entries.
    IBaseData* bare = readRaw(FileFormat2::BDAFFINE_NO, "BARE", [](auto& writer, auto&) {
        writer.writeNull();
        writer.writeNull();
        writer.writeFloatArray({});
    });
    // Grid whose second lattice is short and whose third is missing.
    IBaseData* shortLattice = readRaw(FileFormat2::BDBOXGRID_NO, "SHORT", [](auto& writer, auto& serializer) {
        writer.writeInt(1);
        writer.writeInt(1);
        serializer.writePivotManager(ModelBuilders::pivots("Q", {0, 1, 2}));
        writer.beginObjectArray(3);
        writer.writeTaggedFloatArray(SQUARE_10);
        writer.writeTaggedFloatArray({1, 2, 3, 4});
        writer.writeNull();
        writer.endObjectArray();
        writer.writeFloatArray({1, 1, 1});
    });
    // Grid with negative dimensions and no lattice list.
    IBaseData* negative = readRaw(FileFormat2::BDBOXGRID_NO, "NEGATIVE", [](auto& writer, auto&) {
        writer.writeInt(-3);
        writer.writeInt(2);
        writer.writeNull();
        writer.writeNull();
        writer.writeFloatArray({});
    });
    // Rotation deformer keyed by two pivots with a single entry.
    IBaseData* fewEntries = read(
        ModelBuilders::rotationDeformer("SHORT_AFFINES", ROOT, ModelBuilders::pivots("R", {0, 1}), {key(1, 1)}));
    ASSERT_TRUE(bare && shortLattice && negative && fewEntries);
    EXPECT_EQ(static_cast<BDBoxGrid*>(shortLattice)->getPivotPointsFloatCount(1), 4);
    EXPECT_EQ(static_cast<BDBoxGrid*>(negative)->getNumPts(), 0);

    for (IBaseData* deformer : {bare, shortLattice, negative, fewEntries}) install(deformer);
    set("Q", 1.0f);
    set("R", 1.0f);
    evaluate();
    for (IBaseData* deformer : {bare, shortLattice, negative, fewEntries}) {
        EXPECT_TRUE(contextOf(deformer)->isOutsideParam()) << deformer->getBaseDataID()->toChar();
        std::vector<float> p = map(deformer, {0.5f, 0.5f});
        EXPECT_TRUE(std::isfinite(p[0]) && std::isfinite(p[1])) << deformer->getBaseDataID()->toChar();
    }
    const AffineEnt* cleared = affineContextOf(fewEntries)->getInterpolatedAffine();
    EXPECT_EQ(cleared->originX, 0.0f);
    EXPECT_EQ(cleared->scaleX, 0.0f);
    // Negative dimensions leave points where they are.
    EXPECT_EQ(map(negative, {0.5f, 0.25f}), (std::vector<float>{0.5f, 0.25f}));
}

} // namespace
