// The model object and its context: loading results and refusals, deformers
// ordered parents first, draw-order buckets, change-driven interpolation,
// parameter arithmetic and exclusive part groups.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "ATavrixModel.h"
#include "ModelContext.h"
#include "support/ChildFirstChain.h"
#include "base/AffineEnt.h"
#include "base/BDAffine.h"
#include "base/IBaseContext.h"
#include "draw/DDTexture.h"
#include "draw/DDTextureContext.h"
#include "draw/IDrawContext.h"
#include "id/BaseDataID.h"
#include "id/DrawDataID.h"
#include "mocwriter/MocWriter.h"
#include "model/ModelImpl.h"
#include "model/PartsData.h"
#include "DemoModel.h"
#include "support/MemoryProbe.h"
#include "support/PeakPageAllocator.h"
#include "support/RecordingDrawParam.h"
#include "support/RuntimeFixture.h"
#include "util/UtString.h"
#include "id/ParamID.h"

using namespace tavrix;
using mocwriter::MocFile;
using mocwriter::MocModel;
using mocwriter::ModelBuilders;
using tavrix_test::captureMessages;
using tavrix_test::captureStdout;

namespace {

class ModelTest : public tavrix_test::RuntimeTest {
protected:
    int load(ATavrixModel& model, const std::vector<uint8_t>& bytes, std::string* out = nullptr)
    {
        int result = -1;
        std::string printed = captureMessages(
            [&] { result = ATavrixModel::loadModel_exe(&model, bytes.data(), static_cast<int>(bytes.size())); });
        if (out) *out = printed;
        return result;
    }

    // Ids of the drawables in the order the recording back-end received them.
    static std::vector<std::string> drawnIds(ATavrixModel& model)
    {
        tavrix_test::RecordingDrawParam recorder;
        model.getModelContext()->draw(recorder);
        std::vector<std::string> ids;
        for (const auto& call : recorder.calls) ids.push_back(call.drawDataID->getName().c_str());
        return ids;
    }

    // Gives the model one part holding rotation deformers named B<ids[i]>,
    // each targeting B<targets[i]> (a negative target: the root); returns
    // them in part order.
    static std::vector<IBaseData*> addDeformers(ATavrixModel& model, const std::vector<int>& ids,
                                                const std::vector<int>& targets)
    {
        ModelImpl* impl = model.getModelImpl();
        PartsData* part = new PartsData();
        part->initDirect(impl->getMemoryParam());
        impl->getPartsDataList()->push_back(part);
        std::vector<IBaseData*> created;
        for (size_t i = 0; i < ids.size(); ++i) {
            BDAffine* deformer = new BDAffine();
            deformer->initDirect(impl->getMemoryParam());
            deformer->setBaseDataID(BaseDataID::getID(UtString::toString("B%d", ids[i])));
            deformer->setTargetBaseDataID(targets[i] < 0 ? BaseDataID::DST_BASE_ID()
                                                         : BaseDataID::getID(UtString::toString("B%d", targets[i])));
            part->addBaseData(deformer);
            created.push_back(deformer);
        }
        return created;
    }

    static std::vector<std::string> deformerOrder(ModelContext& context)
    {
        std::vector<std::string> ids;
        for (int i = 0; i < context.getBaseDataCount(); ++i) ids.push_back(context.getBaseData(i)->getBaseDataID()->toChar());
        return ids;
    }
};

MocModel twoMeshModel(int firstOrder, int secondOrder)
{
    MocModel model = ModelBuilders::oneParamModel();
    model.parts[0].meshes.push_back(ModelBuilders::quadMesh("D_SECOND", std::string(MocModel::DST_BASE), 0, 0, 10, 10,
                                                            MocModel::PivotSet{}, secondOrder));
    model.parts[0].meshes[0].drawOrders.assign(model.parts[0].meshes[0].drawOrders.size(), firstOrder);
    return model;
}

TEST_F(ModelTest, LoadsAValidModelAndReportsFileAndVersionFailures)
{
    ATavrixModel model;
    EXPECT_EQ(model.getCanvasWidth(), 0.0f) << "nothing loaded yet";
    EXPECT_EQ(load(model, MocFile::build(ModelBuilders::oneParamModel())), ATavrixModel::LOAD_OK);
    EXPECT_EQ(model.getCanvasWidth(), 400.0f);
    EXPECT_EQ(model.getModelImpl()->getFormatVersion(), 10);
    ModelImpl* loaded = model.getModelImpl();

    // Each failure leaves its own message, on one line without its source tag.
    std::string out = captureMessages([&] {
        EXPECT_EQ(ATavrixModel::loadModel_exe(&model, LDString("/no/such/dir/model.moc")), 1001);
    });
    EXPECT_NE(out.find("load file failed : file : /no/such/dir/model.moc @ATavrixModel#loadModel_exe()"),
              std::string::npos);
    EXPECT_STREQ(Tavrix::getErrorMessage(), "load file failed : file : /no/such/dir/model.moc");

    MocFile::Options newer;
    newer.versionByte = 11;
    EXPECT_EQ(load(model, MocFile::build(ModelBuilders::oneParamModel(), newer)), 2000);
    EXPECT_STREQ(Tavrix::getErrorMessage(), "Illegal data version ( available : 10 < loaded :: 11 )");

    MocFile::Options badMarker;
    badMarker.endMarkerValue = 0x88888889u;
    EXPECT_EQ(load(model, MocFile::build(ModelBuilders::oneParamModel(), badMarker)), 2001);
    EXPECT_STREQ(Tavrix::getErrorMessage(), "Load Model EOF Check Error");

    MocModel damaged = ModelBuilders::oneParamModel();
    damaged.parts[0].meshes[0].indices[4] = 4;
    EXPECT_EQ(load(model, MocFile::build(damaged)), 2002);
    EXPECT_STREQ(Tavrix::getErrorMessage(), "Invalid model data : mesh D_QUAD: index 4 at position 4 is not below 4 points");
    EXPECT_EQ(model.getModelImpl(), loaded) << "a failed load keeps the model it had";
    EXPECT_EQ(ModelImpl::INSTANCE_COUNT, 1);

    // A headerless stream is read from its first byte as version 0, with a warning.
    ATavrixModel plain;
    EXPECT_EQ(load(plain, MocFile::buildStream(ModelBuilders::oneParamModel()), &out), 0);
    EXPECT_NE(out.find("Warning: Invalid model data or too old version"), std::string::npos);
    EXPECT_EQ(plain.getModelImpl()->getFormatVersion(), 0);

    // The next load starts without the earlier message.
    EXPECT_EQ(load(model, MocFile::build(ModelBuilders::oneParamModel())), ATavrixModel::LOAD_OK);
    EXPECT_STREQ(Tavrix::getErrorMessage(), "");
}

TEST_F(ModelTest, RefusesModelsThatWouldMisbehaveAndNamesTheElement)
{
    struct Case {
        const char* what;
        void (*damage)(MocModel&);
        const char* expected;
    };
    const Case cases[] = {
        {"index count", [](MocModel& m) { m.parts[0].meshes[0].numPolygonsOverride = 3; },
         "mesh D_QUAD: index array holds 6 entries, expected 9"},
        {"index range", [](MocModel& m) { m.parts[0].meshes[0].indices[4] = 4; },
         "mesh D_QUAD: index 4 at position 4 is not below 4 points"},
        {"point count", [](MocModel& m) { m.parts[0].meshes[0].numPtsOverride = 5; }, "mesh D_QUAD: point array 0"},
        {"short draw orders", [](MocModel& m) { m.parts[0].meshes[0].drawOrders.pop_back(); },
         "mesh D_QUAD: draw order table holds 1 values, expected 2"},
        {"far draw order", [](MocModel& m) { m.parts[0].meshes[0].drawOrders[0] = 70000; },
         "mesh D_QUAD: draw order 70000 lies outside -65536 to 65536"},
        {"non-finite point", [](MocModel& m) { m.parts[0].meshes[0].keyedPoints[1][3] = NAN; },
         "mesh D_QUAD: point array 1 holds a non-finite value"},
        {"short affines", [](MocModel& m) { std::get<0>(m.parts[0].deformers[0]).affines.pop_back(); },
         "deformer D_ROT: holds 2 affine entries, expected 3"},
        {"non-finite pivot", [](MocModel& m) { std::get<0>(m.parts[0].deformers[0]).pivots[0].values[1] = INFINITY; },
         "deformer D_ROT: pivots of PARAM_ANGLE hold a non-finite value"},
        {"grid rows", [](MocModel& m) {
             m.parts[0].deformers.push_back(ModelBuilders::gridDeformer("D_GRID", std::string(MocModel::DST_BASE), 1, 1,
                                                                        0, 0, 10, 10, MocModel::PivotSet{}));
             std::get<1>(m.parts[0].deformers[1]).row = 0;
         },
         "deformer D_GRID: grid of 1 x 0 cells"},
        {"lattice size", [](MocModel& m) {
             m.parts[0].deformers.push_back(ModelBuilders::gridDeformer("D_GRID", std::string(MocModel::DST_BASE), 1, 1,
                                                                        0, 0, 10, 10, MocModel::PivotSet{}));
             std::get<1>(m.parts[0].deformers[1]).lattices[0].pop_back();
         },
         "deformer D_GRID: lattice 0 holds 7 floats, expected 8"},
        {"non-finite lattice", [](MocModel& m) {
             m.parts[0].deformers.push_back(ModelBuilders::gridDeformer("D_GRID", std::string(MocModel::DST_BASE), 1, 1,
                                                                        0, 0, 10, 10, MocModel::PivotSet{}));
             std::get<1>(m.parts[0].deformers[1]).lattices[0][5] = -INFINITY;
         },
         "deformer D_GRID: lattice 0 holds a non-finite value"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        MocModel broken = ModelBuilders::oneParamModel();
        c.damage(broken);
        ATavrixModel model;
        std::string out;
        EXPECT_EQ(load(model, MocFile::build(broken), &out), ATavrixModel::LOAD_INVALID_MODEL);
        EXPECT_NE(out.find(c.expected), std::string::npos) << out;
        EXPECT_EQ(model.getModelContext()->getDrawDataCount(), 0) << "nothing installed";
    }
    EXPECT_EQ(ModelImpl::INSTANCE_COUNT, 0);
}

TEST_F(ModelTest, RefusesBlocksWithoutAModel)
{
    ATavrixModel model;
    std::string out;
    EXPECT_EQ(load(model, {'m', 'o', 'c'}, &out), 2002) << "the version byte is missing";
    EXPECT_NE(out.find("too short for its header"), std::string::npos);
    EXPECT_EQ(load(model, {}), 2002);
    EXPECT_EQ(load(model, {'m', 'o', 'c', 10, 0, 0x88, 0x88, 0x88, 0x88}, &out), 2002) << "a null root";
    EXPECT_NE(out.find("no model root"), std::string::npos);
    // A part list that holds something other than parts.
    mocwriter::MocStreamWriter w;
    w.beginObject(mocwriter::MocClass::MODEL);
    w.writeNull();
    w.beginObjectArray(1);
    w.writeTaggedString("not a part");
    w.endObjectArray();
    w.writeInt(10);
    w.writeInt(10);
    w.endObject();
    EXPECT_EQ(load(model, MocFile::wrap(w.takeBytes(), MocFile::Options()), &out), 2002);
}

TEST_F(ModelTest, DeformersAreEvaluatedParentsFirstAndOrphansAreLeftOut)
{
    MocModel m = ModelBuilders::oneParamModel();
    // A child listed before its parent, and a deformer whose parent does not exist.
    m.parts[0].deformers.insert(m.parts[0].deformers.begin(),
                                ModelBuilders::rotationDeformer("D_CHILD", std::string("D_ROT"), MocModel::PivotSet{},
                                                                {ModelBuilders::affine(10, 0)}));
    m.parts[0].deformers.push_back(ModelBuilders::rotationDeformer("D_ORPHAN", std::string("D_MISSING"),
                                                                   MocModel::PivotSet{}, {ModelBuilders::affine(0, 0)}));
    m.parts[0].meshes.push_back(ModelBuilders::quadMesh("D_LOST", std::string("D_ORPHAN"), 0, 0, 1, 1,
                                                        MocModel::PivotSet{}));
    ATavrixModel model;
    ASSERT_EQ(load(model, MocFile::build(m)), 0);
    ModelContext& context = *model.getModelContext();
    EXPECT_EQ(deformerOrder(context), (std::vector<std::string>{"D_ROT", "D_CHILD"}));

    // The mesh on the orphan is not drawn; each update that evaluates it
    // reports the missing deformer, one with nothing moved evaluates nothing.
    const std::string missing = "Target BaseData[D_ORPHAN] is not available.";
    const struct {
        float angle;
        bool evaluates;
    } rounds[] = {{0.0f, true}, {0.0f, false}, {10.0f, true}};
    for (const auto& r : rounds) {
        model.setParamFloat("PARAM_ANGLE", r.angle);
        const std::string out = captureMessages([&] { model.update(); });
        EXPECT_EQ(out.find(missing) != std::string::npos, r.evaluates) << out;
        if (!r.evaluates) {
            EXPECT_EQ(out, "");
        }
        EXPECT_FALSE(context.getDrawContext(1)->isAvailable());
        EXPECT_EQ(drawnIds(model), (std::vector<std::string>{"D_QUAD"}));
    }
}

// The order repeated passes give, computed the slow way.
std::vector<int> orderByPasses(const std::vector<int>& ids, const std::vector<int>& targets)
{
    const int n = static_cast<int>(ids.size());
    std::vector<int> order;
    std::vector<bool> done(n, false);
    bool moved = true;
    while (moved) {
        moved = false;
        for (int i = 0; i < n; ++i) {
            if (done[i]) continue;
            bool parentPlaced = targets[i] < 0;
            for (int j : order) parentPlaced = parentPlaced || ids[j] == targets[i];
            if (!parentPlaced) continue;
            order.push_back(i);
            done[i] = true;
            moved = true;
        }
    }
    return order;
}

TEST_F(ModelTest, ParentsFirstOrderMatchesRepeatedPassesOnRandomForests)
{
    std::mt19937 random(2024);
    for (int round = 0; round < 200; ++round) {
        const int n = 1 + static_cast<int>(random() % 24);
        std::vector<int> ids(n), targets(n);
        for (int i = 0; i < n; ++i) {
            ids[i] = static_cast<int>(random() % (n + 2)); // duplicates happen
            int pick = static_cast<int>(random() % (n + 4));
            targets[i] = pick >= n + 2 ? -1 : pick;        // root, known, missing or cyclic
        }
        ATavrixModel model;
        std::vector<IBaseData*> created = addDeformers(model, ids, targets);
        model.init();
        std::vector<int> expected = orderByPasses(ids, targets);
        ModelContext& context = *model.getModelContext();
        ASSERT_EQ(context.getBaseDataCount(), static_cast<int>(expected.size())) << "round " << round;
        for (size_t k = 0; k < expected.size(); ++k) {
            ASSERT_EQ(context.getBaseData(static_cast<unsigned>(k)), created[expected[k]]) << "round " << round;
        }
    }
}

TEST_F(ModelTest, LongChainListedChildFirstIsOrdered)
{
    const int n = 10000;
    ATavrixModel model;
    tavrix_test::addChildFirstChain(model, n);
    model.init();
    ModelContext& context = *model.getModelContext();
    ASSERT_EQ(context.getBaseDataCount(), n);
    EXPECT_STREQ(context.getBaseData(0)->getBaseDataID()->toChar(), "C0");
    EXPECT_STREQ(context.getBaseData(n - 1)->getBaseDataID()->toChar(), "C9999");
}

TEST_F(ModelTest, LowerDrawOrderFirstEqualOrdersInIndexOrder)
{
    ATavrixModel equal;
    ASSERT_EQ(load(equal, MocFile::build(twoMeshModel(500, 500))), 0);
    equal.update();
    EXPECT_EQ(drawnIds(equal), (std::vector<std::string>{"D_QUAD", "D_SECOND"}));

    ATavrixModel lower;
    ASSERT_EQ(load(lower, MocFile::build(twoMeshModel(505, 501))), 0);
    lower.update();
    EXPECT_EQ(drawnIds(lower), (std::vector<std::string>{"D_SECOND", "D_QUAD"}));

    ATavrixModel none;
    EXPECT_TRUE(drawnIds(none).empty()) << "nothing before the first update";
}

TEST_F(ModelTest, ParameterDefinitionsAreListedInModelOrderAndFoundByName)
{
    MocModel m = ModelBuilders::oneParamModel();
    m.params = {ModelBuilders::param("PARAM_B", 0, 10, 2), ModelBuilders::param("PARAM_ANGLE", -30, 30, 0),
                ModelBuilders::param("PARAM_B", -5, 5, 1)};
    ATavrixModel model;
    EXPECT_EQ(model.getParamDefCount(), 0) << "nothing loaded";
    ASSERT_EQ(load(model, MocFile::build(m)), 0);

    const auto text = [](const ParamDefinition& d) {
        return std::string(d.id) + " " + std::to_string(d.min) + ".." + std::to_string(d.max) + " default " +
               std::to_string(d.defaultValue) + " row " + std::to_string(d.index);
    };
    // A repeated name: the model reads its last row.
    const std::vector<std::string> listed = {"PARAM_B 0.000000..10.000000 default 2.000000 row 2",
                                             "PARAM_ANGLE -30.000000..30.000000 default 0.000000 row 1",
                                             "PARAM_B -5.000000..5.000000 default 1.000000 row 2"};
    ASSERT_EQ(model.getParamDefCount(), 3);
    for (int i = 0; i < 3; ++i) {
        ParamDefinition definition{};
        ASSERT_TRUE(model.getParamDef(i, definition));
        EXPECT_EQ(text(definition), listed[i]);
    }
    ParamDefinition found{};
    EXPECT_TRUE(model.findParamDef("PARAM_ANGLE", found));
    EXPECT_EQ(text(found), listed[1]);
    EXPECT_TRUE(model.findParamDef("PARAM_B", found));
    EXPECT_EQ(text(found), listed[0]) << "the first definition of a name";

    const int rows = model.getModelContext()->getParamCount();
    for (const char* unknown : {"PARAM_NONE", "PARAM_", "", static_cast<const char*>(nullptr)}) {
        EXPECT_FALSE(model.findParamDef(unknown, found));
    }
    EXPECT_EQ(model.getModelContext()->getParamCount(), rows) << "looking adds nothing";
    EXPECT_FALSE(model.getParamDef(-1, found));
    EXPECT_FALSE(model.getParamDef(3, found));
    EXPECT_EQ(text(found), listed[0]) << "a failed lookup leaves the result as it was";
}

TEST_F(ModelTest, UnchangedParametersSkipInterpolation)
{
    ATavrixModel model;
    ASSERT_EQ(load(model, MocFile::build(ModelBuilders::oneParamModel())), 0);
    model.update();
    int count = 0;
    float before = model.getTransformedPoints(0, &count)[0];
    ASSERT_EQ(count, 4);

    // Change the keyed shape behind the model's back: only a parameter change re-reads it.
    DDTexture* mesh = static_cast<DDTexture*>(model.getDrawData(0));
    for (float* keyed : *mesh->getPivotPoints()) keyed[0] += 7.0f;
    model.update();
    EXPECT_EQ(model.getTransformedPoints(0, &count)[0], before);
    model.setParamFloat("PARAM_ANGLE", 0.0f); // same value: no change
    model.update();
    EXPECT_EQ(model.getTransformedPoints(0, &count)[0], before);
    model.setParamFloat("PARAM_ANGLE", 1.0f);
    model.update();
    EXPECT_NE(model.getTransformedPoints(0, &count)[0], before);

    // Replacing a deformer changes what the same parameters give.
    model.getModelContext()->setBaseData(0, nullptr);
    captureMessages([&] { model.update(); });
    EXPECT_FALSE(model.getModelContext()->getDrawContext(0)->isAvailable());
}

TEST_F(ModelTest, UpdatesWithNothingMovedKeepTheResultsOfTheLastFullOne)
{
    const std::vector<uint8_t> bytes = MocFile::build(tavrix_demo::demoModel());
    // Every mesh's points as the model holds them.
    const auto pointsAt = [&](ATavrixModel& model) {
        std::vector<float> all;
        for (int i = 0; model.getDrawData(i); ++i) {
            int count = 0;
            const float* points = model.getTransformedPoints(i, &count);
            if (points) all.insert(all.end(), points, points + 2 * count);
        }
        return all;
    };
    ATavrixModel model;
    ASSERT_EQ(load(model, bytes), 0);
    for (float value : {10.0f, 10.0f, -25.0f, -25.0f, 30.0f}) {
        model.setParamFloat("PARAM_ANGLE_X", value);
        model.update();
        const std::string printed = captureStdout([&] { model.update(); });
        EXPECT_EQ(printed, "") << "an update with nothing moved prints nothing";
        ATavrixModel fresh;
        ASSERT_EQ(load(fresh, bytes), 0);
        fresh.setParamFloat("PARAM_ANGLE_X", value);
        fresh.update();
        EXPECT_EQ(pointsAt(model), pointsAt(fresh)) << "at " << value;
    }
}

// A drawable whose interpolated order is whatever the test says.
class FixedOrderDrawable : public DDTexture {
public:
    explicit FixedOrderDrawable(int order) : order(order) {}
    void setupInterpolate(ModelContext&, IDrawContext* context) override
    {
        context->interpolatedDrawOrder = order;
        context->interpolatedOpacity = 1.0f;
    }
    int order;
};

TEST_F(ModelTest, OutOfRangeDrawOrderPicksTheNearestBucket)
{
    ATavrixModel model;
    ModelImpl* impl = model.getModelImpl();
    PartsData* part = new PartsData();
    part->initDirect(impl->getMemoryParam());
    impl->getPartsDataList()->push_back(part);
    LDVector<int> widen; // a range of several buckets
    widen.push_back(IDrawData::getTotalMinOrder() + 10);
    IDrawData::setDrawOrder(&widen);
    const int below = IDrawData::getTotalMinOrder() - 1;
    const int above = IDrawData::getTotalMaxOrder() + 3;
    FixedOrderDrawable* high = new FixedOrderDrawable(above);
    FixedOrderDrawable* low = new FixedOrderDrawable(below);
    high->initDirect(impl->getMemoryParam());
    low->initDirect(impl->getMemoryParam());
    high->setDrawDataID(DrawDataID::getID("HIGH"));
    low->setDrawDataID(DrawDataID::getID("LOW"));
    part->addDrawData(high);
    part->addDrawData(low);
    model.init();
    model.update();
    EXPECT_EQ(model.getModelContext()->getDrawContext(1)->interpolatedDrawOrder, below) << "the context keeps it";
    std::vector<int> sequence;
    model.getModelContext()->walkDrawOrder([&](unsigned index, IDrawContext*) { sequence.push_back(index); });
    EXPECT_EQ(sequence, (std::vector<int>{1, 0}));
}

TEST_F(ModelTest, ParameterArithmeticAndMeshQueries)
{
    ATavrixModel model;
    ASSERT_EQ(load(model, MocFile::build(ModelBuilders::oneParamModel())), 0);
    model.setParamFloat("PARAM_ANGLE", 10.0f);
    model.setParamFloat("PARAM_ANGLE", 20.0f, 0.5f);
    EXPECT_EQ(model.getParamFloat("PARAM_ANGLE"), 15.0f);
    model.multParamFloat("PARAM_ANGLE", 2.0f, 1.0f);
    EXPECT_EQ(model.getParamFloat("PARAM_ANGLE"), 30.0f);
    model.multParamFloat("PARAM_ANGLE", 2.0f, 0.0f);
    EXPECT_EQ(model.getParamFloat("PARAM_ANGLE"), 30.0f);
    model.addToParamFloat("PARAM_ANGLE", -10.0f, 0.5f);
    EXPECT_EQ(model.getParamFloat("PARAM_ANGLE"), 25.0f);
    model.addToParamFloat("PARAM_ANGLE", 100.0f);
    EXPECT_EQ(model.getParamFloat("PARAM_ANGLE"), 30.0f) << "clamped to the range";
    model.saveParam();
    model.setParamFloat("PARAM_ANGLE", -5.0f);
    model.loadParam();
    EXPECT_EQ(model.getParamFloat("PARAM_ANGLE"), 30.0f);
    EXPECT_GE(model.getParamIndex(ParamID::getID("PARAM_UNKNOWN")), 1) << "unknown ids are added";

    int count = -1;
    EXPECT_EQ(model.getTransformedPoints(-1, &count), nullptr);
    EXPECT_EQ(model.getTransformedPoints(model.getModelContext()->getDrawDataCount(), &count), nullptr);
    ASSERT_NE(model.getIndexArray(0, &count), nullptr);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(model.getDrawDataIndex("D_QUAD"), 0);
    EXPECT_EQ(model.getDrawDataIndex("NOPE"), -1);
    model.setAnisotropy(0); // no back-end here: ignored
    EXPECT_EQ(model.getDrawParam(), nullptr);
}

MocModel groupModel()
{
    MocModel m;
    m.canvasWidth = m.canvasHeight = 100;
    for (const char* name : {"A", "B", "C"}) {
        m.params.push_back(ModelBuilders::param(std::string("VISIBLE:P_") + name, 0, 1, 0));
        MocModel::Part part;
        part.id = std::string("P_") + name;
        m.parts.push_back(part);
    }
    return m;
}

TEST_F(ModelTest, ExclusivePartGroups)
{
    const char* names[] = {"VISIBLE:P_A", "VISIBLE:P_B", "VISIBLE:P_C", nullptr};
    ATavrixModel model;
    ASSERT_EQ(load(model, MocFile::build(groupModel())), 0);

    model.setParamFloat("VISIBLE:P_B", 1.0f);
    model.setupPartsOpacityGroup_alphaImpl(names, 0.0f);
    EXPECT_EQ(model.getPartsOpacity("P_A"), 0.0f);
    EXPECT_EQ(model.getPartsOpacity("P_B"), 1.0f);
    EXPECT_EQ(model.getPartsOpacity("P_C"), 0.0f);

    // Fading: B from 0 reaches 0.5, then 1.0, with delta time 0.25.
    model.setPartsOpacity("P_A", 1.0f);
    model.setPartsOpacity("P_B", 0.0f);
    model.setupPartsOpacityGroup_alphaImpl(names, 0.25f);
    EXPECT_EQ(model.getPartsOpacity("P_B"), 0.5f);
    EXPECT_FLOAT_EQ(model.getPartsOpacity("P_A"), 1.0f - 0.15f / 0.5f);
    model.setupPartsOpacityGroup_alphaImpl(names, 0.25f);
    EXPECT_EQ(model.getPartsOpacity("P_B"), 1.0f);
    EXPECT_EQ(model.getPartsOpacity("P_A"), 0.0f);

    // The limit of the others at 0.4 and at 0.9.
    model.setPartsOpacity("P_A", 1.0f);
    model.setPartsOpacity("P_B", 0.4f - 0.5f);
    model.setupPartsOpacityGroup_alphaImpl(names, 0.25f);
    EXPECT_FLOAT_EQ(model.getPartsOpacity("P_B"), 0.4f);
    EXPECT_FLOAT_EQ(model.getPartsOpacity("P_A"), 0.75f);
    model.setPartsOpacity("P_A", 1.0f);
    model.setPartsOpacity("P_B", 0.4f);
    model.setupPartsOpacityGroup_alphaImpl(names, 0.25f);
    EXPECT_FLOAT_EQ(model.getPartsOpacity("P_A"), 0.1f);

    // Two visible entries: reported, the first stays visible.
    model.setParamFloat("VISIBLE:P_C", 1.0f);
    std::string out = captureStdout([&] { model.setupPartsOpacityGroup_alphaImpl(names, 0.25f); });
    EXPECT_NE(out.find("PartsVisible:Multiple visible error"), std::string::npos);

    // None visible: the first entry is chosen and shown at once.
    model.setParamFloat("VISIBLE:P_B", 0.0f);
    model.setParamFloat("VISIBLE:P_C", 0.0f);
    model.saveParam();
    out = captureStdout([&] { model.setupPartsOpacityGroup_alphaImpl(names, 0.25f); });
    EXPECT_NE(out.find("No Parts Visible/ use default[VISIBLE:P_A]"), std::string::npos);
    EXPECT_EQ(model.getParamFloat("VISIBLE:P_A"), 1.0f);
    EXPECT_EQ(model.getPartsOpacity("P_A"), 1.0f);
    EXPECT_EQ(model.getPartsOpacity("P_B"), 0.0f);
    EXPECT_EQ(model.getPartsOpacity("NO_SUCH_PART"), 0.0f);
}

TEST(ModelMemory, UpdatesAndDrawsAllocateNothingAfterTheFirst)
{
    tavrix_test::CountingAllocator pages;
    Tavrix::init(&pages);
    {
        std::vector<uint8_t> bytes = MocFile::build(tavrix_demo::demoModel());
        ATavrixModel model;
        ASSERT_EQ(ATavrixModel::loadModel_exe(&model, bytes.data(), static_cast<int>(bytes.size())), 0);
        tavrix_test::RecordingDrawParam recorder;
        model.update();
        model.getModelContext()->draw(recorder);
        const int blocks = tavrix_test::tmpBlocksInUse();
        const int pageAllocs = pages.totalAllocs;
        for (int frame = 0; frame < 200; ++frame) {
            model.setParamFloat("PARAM_ANGLE_X", static_cast<float>(frame % 60 - 30));
            model.setParamFloat("PARAM_BODY_ANGLE_X", static_cast<float>(frame % 20 - 10));
            model.setParamFloat("PARAM_EYE_L_OPEN", (frame % 7) / 6.0f);
            model.update();
            recorder.clearCalls();
            model.getModelContext()->draw(recorder);
        }
        EXPECT_EQ(tavrix_test::tmpBlocksInUse(), blocks);
        EXPECT_EQ(pages.totalAllocs, pageAllocs);
    }
    Tavrix::dispose();
    EXPECT_EQ(pages.livePages, 0);
}

TEST_F(ModelTest, RotationDeformerThroughTheWholeModel)
{
    // Origin (100, 50), rotation 90, scale 2: (1, 0) lands on (100, 52).
    MocModel m;
    m.canvasWidth = m.canvasHeight = 200;
    MocModel::Part part;
    part.id = "P";
    MocModel::AffineKey key = ModelBuilders::affine(100, 50, 90, 2);
    part.deformers.push_back(ModelBuilders::rotationDeformer("R", std::string(MocModel::DST_BASE), MocModel::PivotSet{},
                                                             {key}));
    MocModel::Mesh mesh = ModelBuilders::quadMesh("M", std::string("R"), 0, 0, 1, 1, MocModel::PivotSet{});
    mesh.keyedPoints[0] = {1, 0, 0, 1, 1, 0, 0, 1};
    part.meshes.push_back(mesh);
    m.parts.push_back(part);
    ATavrixModel model;
    ASSERT_EQ(load(model, MocFile::build(m)), 0);
    model.update();
    int count = 0;
    float* points = model.getTransformedPoints(0, &count);
    EXPECT_NEAR(points[0], 100.0f, 1e-4f);
    EXPECT_NEAR(points[1], 52.0f, 1e-4f);
    EXPECT_NEAR(points[2], 98.0f, 1e-4f);
    EXPECT_NEAR(points[3], 50.0f, 1e-4f);
}

TEST_F(ModelTest, DeformerLookupFindsTheLastEntryWithTheIdentifier)
{
    // Deformers with repeated identifiers, some left out for want of a
    // parent; then entries replaced (by another deformer or by nothing) and
    // appended. Each lookup must agree with a search from the last entry.
    std::mt19937 random(77);
    for (int round = 0; round < 50; ++round) {
        const int n = 2 + static_cast<int>(random() % 40);
        std::vector<int> ids(n), targets(n);
        for (int i = 0; i < n; ++i) {
            ids[i] = static_cast<int>(random() % (n / 2 + 1));
            targets[i] = static_cast<int>(random() % (n + 3)) - 3;
        }
        ATavrixModel model;
        std::vector<IBaseData*> created = addDeformers(model, ids, targets);
        model.init();
        ModelContext& context = *model.getModelContext();
        auto check = [&](const char* when) {
            for (int k = 0; k <= n / 2 + 1; ++k) {
                BaseDataID* id = BaseDataID::getID(UtString::toString("B%d", k));
                int expected = -1;
                for (int i = context.getBaseDataCount() - 1; i >= 0 && expected < 0; --i) {
                    if (context.getBaseData(i) && context.getBaseData(i)->getBaseDataID() == id) expected = i;
                }
                ASSERT_EQ(context.getBaseDataIndex(id), expected) << when << ", round " << round << ", B" << k;
            }
        };
        check("after init");
        for (int change = 0; change < 5 && context.getBaseDataCount() > 0; ++change) {
            const unsigned int at = random() % context.getBaseDataCount();
            context.setBaseData(at, random() % 3 == 0 ? nullptr : created[random() % created.size()]);
            check("after a replacement");
        }
        // Appended entries take no context of their own here; the model's
        // own deformers own theirs.
        ASSERT_TRUE(context.addBaseData_notForClientCall(created[random() % created.size()], nullptr));
        check("after an append");
    }
}

TEST(ModelScale, ManyParameterDefinitionsLoadInMemoryProportionalToThem)
{
    // Rows were once reserved one at a time in the context's arena, which
    // keeps every old block: thousands of definitions took hundreds of
    // megabytes. Repeating one identifier must cost no more.
    const int n = 4000;
    for (bool sameId : {false, true}) {
        MocModel description = ModelBuilders::oneParamModel();
        for (int i = 1; i < n; ++i) {
            description.params.push_back(
                ModelBuilders::param(sameId ? ModelBuilders::PARAM_ID : "P" + std::to_string(i), -1, 1, 0));
        }
        const std::vector<uint8_t> bytes = MocFile::build(description);
        tavrix_test::PeakPageAllocator pages;
        Tavrix::init(&pages);
        {
            const size_t before = pages.restartPeak();
            ATavrixModel model;
            ASSERT_EQ(ATavrixModel::loadModel_exe(&model, bytes.data(), static_cast<int>(bytes.size())), 0);
            model.update();
            ModelContext& context = *model.getModelContext();
            ASSERT_EQ(context.getParamCount(), n);
            EXPECT_EQ(context.getParamIndex(ParamID::getID(ModelBuilders::PARAM_ID)), sameId ? n - 1 : 0);
            EXPECT_LT(pages.peakBytes - before, static_cast<size_t>(n) * 2048) << (sameId ? "one id" : "distinct ids");
        }
        Tavrix::dispose();
    }
}

} // namespace
