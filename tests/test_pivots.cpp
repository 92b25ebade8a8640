#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "DEF.h"
#include "ModelContext.h"
#include "io/BReader.h"
#include "io/FileFormat2.h"
#include "Tavrix.h"
#include "id/ParamID.h"
#include "memory/UtMemory.h"
#include "param/ParamPivots.h"
#include "param/PivotManager.h"
#include "util/UtInterpolate.h"
#include "mocwriter/MocStreamWriter.h"
#include "support/RuntimeFixture.h"

using tavrix::LDVector;
using tavrix::ModelContext;
using tavrix::ParamID;
using tavrix::ParamPivots;
using tavrix::PivotManager;
using tavrix::UtInterpolate;
using mocwriter::MocStreamWriter;

namespace {

const char* const BANNER_128 =
    "=================================================\n"
    "Over the interpolation buffer size :: 128\n"
    " please enlarge Tavrix.h / PIVOT_TABLE_SIZE \n"
    "=================================================\n";

struct PivotDef {
    std::string name;
    std::vector<float> pivots;
};

class PivotTest : public tavrix_test::RuntimeTest {
protected:
    void SetUp() override
    {
        RuntimeTest::SetUp();
        context = new ModelContext(nullptr);
        context->init();
    }
    void TearDown() override
    {
        for (PivotManager* manager : managers) delete manager;
        for (tavrix::LDObject* table : tables) delete table;
        delete context;
        RuntimeTest::TearDown();
    }

    PivotManager& makeManager(const std::vector<PivotDef>& defs)
    {
        PivotManager* manager = new PivotManager();
        manager->initDirect(tavrix::UtMemory::getTmpMemoryParam());
        for (const PivotDef& def : defs) {
            ParamPivots* pivots = new ParamPivots();
            EXPECT_TRUE(pivots->initDirect(ParamID::getID(def.name.c_str()), def.pivots.data(),
                                           static_cast<int>(def.pivots.size()), nullptr));
            EXPECT_TRUE(manager->addParamPivots(pivots));
        }
        managers.push_back(manager);
        return *manager;
    }

    template <class T>
    LDVector<T>& makeTable(const std::vector<T>& values)
    {
        LDVector<T>* table = new LDVector<T>(tavrix::UtMemory::getTmpMemoryParam());
        for (const T& value : values) table->push_back(value);
        tables.push_back(table);
        return *table;
    }

    void set(const char* name, float value)
    {
        context->setParamFloat(static_cast<unsigned int>(context->getParamIndex(ParamID::getID(name))), value);
    }

    ModelContext* context = nullptr;
    std::vector<PivotManager*> managers;
    std::vector<tavrix::LDObject*> tables;
};

// --- Choosing pivots ---------------------------------------------------------

TEST_F(PivotTest, TwoParameterPackingExample)
{
    PivotManager& manager = makeManager({{"A", {-30.0f, 0.0f, 30.0f}}, {"B", {0.0f, 1.0f}}});
    set("A", 15.0f);
    set("B", 1.0f);

    bool outside = false;
    EXPECT_EQ(manager.calcPivotValue(*context, &outside), 1);
    EXPECT_FALSE(outside);
    EXPECT_EQ(manager.getParamPivots(0)->getTmpPivotIndex(), 1);
    EXPECT_EQ(manager.getParamPivots(0)->getTmpT(), 0.5f);
    EXPECT_EQ(manager.getParamPivots(1)->getTmpPivotIndex(), 1);
    EXPECT_EQ(manager.getParamPivots(1)->getTmpT(), 0.0f);

    unsigned short* indices = context->getTmpPivotTableIndicesRef();
    float* ts = context->getTmpT_ArrayRef();
    EXPECT_EQ(manager.calcPivotIndexies(indices, ts, 1), 1);
    EXPECT_EQ(indices[0], 4);
    EXPECT_EQ(indices[1], 5);
    EXPECT_EQ(indices[2], 65535);
    EXPECT_EQ(ts[0], 0.5f);
    EXPECT_EQ(ts[1], -1.0f);

    LDVector<float>& keyed = makeTable<float>({0, 0, 0, 0, 10.0f, 17.0f});
    EXPECT_EQ(UtInterpolate::interpolateFloat(*context, manager, &outside, keyed), 10.0f + (17.0f - 10.0f) * 0.5f);
    EXPECT_FALSE(outside);
}

TEST_F(PivotTest, ValuesWithinToleranceSnapToThePivot)
{
    const float G = tavrix::DEF::GOSA;
    PivotManager& manager = makeManager({{"A", {-1.0f, 0.0f, 1.0f}}});
    ParamPivots& pivots = *manager.getParamPivots(0);
    bool outside = false;

    const struct {
        float value;
        int pivot;
        int count;
    } cases[] = {
        {0.00005f, 1, 0},   {-0.00005f, 1, 0},   {1.0f - 0.00005f, 2, 0},
        {-1.0f - G, 0, 0},  // exactly on the lower edge of the first pivot
        {0.0002f, 1, 1},    {-0.5f, 0, 1},
    };
    for (const auto& c : cases) {
        set("A", c.value);
        EXPECT_EQ(manager.calcPivotValue(*context, &outside), c.count) << c.value;
        EXPECT_EQ(pivots.getTmpPivotIndex(), c.pivot) << c.value;
        if (c.count == 0) EXPECT_EQ(pivots.getTmpT(), 0.0f) << c.value;
        else EXPECT_GT(pivots.getTmpT(), 0.0f) << c.value;
    }
    EXPECT_FALSE(outside);
}

TEST_F(PivotTest, OutsideFlagAtBothEndsAndForASinglePivot)
{
    const float G = tavrix::DEF::GOSA;
    PivotManager& range = makeManager({{"A", {0.0f, 10.0f}}});
    PivotManager& single = makeManager({{"S", {2.0f}}});
    struct Case {
        PivotManager* manager;
        const char* param;
        float value;
        bool outside;
        int pivot;
    };
    const Case cases[] = {
        {&range, "A", -0.001f, true, 0},       {&range, "A", 10.0f + G, true, 1},
        {&range, "A", 10.0f + G / 2, false, 1}, {&range, "A", 20.0f, true, 1},
        {&single, "S", 2.0f, false, 0},         {&single, "S", 2.00005f, false, 0},
        {&single, "S", 2.0f + G, true, 0},      {&single, "S", -3.0f, true, 0},
    };
    for (const Case& c : cases) {
        set(c.param, c.value);
        bool outside = false;
        EXPECT_EQ(c.manager->calcPivotValue(*context, &outside), 0) << c.param << " " << c.value;
        EXPECT_EQ(outside, c.outside) << c.param << " " << c.value;
        EXPECT_EQ(c.manager->getParamPivots(0)->getTmpPivotIndex(), c.pivot) << c.param << " " << c.value;
        EXPECT_EQ(c.manager->getParamPivots(0)->getTmpT(), 0.0f);
    }

    // The flag is only ever raised, never cleared.
    set("A", 5.0f);
    bool outside = true;
    range.calcPivotValue(*context, &outside);
    EXPECT_TRUE(outside);
}

// --- Evaluation --------------------------------------------------------------

TEST_F(PivotTest, IntegerInterpolationTruncatesTowardZero)
{
    PivotManager& manager = makeManager({{"A", {0.0f, 1.0f}}});
    set("A", 0.5f);
    bool outside = false;
    EXPECT_EQ(UtInterpolate::interpolateInt(*context, manager, &outside, makeTable<int>({0, 3})), 1);
    EXPECT_EQ(UtInterpolate::interpolateInt(*context, manager, &outside, makeTable<int>({0, -3})), -1);

    // Two parameters truncate after every stage: I(I(0,3), I(0,3)) at t = 0.5
    // is 1, where the exact blend would be 1.5 as well; with keys 0, 3, 1, 4
    // the stages give 1 and 2, then 1.
    PivotManager& two = makeManager({{"A", {0.0f, 1.0f}}, {"B", {0.0f, 1.0f}}});
    set("B", 0.5f);
    EXPECT_EQ(UtInterpolate::interpolateInt(*context, two, &outside, makeTable<int>({0, 3, 1, 4})), 1);
    EXPECT_FALSE(outside);
}

TEST_F(PivotTest, PointsWithoutFractionAreCopiedToTheirPlaces)
{
    PivotManager& manager = makeManager({{"A", {0.0f, 1.0f}}});
    set("A", 1.0f);
    float first[4] = {1, 2, 3, 4};
    float second[4] = {5, 6, 7, 8};
    LDVector<float*>& keyed = makeTable<float*>({first, second});
    bool outside = false;

    float packed[4] = {};
    UtInterpolate::interpolatePoints(*context, manager, &outside, 2, keyed, packed, 0, 2);
    EXPECT_EQ(std::vector<float>(packed, packed + 4), std::vector<float>({5, 6, 7, 8}));

    float strided[9] = {-1, -1, -1, -1, -1, -1, -1, -1, -1};
    UtInterpolate::interpolatePoints(*context, manager, &outside, 2, keyed, strided, 1, 4);
    EXPECT_EQ(std::vector<float>(strided, strided + 9), std::vector<float>({-1, 5, 6, -1, -1, 7, 8, -1, -1}));
    EXPECT_FALSE(outside);
}

// Independent reference: the multilinear blend computed in double directly
// from the parameter values and pivots.
double exactBlend(const std::vector<PivotDef>& defs, const std::vector<float>& params,
                  const std::vector<double>& keyed)
{
    std::vector<int> lower(defs.size());
    std::vector<double> frac(defs.size());
    for (size_t i = 0; i < defs.size(); ++i) {
        const std::vector<float>& p = defs[i].pivots;
        size_t j = 1;
        while (j + 1 < p.size() && params[i] > p[j]) ++j;
        lower[i] = static_cast<int>(j - 1);
        frac[i] = (double(params[i]) - p[j - 1]) / (double(p[j]) - p[j - 1]);
    }
    double sum = 0.0;
    for (int combo = 0; combo < (1 << defs.size()); ++combo) {
        double weight = 1.0;
        int index = 0, stride = 1;
        for (size_t i = 0; i < defs.size(); ++i) {
            const bool upper = (combo >> i) & 1;
            weight *= upper ? frac[i] : 1.0 - frac[i];
            index += (lower[i] + (upper ? 1 : 0)) * stride;
            stride *= static_cast<int>(defs[i].pivots.size());
        }
        sum += weight * keyed[index];
    }
    return sum;
}

// The general form in single precision over the context's packed tables:
// sum over combinations j of w_j * K_j, with w_j multiplied in fraction order.
template <class Key>
float generalForm(ModelContext& context, int n, Key key)
{
    const unsigned short* indices = context.getTmpPivotTableIndicesRef();
    const float* ts = context.getTmpT_ArrayRef();
    float sum = 0.0f;
    for (int j = 0; j < (1 << n); ++j) {
        float w = 1.0f;
        for (int k = 0; k < n; ++k) w = w * (((j >> k) & 1) ? ts[k] : 1.0f - ts[k]);
        sum = sum + w * key(indices[j]);
    }
    return sum;
}

struct RandomSetup {
    std::vector<PivotDef> defs;
    std::vector<float> params;
    int keyCount = 1;
};

RandomSetup randomSetup(std::mt19937& rng, int n)
{
    RandomSetup setup;
    std::uniform_real_distribution<float> between(0.05f, 0.95f);
    for (int i = 0; i < n; ++i) {
        std::vector<float> pivots = {-2.0f, 0.0f, 1.5f, 4.0f};
        pivots.resize(2 + (i % 3));
        const int segment = static_cast<int>(rng() % (pivots.size() - 1));
        const float lo = pivots[segment], hi = pivots[segment + 1];
        setup.defs.push_back({"R" + std::to_string(i), pivots});
        setup.params.push_back(lo + (hi - lo) * between(rng));
        setup.keyCount *= static_cast<int>(pivots.size());
    }
    return setup;
}

// Closed forms for one to four parameters between pivots against the general
// form on the same packed tables: they differ only in rounding, so float and
// point results agree to a few units in the last place of the keyed values;
// the point forms for two and three parameters are the general form and agree
// exactly. The integer closed forms truncate after every stage, so they may
// fall below the general form's single truncation by up to one per stage.
// From five parameters on every routine is the general form, exactly.
TEST_F(PivotTest, ClosedFormsAgreeWithTheGeneralForm)
{
    std::mt19937 rng(20240611u);
    std::uniform_real_distribution<float> keyDist(-100.0f, 100.0f);
    std::uniform_int_distribution<int> intDist(-1000, 1000);
    const float tolerance = 16 * 100.0f * std::numeric_limits<float>::epsilon();

    for (int n = 1; n <= 6; ++n) {
        for (int trial = 0; trial < 40; ++trial) {
            SCOPED_TRACE("n=" + std::to_string(n) + " trial=" + std::to_string(trial));
            for (PivotManager* old : managers) delete old;
            managers.clear();
            context->init();
            RandomSetup setup = randomSetup(rng, n);
            PivotManager& manager = makeManager(setup.defs);
            for (int i = 0; i < n; ++i) set(setup.defs[i].name.c_str(), setup.params[i]);

            std::vector<float> floats(setup.keyCount);
            std::vector<int> ints(setup.keyCount);
            std::vector<std::vector<float>> points(setup.keyCount, std::vector<float>(6));
            std::vector<float*> pointPtrs;
            for (int i = 0; i < setup.keyCount; ++i) {
                floats[i] = keyDist(rng);
                ints[i] = intDist(rng);
                for (float& coordinate : points[i]) coordinate = keyDist(rng);
                pointPtrs.push_back(points[i].data());
            }
            bool outside = false;

            const float f = UtInterpolate::interpolateFloat(*context, manager, &outside, makeTable(floats));
            ASSERT_EQ(manager.calcPivotIndexies(context->getTmpPivotTableIndicesRef(),
                                                context->getTmpT_ArrayRef(), n), n);
            const float fg = generalForm(*context, n, [&](int i) { return floats[i]; });
            if (n >= 5) EXPECT_EQ(f, fg);
            else EXPECT_NEAR(f, fg, tolerance);
            EXPECT_NEAR(f, exactBlend(setup.defs, setup.params, std::vector<double>(floats.begin(), floats.end())),
                        tolerance);

            const int v = UtInterpolate::interpolateInt(*context, manager, &outside, makeTable(ints));
            const float ig = generalForm(*context, n, [&](int i) { return static_cast<float>(ints[i]); });
            if (n >= 5) {
                EXPECT_EQ(v, static_cast<int>(ig));
            } else {
                EXPECT_LE(std::abs(v - static_cast<int>(ig)), n);
            }

            float dst[6];
            UtInterpolate::interpolatePoints(*context, manager, &outside, 3, makeTable(pointPtrs), dst, 0, 2);
            for (int c = 0; c < 6; ++c) {
                const float pg = generalForm(*context, n, [&](int i) { return points[i][c]; });
                if (n == 2 || n == 3 || n >= 5) EXPECT_EQ(dst[c], pg) << c;
                else EXPECT_NEAR(dst[c], pg, tolerance) << c;
            }
            EXPECT_FALSE(outside);
        }
    }
}

// --- Table limits ------------------------------------------------------------

TEST_F(PivotTest, SixParametersFillTheTableWithoutMessage)
{
    std::vector<PivotDef> defs;
    std::vector<float> params;
    std::vector<double> keyed;
    for (int i = 0; i < 6; ++i) {
        defs.push_back({"P" + std::to_string(i), {0.0f, 1.0f}});
        params.push_back(0.1f + 0.1f * i);
    }
    std::vector<float> values;
    for (int i = 0; i < 64; ++i) {
        values.push_back(static_cast<float>(i * i % 17));
        keyed.push_back(values.back());
    }
    PivotManager& manager = makeManager(defs);
    for (int i = 0; i < 6; ++i) set(defs[i].name.c_str(), params[i]);

    bool outside = false;
    testing::internal::CaptureStdout();
    const float result = UtInterpolate::interpolateFloat(*context, manager, &outside, makeTable(values));
    std::fflush(stdout);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_NEAR(result, exactBlend(defs, params, keyed), 1e-4);
    EXPECT_EQ(context->getTmpPivotTableIndicesRef()[63], 63);
    EXPECT_EQ(context->getTmpPivotTableIndicesRef()[64], 65535);
    EXPECT_EQ(context->getTmpT_ArrayRef()[6], -1.0f);
}

TEST_F(PivotTest, SeventhParameterPrintsBannerAndStaysInsideTheTables)
{
    std::vector<PivotDef> defs;
    for (int i = 0; i < 7; ++i) defs.push_back({"P" + std::to_string(i), {0.0f, 1.0f}});
    PivotManager& manager = makeManager(defs);
    for (int i = 0; i < 7; ++i) set(defs[i].name.c_str(), 0.25f + 0.05f * i);
    std::vector<float> values;
    for (int i = 0; i < 128; ++i) values.push_back(static_cast<float>((i * 7) % 23));
    LDVector<float>& keyed = makeTable(values);

    bool outside = false;
    ASSERT_EQ(manager.calcPivotValue(*context, &outside), 7);
    unsigned short indices[80];
    float ts[20];
    for (unsigned short& index : indices) index = 0xBEEF;
    for (float& t : ts) t = 42.0f;
    testing::internal::CaptureStdout();
    EXPECT_EQ(manager.calcPivotIndexies(indices, ts, 7), 6);
    std::fflush(stdout);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), BANNER_128);
    EXPECT_EQ(indices[64], 65535);
    for (int i = 65; i < 80; ++i) EXPECT_EQ(indices[i], 0xBEEF) << i;
    EXPECT_EQ(ts[6], -1.0f);
    for (int i = 7; i < 20; ++i) EXPECT_EQ(ts[i], 42.0f) << i;

    // The evaluation treats the seventh parameter as sitting on its lower
    // pivot, and prints the banner each time.
    testing::internal::CaptureStdout();
    const float crowded = UtInterpolate::interpolateFloat(*context, manager, &outside, keyed);
    std::fflush(stdout);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), BANNER_128);
    set("P6", 0.0f);
    EXPECT_EQ(UtInterpolate::interpolateFloat(*context, manager, &outside, keyed), crowded);
    EXPECT_FALSE(outside);
}

TEST_F(PivotTest, ParameterWithoutPivotsNeverIndexesBelowTheTable)
{
    PivotManager& manager = makeManager({{"A", {0.0f, 1.0f}}, {"Z", {}}});
    set("A", 0.5f);
    bool outside = false;
    EXPECT_EQ(manager.calcPivotValue(*context, &outside), 1);
    EXPECT_FALSE(outside);
    EXPECT_EQ(manager.getParamPivots(1)->getTmpPivotIndex(), 0);
    manager.calcPivotIndexies(context->getTmpPivotTableIndicesRef(), context->getTmpT_ArrayRef(), 1);
    EXPECT_EQ(context->getTmpPivotTableIndicesRef()[0], 0);
    EXPECT_EQ(context->getTmpPivotTableIndicesRef()[1], 1);

    // The keyed table of such an element is empty: nothing to evaluate.
    EXPECT_EQ(UtInterpolate::interpolateFloat(*context, manager, &outside, makeTable<float>({})), 0.0f);
    EXPECT_TRUE(outside);
}

TEST_F(PivotTest, KeyedTableShorterThanItsPivotsIsNotRead)
{
    PivotManager& manager = makeManager({{"A", {-1.0f, 0.0f, 1.0f}}, {"B", {0.0f, 1.0f}}});
    set("A", 0.5f);
    set("B", 1.0f);
    bool outside = false;
    EXPECT_EQ(UtInterpolate::interpolateInt(*context, manager, &outside, makeTable<int>({1, 2, 3, 4, 5})), 0);
    EXPECT_TRUE(outside);

    float key[2] = {1.0f, 2.0f};
    float dst[2] = {9.0f, 9.0f};
    outside = false;
    UtInterpolate::interpolatePoints(*context, manager, &outside, 1, makeTable<float*>({key, key, key, key, key, nullptr}),
                                     dst, 0, 2);
    EXPECT_TRUE(outside);
    EXPECT_EQ(dst[0], 0.0f);
    EXPECT_EQ(dst[1], 0.0f);
}

// --- Change detection and cached indices --------------------------------------

TEST_F(PivotTest, ElementsInterpolateAgainOnlyWhenTheirParametersChanged)
{
    for (const char* name : {"A", "B", "OTHER"}) context->addFloatParam(ParamID::getID(name), 0.0f, -1.0f, 1.0f);
    PivotManager& manager = makeManager({{"A", {0.0f, 1.0f}}, {"B", {0.0f, 1.0f}}});
    EXPECT_TRUE(manager.checkParamUpdated(*context)); // first update after init
    context->update();
    EXPECT_FALSE(manager.checkParamUpdated(*context));

    set("OTHER", 0.5f);
    context->detectParamChanges();
    EXPECT_FALSE(manager.checkParamUpdated(*context));
    context->clearParamChanges();

    set("B", 0.5f);
    context->detectParamChanges();
    EXPECT_TRUE(manager.checkParamUpdated(*context));
    context->clearParamChanges();

    context->init();
    EXPECT_TRUE(manager.checkParamUpdated(*context));
}

TEST_F(PivotTest, CachedParameterIndexIsResolvedAgainAfterInit)
{
    context->addFloatParam(ParamID::getID("A"), 0.25f, -1.0f, 1.0f);
    context->addFloatParam(ParamID::getID("B"), 0.75f, -1.0f, 1.0f);
    PivotManager& manager = makeManager({{"B", {0.0f, 1.0f}}});
    bool outside = false;
    manager.calcPivotValue(*context, &outside);
    EXPECT_EQ(manager.getParamPivots(0)->getParamIndex(context->getInitVersion()), 1);
    EXPECT_EQ(manager.getParamPivots(0)->getTmpT(), 0.75f);

    context->init();
    EXPECT_EQ(manager.getParamPivots(0)->getParamIndex(context->getInitVersion()),
              ParamPivots::PARAM_INDEX_NOT_INIT);
    context->addFloatParam(ParamID::getID("B"), 0.5f, -1.0f, 1.0f);
    manager.calcPivotValue(*context, &outside);
    EXPECT_EQ(manager.getParamPivots(0)->getParamIndex(context->getInitVersion()), 0);
    EXPECT_EQ(manager.getParamPivots(0)->getTmpT(), 0.5f);
}

// --- Reading from the stream --------------------------------------------------

void writeParamPivots(MocStreamWriter& writer, const char* id, int count, const std::vector<float>& values)
{
    writer.beginObject(tavrix::FileFormat2::PARAM_PIVOTS_NO);
    writer.writeParamId(id);
    writer.writeInt(count);
    writer.writeTaggedFloatArray(values);
    writer.endObject();
}

TEST_F(PivotTest, ManagerReadFromTheStreamPacksLikeOneBuiltInCode)
{
    MocStreamWriter writer;
    writer.beginObject(tavrix::FileFormat2::PIVOT_MANAGER_NO);
    writer.beginObjectArray(2);
    writeParamPivots(writer, "A", 3, {-30.0f, 0.0f, 30.0f});
    writeParamPivots(writer, "B", 2, {0.0f, 1.0f});
    writer.endObjectArray();
    writer.endObject();
    const std::vector<std::uint8_t>& bytes = writer.bytes();

    tavrix::BReader reader(bytes.data(), static_cast<int>(bytes.size()));
    PivotManager* manager = reader.readSerializableAs<PivotManager>(
        nullptr, tavrix::ClassSet(tavrix::FileFormat2::PIVOT_MANAGER_NO));
    ASSERT_NE(manager, nullptr);
    managers.push_back(manager);
    EXPECT_FALSE(reader.isInvalid());
    ASSERT_EQ(manager->getParamPivotsCount(), 2);
    EXPECT_EQ(manager->getParamPivots(0)->getParamID(), ParamID::getID("A"));
    EXPECT_EQ(manager->getParamPivots(0)->getPivotCount(), 3);
    EXPECT_EQ(manager->getParamPivots(0)->getPivotValue()[2], 30.0f);
    EXPECT_EQ(manager->getParamPivots(1)->getParamID(), ParamID::getID("B"));

    set("A", 15.0f);
    set("B", 1.0f);
    bool outside = false;
    EXPECT_EQ(UtInterpolate::interpolateFloat(*context, *manager, &outside, makeTable<float>({0, 0, 0, 0, 2, 4})), 3.0f);
    EXPECT_EQ(context->getTmpPivotTableIndicesRef()[0], 4);
    EXPECT_EQ(context->getTmpPivotTableIndicesRef()[1], 5);
}

TEST_F(PivotTest, DamagedPivotStreamsAreCutBackAndMarkedInvalid)
{
    // A pivot count beyond the stored values.
    {
        MocStreamWriter writer;
        writeParamPivots(writer, "A", 5, {0.0f, 1.0f, 2.0f});
        const std::vector<std::uint8_t>& bytes = writer.bytes();
        tavrix::BReader reader(bytes.data(), static_cast<int>(bytes.size()));
        ParamPivots* pivots = reader.readSerializableAs<ParamPivots>(
            nullptr, tavrix::ClassSet(tavrix::FileFormat2::PARAM_PIVOTS_NO));
        ASSERT_NE(pivots, nullptr);
        EXPECT_TRUE(reader.isInvalid());
        EXPECT_EQ(pivots->getPivotCount(), 3);
        delete pivots;
    }
    // A negative count, and a list slot holding something else than pivots.
    {
        MocStreamWriter writer;
        writer.beginObject(tavrix::FileFormat2::PIVOT_MANAGER_NO);
        writer.beginObjectArray(3);
        writeParamPivots(writer, "A", -1, {0.0f});
        writer.writeTaggedString("not pivots");
        writeParamPivots(writer, "B", 2, {0.0f, 1.0f});
        writer.endObjectArray();
        writer.endObject();
        const std::vector<std::uint8_t>& bytes = writer.bytes();
        tavrix::BReader reader(bytes.data(), static_cast<int>(bytes.size()));
        PivotManager* manager = reader.readSerializableAs<PivotManager>(
            nullptr, tavrix::ClassSet(tavrix::FileFormat2::PIVOT_MANAGER_NO));
        ASSERT_NE(manager, nullptr);
        managers.push_back(manager);
        EXPECT_TRUE(reader.isInvalid());
        ASSERT_EQ(manager->getParamPivotsCount(), 2);
        EXPECT_EQ(manager->getParamPivots(0)->getPivotCount(), 0);
        EXPECT_EQ(manager->getParamPivots(1)->getParamID(), ParamID::getID("B"));
    }
}

} // namespace
