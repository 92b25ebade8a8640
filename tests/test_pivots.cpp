#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "DEF.h"
#include "ModelContext.h"
#include "id/ParamID.h"
#include "io/BReader.h"
#include "io/FileFormat2.h"
#include "memory/UtMemory.h"
#include "mocwriter/MocStreamWriter.h"
#include "param/ParamPivots.h"
#include "param/PivotManager.h"
#include "support/RuntimeFixture.h"
#include "util/UtInterpolate.h"

using namespace tavrix;
using mocwriter::MocStreamWriter;
using ::testing::Each;

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

// n parameters named P0, P1, ... with pivots 0 and 1.
std::vector<PivotDef> unitDefs(int n)
{
    std::vector<PivotDef> defs;
    for (int i = 0; i < n; ++i) defs.push_back({"P" + std::to_string(i), {0.0f, 1.0f}});
    return defs;
}

template <class Fn>
std::string printed(Fn fn)
{
    return tavrix_test::captureStdout([&] {
        fn();
        std::fflush(stdout);
    });
}

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
        for (LDObject* table : tables) delete table;
        delete context;
        RuntimeTest::TearDown();
    }

    PivotManager& makeManager(const std::vector<PivotDef>& defs)
    {
        PivotManager* manager = new PivotManager();
        manager->initDirect(UtMemory::getTmpMemoryParam());
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
        LDVector<T>* table = new LDVector<T>(UtMemory::getTmpMemoryParam());
        for (const T& value : values) table->push_back(value);
        tables.push_back(table);
        return *table;
    }

    void set(const std::string& name, float value)
    {
        context->setParamFloat(static_cast<unsigned int>(context->getParamIndex(ParamID::getID(name.c_str()))),
                               value);
    }

    unsigned short* indices() { return context->getTmpPivotTableIndicesRef(); }
    float* ts() { return context->getTmpT_ArrayRef(); }

    ModelContext* context = nullptr;
    std::vector<PivotManager*> managers;
    std::vector<LDObject*> tables;
};

// --- Choosing pivots ---------------------------------------------------------

// Values within GOSA of a pivot sit on it (no fraction); beyond the first or
// last pivot they are clamped and raise the outside flag.
TEST_F(PivotTest, SnappingAndTheOutsideFlag)
{
    const float G = DEF::GOSA;
    PivotManager& three = makeManager({{"A", {-1.0f, 0.0f, 1.0f}}});
    PivotManager& range = makeManager({{"R", {0.0f, 10.0f}}});
    PivotManager& single = makeManager({{"S", {2.0f}}});
    const struct {
        PivotManager* manager;
        const char* param;
        float value;
        int count, pivot;
        bool outside;
    } cases[] = {
        {&three, "A", 0.00005f, 0, 1, false},    {&three, "A", -0.00005f, 0, 1, false},
        {&three, "A", 1.0f - 0.00005f, 0, 2, false},
        {&three, "A", -1.0f - G, 0, 0, false},   // exactly on the lower edge of the first pivot
        {&three, "A", 0.0002f, 1, 1, false},     {&three, "A", -0.5f, 1, 0, false},
        {&range, "R", -0.001f, 0, 0, true},      {&range, "R", 10.0f + G, 0, 1, true},
        {&range, "R", 10.0f + G / 2, 0, 1, false}, {&range, "R", 20.0f, 0, 1, true},
        {&single, "S", 2.0f, 0, 0, false},       {&single, "S", 2.00005f, 0, 0, false},
        {&single, "S", 2.0f + G, 0, 0, true},    {&single, "S", -3.0f, 0, 0, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.param) + " = " + std::to_string(c.value));
        set(c.param, c.value);
        bool outside = false;
        EXPECT_EQ(c.manager->calcPivotValue(*context, &outside), c.count);
        EXPECT_EQ(outside, c.outside);
        const ParamPivots& pivots = *c.manager->getParamPivots(0);
        EXPECT_EQ(pivots.getTmpPivotIndex(), c.pivot);
        if (c.count == 0) EXPECT_EQ(pivots.getTmpT(), 0.0f);
        else EXPECT_GT(pivots.getTmpT(), 0.0f);
    }

    // The flag is only ever raised, never cleared.
    set("R", 5.0f);
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

    // Two parameters truncate after every stage: keys 0, 3, 1, 4 at t = 0.5
    // give 1 and 2, then 1 (the exact blend would be 2).
    PivotManager& two = makeManager({{"A", {0.0f, 1.0f}}, {"B", {0.0f, 1.0f}}});
    set("B", 0.5f);
    EXPECT_EQ(UtInterpolate::interpolateInt(*context, two, &outside, makeTable<int>({0, 3, 1, 4})), 1);
    EXPECT_FALSE(outside);
}

// Independent reference: the multilinear blend computed in double directly
// from the parameter values and pivots.
double exactBlend(const std::vector<PivotDef>& defs, const std::vector<float>& params, const std::vector<float>& keyed)
{
    double sum = 0.0;
    for (int combo = 0; combo < (1 << defs.size()); ++combo) {
        double weight = 1.0;
        int index = 0, stride = 1;
        for (size_t i = 0; i < defs.size(); ++i) {
            const std::vector<float>& p = defs[i].pivots;
            size_t j = 1;
            while (j + 1 < p.size() && params[i] > p[j]) ++j;
            const double frac = (double(params[i]) - p[j - 1]) / (double(p[j]) - p[j - 1]);
            const bool upper = (combo >> i) & 1;
            weight *= upper ? frac : 1.0 - frac;
            index += static_cast<int>(j - (upper ? 0 : 1)) * stride;
            stride *= static_cast<int>(p.size());
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

// Closed forms for one to four parameters between pivots against the general
// form on the same packed tables: they differ only in rounding, so float and
// point results agree to a few units in the last place of the keyed values;
// the point forms for two and three parameters are the general form and agree
// exactly. The integer closed forms truncate after every stage, so they may
// fall below the general form's single truncation by up to one per stage.
// With no fraction the keyed value is copied, and from five parameters on
// every routine is the general form, exactly. A first parameter sitting on a
// pivot moves every index without adding a fraction.
TEST_F(PivotTest, ClosedFormsAgreeWithTheGeneralForm)
{
    std::mt19937 rng(20240611u);
    std::uniform_real_distribution<float> keyDist(-100.0f, 100.0f), between(0.05f, 0.95f);
    std::uniform_int_distribution<int> intDist(-1000, 1000);
    const float tolerance = 16 * 100.0f * std::numeric_limits<float>::epsilon();
    const std::vector<float> allPivots = {-2.0f, 0.0f, 1.5f, 4.0f};

    for (int n = 0; n <= 6; ++n) {
        for (int trial = 0; trial < 40; ++trial) {
            SCOPED_TRACE("n=" + std::to_string(n) + " trial=" + std::to_string(trial));
            context->init();
            std::vector<PivotDef> defs = {{"S", allPivots}};
            std::vector<float> params = {allPivots[rng() % 4]};
            int keyCount = 4;
            for (int i = 0; i < n; ++i) { // two to four pivots, the value strictly inside a segment
                const std::vector<float> pivots(allPivots.begin(), allPivots.begin() + 2 + i % 3);
                const size_t segment = rng() % (pivots.size() - 1);
                params.push_back(pivots[segment] + (pivots[segment + 1] - pivots[segment]) * between(rng));
                defs.push_back({"R" + std::to_string(i), pivots});
                keyCount *= static_cast<int>(pivots.size());
            }
            PivotManager& manager = makeManager(defs);
            for (size_t i = 0; i < defs.size(); ++i) set(defs[i].name, params[i]);

            std::vector<float> floats(keyCount);
            std::vector<int> ints(keyCount);
            std::vector<std::vector<float>> points(keyCount, std::vector<float>(6));
            std::vector<float*> pointPtrs;
            for (int i = 0; i < keyCount; ++i) {
                floats[i] = keyDist(rng);
                ints[i] = intDist(rng);
                for (float& coordinate : points[i]) coordinate = keyDist(rng);
                pointPtrs.push_back(points[i].data());
            }
            bool outside = false;

            const float f = UtInterpolate::interpolateFloat(*context, manager, &outside, makeTable(floats));
            ASSERT_EQ(manager.calcPivotIndexies(indices(), ts(), n), n);
            const float fg = generalForm(*context, n, [&](int i) { return floats[i]; });
            if (n == 0 || n >= 5) EXPECT_EQ(f, fg);
            else EXPECT_NEAR(f, fg, tolerance);
            EXPECT_NEAR(f, exactBlend(defs, params, floats), tolerance);

            const int v = UtInterpolate::interpolateInt(*context, manager, &outside, makeTable(ints));
            const int ig = static_cast<int>(generalForm(*context, n, [&](int i) { return float(ints[i]); }));
            if (n == 0 || n >= 5) EXPECT_EQ(v, ig);
            else EXPECT_LE(std::abs(v - ig), n);

            // Three points of two coordinates, packed or placed from offset 1 with stride 3.
            const int offset = trial % 2, step = 2 + trial % 2;
            float dst[10];
            std::fill(std::begin(dst), std::end(dst), -1000.0f);
            UtInterpolate::interpolatePoints(*context, manager, &outside, 3, makeTable(pointPtrs), dst, offset, step);
            for (int c = 0; c < 6; ++c) {
                const float pg = generalForm(*context, n, [&](int i) { return points[i][c]; });
                const float got = dst[offset + (c / 2) * step + c % 2];
                if (n != 1 && n != 4) EXPECT_EQ(got, pg) << c;
                else EXPECT_NEAR(got, pg, tolerance) << c;
            }
            EXPECT_EQ(std::count(std::begin(dst), std::end(dst), -1000.0f), 4); // nothing else written
            EXPECT_FALSE(outside);
        }
    }
}

// --- Table limits ------------------------------------------------------------

// Six parameters fill the 65-entry index table silently; a seventh prints a
// banner, is treated as sitting on its lower pivot, and writes nothing past
// 65 indices or the terminating fraction.
TEST_F(PivotTest, SixParametersFillTheTablesAndASeventhIsDroppedWithABanner)
{
    for (int n : {6, 7}) {
        SCOPED_TRACE(n);
        context->init();
        const std::vector<PivotDef> defs = unitDefs(n);
        std::vector<float> params, values;
        for (int i = 0; i < n; ++i) params.push_back(0.1f + 0.1f * i);
        for (int i = 0; i < (1 << n); ++i) values.push_back(static_cast<float>(i * i % 17));
        PivotManager& manager = makeManager(defs);
        for (int i = 0; i < n; ++i) set(defs[i].name, params[i]);
        const std::string banner = n == 7 ? BANNER_128 : "";

        bool outside = false;
        ASSERT_EQ(manager.calcPivotValue(*context, &outside), n);
        unsigned short packed[80];
        float fractions[20];
        std::fill(std::begin(packed), std::end(packed), 0xBEEF);
        std::fill(std::begin(fractions), std::end(fractions), 42.0f);
        EXPECT_EQ(printed([&] { EXPECT_EQ(manager.calcPivotIndexies(packed, fractions, n), 6); }), banner);
        EXPECT_EQ(packed[63], 63);
        EXPECT_EQ(packed[64], 65535);
        EXPECT_THAT(std::vector<unsigned short>(packed + 65, std::end(packed)), Each(0xBEEF));
        EXPECT_EQ(fractions[6], -1.0f);
        EXPECT_THAT(std::vector<float>(fractions + 7, std::end(fractions)), Each(42.0f));

        float result = 0.0f;
        LDVector<float>& keyed = makeTable(values);
        EXPECT_EQ(printed([&] { result = UtInterpolate::interpolateFloat(*context, manager, &outside, keyed); }),
                  banner);
        const std::vector<float> firstSix(params.begin(), params.begin() + 6), lowerKeys(values.begin(),
                                                                                        values.begin() + 64);
        EXPECT_NEAR(result, exactBlend(unitDefs(6), firstSix, lowerKeys), 1e-4);
        EXPECT_FALSE(outside);
    }
}

TEST_F(PivotTest, MissingPivotsOrKeysAreNeverRead)
{
    // A parameter without pivots never indexes below the table, and the
    // element's keyed table is empty: nothing to evaluate.
    PivotManager& empty = makeManager({{"A", {0.0f, 1.0f}}, {"Z", {}}});
    set("A", 0.5f);
    bool outside = false;
    EXPECT_EQ(empty.calcPivotValue(*context, &outside), 1);
    EXPECT_FALSE(outside);
    EXPECT_EQ(empty.getParamPivots(1)->getTmpPivotIndex(), 0);
    empty.calcPivotIndexies(indices(), ts(), 1);
    EXPECT_EQ(indices()[0], 0);
    EXPECT_EQ(indices()[1], 1);
    EXPECT_EQ(UtInterpolate::interpolateFloat(*context, empty, &outside, makeTable<float>({})), 0.0f);
    EXPECT_TRUE(outside);

    // A keyed table shorter than its pivots ask for.
    PivotManager& manager = makeManager({{"A", {-1.0f, 0.0f, 1.0f}}, {"B", {0.0f, 1.0f}}});
    set("B", 1.0f);
    outside = false;
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

TEST_F(PivotTest, ChangesOfTheOwnParametersAndInitAreNoticed)
{
    context->addFloatParam(ParamID::getID("OTHER"), 0.0f, -1.0f, 1.0f);
    context->addFloatParam(ParamID::getID("A"), 0.25f, -1.0f, 1.0f);
    context->addFloatParam(ParamID::getID("B"), 0.75f, -1.0f, 1.0f);
    PivotManager& manager = makeManager({{"B", {0.0f, 1.0f}}});
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

    // The parameter's row is cached per init and looked up again after one.
    bool outside = false;
    manager.calcPivotValue(*context, &outside);
    EXPECT_EQ(manager.getParamPivots(0)->getParamIndex(context->getInitVersion()), 2);
    EXPECT_EQ(manager.getParamPivots(0)->getTmpT(), 0.5f);
    context->init();
    EXPECT_TRUE(manager.checkParamUpdated(*context));
    EXPECT_EQ(manager.getParamPivots(0)->getParamIndex(context->getInitVersion()), ParamPivots::PARAM_INDEX_NOT_INIT);
    context->addFloatParam(ParamID::getID("B"), 0.25f, -1.0f, 1.0f);
    manager.calcPivotValue(*context, &outside);
    EXPECT_EQ(manager.getParamPivots(0)->getParamIndex(context->getInitVersion()), 0);
    EXPECT_EQ(manager.getParamPivots(0)->getTmpT(), 0.25f);
}

// --- Reading from the stream --------------------------------------------------

void writeParamPivots(MocStreamWriter& writer, const char* id, int count, const std::vector<float>& values)
{
    writer.beginObject(FileFormat2::PARAM_PIVOTS_NO);
    writer.writeParamId(id);
    writer.writeInt(count);
    writer.writeTaggedFloatArray(values);
    writer.endObject();
}

// Reads a pivot manager whose list the caller writes (listSize entries).
template <class WriteList>
std::unique_ptr<PivotManager> readManager(int listSize, WriteList writeList, bool* invalid)
{
    MocStreamWriter writer;
    writer.beginObject(FileFormat2::PIVOT_MANAGER_NO);
    writer.beginObjectArray(listSize);
    writeList(writer);
    writer.endObjectArray();
    writer.endObject();
    BReader reader(writer.bytes().data(), static_cast<int>(writer.bytes().size()));
    std::unique_ptr<PivotManager> manager(
        reader.readSerializableAs<PivotManager>(nullptr, ClassSet(FileFormat2::PIVOT_MANAGER_NO)));
    *invalid = reader.isInvalid();
    return manager;
}

// A = 15 lies halfway between pivots 0 and 30 (index 1 of 3), B = 1 on its
// second pivot: the packed entries are 1 + 3 * 1 and 2 + 3 * 1, then the end.
TEST_F(PivotTest, ManagerReadFromTheStreamPacksLikeOneBuiltInCode)
{
    bool invalid = true;
    std::unique_ptr<PivotManager> read = readManager(2, [](MocStreamWriter& w) {
        writeParamPivots(w, "A", 3, {-30.0f, 0.0f, 30.0f});
        writeParamPivots(w, "B", 2, {0.0f, 1.0f});
    }, &invalid);
    ASSERT_NE(read, nullptr);
    EXPECT_FALSE(invalid);
    ASSERT_EQ(read->getParamPivotsCount(), 2);
    PivotManager& built = makeManager({{"A", {-30.0f, 0.0f, 30.0f}}, {"B", {0.0f, 1.0f}}});
    set("A", 15.0f);
    set("B", 1.0f);
    for (PivotManager* manager : {read.get(), &built}) {
        bool outside = false;
        EXPECT_EQ(manager->calcPivotValue(*context, &outside), 1);
        EXPECT_EQ(manager->calcPivotIndexies(indices(), ts(), 1), 1);
        EXPECT_EQ(std::vector<int>(indices(), indices() + 3), (std::vector<int>{4, 5, 65535}));
        EXPECT_EQ(std::vector<float>(ts(), ts() + 2), (std::vector<float>{0.5f, -1.0f}));
        LDVector<float>& keyed = makeTable<float>({0, 0, 0, 0, 10.0f, 17.0f});
        EXPECT_EQ(UtInterpolate::interpolateFloat(*context, *manager, &outside, keyed), 10.0f + (17.0f - 10.0f) * 0.5f);
        EXPECT_FALSE(outside);
    }
}

// Each damage marks the stream invalid; the list keeps what could be read.
TEST_F(PivotTest, DamagedPivotStreamsAreCutBackAndMarkedInvalid)
{
    const struct {
        const char* what;
        std::function<void(MocStreamWriter&)> write;
        std::vector<int> pivotCounts; // of the entries kept
    } cases[] = {
        {"count beyond the values", [](MocStreamWriter& w) { writeParamPivots(w, "A", 5, {0.0f, 1.0f, 2.0f}); },
         {3, 2}},
        {"negative count", [](MocStreamWriter& w) { writeParamPivots(w, "A", -1, {0.0f}); }, {0, 2}},
        {"not pivots", [](MocStreamWriter& w) { w.writeTaggedString("not pivots"); }, {2}},
    };
    for (const auto& c : cases) {
        bool invalid = false;
        std::unique_ptr<PivotManager> manager = readManager(2, [&](MocStreamWriter& w) {
            c.write(w);
            writeParamPivots(w, "B", 2, {0.0f, 1.0f});
        }, &invalid);
        ASSERT_NE(manager, nullptr) << c.what;
        EXPECT_TRUE(invalid) << c.what;
        std::vector<int> pivotCounts;
        for (int i = 0; i < manager->getParamPivotsCount(); ++i)
            pivotCounts.push_back(manager->getParamPivots(i)->getPivotCount());
        EXPECT_EQ(pivotCounts, c.pivotCounts) << c.what;
        EXPECT_EQ(manager->getParamPivots(manager->getParamPivotsCount() - 1)->getParamID(), ParamID::getID("B"));
    }
}

} // namespace
