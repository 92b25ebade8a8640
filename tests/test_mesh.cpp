#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "ModelContext.h"
#include "Tavrix.h"
#include "base/IBaseContext.h"
#include "base/IBaseData.h"
#include "draw/DDTexture.h"
#include "draw/DDTextureContext.h"
#include "graphics/DrawParam.h"
#include "graphics/TextureInfo.h"
#include "id/BaseDataID.h"
#include "id/DrawDataID.h"
#include "id/ParamID.h"
#include "io/BReader.h"
#include "io/FileFormat2.h"
#include "memory/APageHeader.h"
#include "memory/MemoryParam.h"
#include "memory/fixed/MHPageHeaderFixed.h"
#include "memory/fixed/MemoryHolderFixed.h"
#include "mocwriter/MocWriter.h"
#include "support/RecordingDrawParam.h"
#include "support/RuntimeFixture.h"

using namespace tavrix;
using namespace mocwriter;
using tavrix_test::RecordingDrawParam;
using ::testing::HasSubstr;
using ::testing::Each;

namespace {

const char* const PARAM = "PARAM_T";

// Moves every point by a fixed offset: enough of a deformer to see which
// buffer a mesh hands to the back-end.
class ShiftDeformer : public IBaseData {
public:
    ShiftDeformer(const char* id, float dx, float dy) : dx(dx), dy(dy) { baseDataID = BaseDataID::getID(id); }
    void readV2(BReader&, MemoryParam*) override {}
    IBaseContext* init(ModelContext&) override { return new IBaseContext(this); }
    void setupInterpolate(ModelContext&, IBaseContext*) override {}
    void setupTransform(ModelContext&, IBaseContext*) override {}
    void transformPoints(ModelContext&, IBaseContext*, float* src, float* dst, int numPts, int ptOffset,
                         int ptStep) override
    {
        ++calls;
        for (int k = 0; k < numPts; ++k) {
            dst[ptOffset + k * ptStep] = src[ptOffset + k * ptStep] + dx;
            dst[ptOffset + k * ptStep + 1] = src[ptOffset + k * ptStep + 1] + dy;
        }
    }
    int getType() override { return TYPE_BD_AFFINE; }

    float dx;
    float dy;
    int calls = 0;
};

// A quad keyed by PARAM at 0 and 1; at 1 it lies 10 units further right.
MocModel::Mesh quad(const std::string& id, const std::optional<std::string>& target = std::string(MocModel::DST_BASE))
{
    MocModel::Mesh mesh = ModelBuilders::quadMesh(id, target, 0.0f, 0.0f, 100.0f, 50.0f,
                                                  ModelBuilders::pivots(PARAM, {0.0f, 1.0f}));
    for (size_t i = 0; i < mesh.keyedPoints[1].size(); i += 2) mesh.keyedPoints[1][i] += 10.0f;
    return mesh;
}

bool blockInHolder(const MemoryHolderFixed& holder, const void* block)
{
    const APageHeader* page = AllocHeader::load(block);
    for (MHPageHeaderFixed* first : {holder.getPagesWithRoom(), holder.getFilledPages()}) {
        for (MHPageHeaderFixed* p = first; p; p = p->nextPage) {
            if (p == page) return true;
        }
    }
    return false;
}

// The model's memory (main and GPU arenas), a model context and the meshes
// of one test with their contexts, evaluated in the order of the update cycle.
class MeshTest : public tavrix_test::RuntimeTest {
protected:
    void SetUp() override
    {
        RuntimeTest::SetUp();
        createModelMemory();
    }
    void TearDown() override
    {
        for (DDTextureContext* drawContext : drawContexts) delete drawContext;
        delete context;
        for (DDTexture* mesh : meshes) delete mesh;
        for (ShiftDeformer* deformer : deformers) delete deformer;
        delete memParam;
        delete holderGPU;
        delete holderMain;
        RuntimeTest::TearDown();
    }

    void createModelMemory()
    {
        holderMain = new MemoryHolderFixed(LDAllocator::MAIN, "ModelImpl");
        holderGPU = new MemoryHolderFixed(LDAllocator::GPU, "ModelImpl-GPU");
        memParam = new MemoryParam(holderMain, holderGPU);
        context = new ModelContext(nullptr);
        context->init();
    }

    DDTexture* read(const std::vector<uint8_t>& bytes, int formatVersion, bool expectValid = true)
    {
        BReader reader(bytes.data(), static_cast<int>(bytes.size()));
        reader.setFormatVersion(formatVersion);
        DDTexture* mesh = reader.readSerializableAs<DDTexture>(memParam, ClassSet(FileFormat2::DDTEXTURE_NO));
        EXPECT_NE(mesh, nullptr);
        EXPECT_EQ(reader.isInvalid(), !expectValid);
        EXPECT_EQ(reader.getBuffer().getRemaining(), 0) << "the mesh must read exactly its own fields";
        EXPECT_EQ(memParam->getAllocType(), LDAllocator::MAIN);
        if (mesh) meshes.push_back(mesh);
        return mesh;
    }
    DDTexture* read(const MocModel::Mesh& mesh, int formatVersion = 10)
    {
        MocStreamWriter writer;
        MocModelSerializer(writer, {formatVersion, false}).writeMesh(mesh);
        return read(writer.takeBytes(), formatVersion);
    }

    DDTextureContext* attach(DDTexture* mesh)
    {
        DDTextureContext* drawContext = static_cast<DDTextureContext*>(mesh->init(*context));
        EXPECT_NE(drawContext, nullptr);
        drawContext->partsOpacity = 1.0f;
        drawContexts.push_back(drawContext);
        return drawContext;
    }
    DDTextureContext* load(const MocModel::Mesh& mesh, int formatVersion = 10)
    {
        DDTexture* texture = read(mesh, formatVersion);
        return texture ? attach(texture) : nullptr;
    }

    ShiftDeformer* addDeformer(const char* id, float dx, float dy, float totalOpacity = 1.0f)
    {
        ShiftDeformer* deformer = new ShiftDeformer(id, dx, dy);
        deformers.push_back(deformer);
        IBaseContext* baseContext = deformer->init(*context);
        baseContext->setTotalOpacity(totalOpacity);
        EXPECT_TRUE(context->addBaseData_notForClientCall(deformer, baseContext));
        return deformer;
    }

    void set(const char* name, float value)
    {
        context->setParamFloat(static_cast<unsigned int>(context->getParamIndex(ParamID::getID(name))), value);
    }

    // One update of the meshes: changed parameters, then interpolation and
    // transform of every mesh in order.
    void update()
    {
        context->detectParamChanges();
        for (DDTextureContext* drawContext : drawContexts) {
            drawContext->getSrcPtr()->setupInterpolate(*context, drawContext);
            drawContext->getSrcPtr()->setupTransform(*context, drawContext);
        }
        context->clearParamChanges();
    }

    void draw(RecordingDrawParam& drawParam)
    {
        drawParam.setupDraw();
        for (DDTextureContext* drawContext : drawContexts) {
            if (drawContext->isAvailable()) drawContext->getSrcPtr()->draw(drawParam, *context, drawContext);
        }
    }

    MemoryHolderFixed* holderMain = nullptr;
    MemoryHolderFixed* holderGPU = nullptr;
    MemoryParam* memParam = nullptr;
    ModelContext* context = nullptr;
    std::vector<DDTexture*> meshes;
    std::vector<DDTextureContext*> drawContexts;
    std::vector<ShiftDeformer*> deformers;
};

// --- Reading -------------------------------------------------------------------

TEST_F(MeshTest, OptionFlagsDecideCompositionModeAndCulling)
{
    const struct {
        const char* id;
        int formatVersion;
        std::optional<std::int32_t> flag;
        int compositionMode;
        bool culling;
    } cases[] = {
        {"D_OLD", 7, 0x20, 0, true}, // a version 7 stream stores no flag: normal blending, culled
        {"D_PLAIN", 10, std::nullopt, 0, true},
        {"D_NO_CULLING", 10, 0x20, 0, false},
        {"D_ADDITIVE", 10, 0x03, 1, true},
        {"D_MODE15", 10, 0x1E, 15, true},
    };
    for (const auto& c : cases) {
        MocModel::Mesh mesh = quad(c.id);
        mesh.optionFlagOverride = c.flag;
        load(mesh, c.formatVersion);
    }
    EXPECT_EQ(meshes[0]->getOptionFlag(), 0);

    RecordingDrawParam drawParam;
    update();
    draw(drawParam);
    EXPECT_EQ(drawParam.setupDrawCount, 1);
    ASSERT_EQ(drawParam.calls.size(), 5u);
    for (size_t i = 0; i < drawParam.calls.size(); ++i) {
        SCOPED_TRACE(cases[i].id);
        EXPECT_EQ(drawParam.calls[i].drawDataID, DrawDataID::getID(cases[i].id));
        EXPECT_EQ(drawParam.calls[i].compositionMode, cases[i].compositionMode);
        EXPECT_EQ(drawParam.calls[i].culling, cases[i].culling);
        EXPECT_EQ(drawParam.calls[i].indices, (std::vector<unsigned short>{0, 1, 2, 2, 1, 3}));
        EXPECT_EQ(drawParam.calls[i].uvs, (std::vector<float>{0, 0, 1, 0, 0, 1, 1, 1}));
    }
}

TEST_F(MeshTest, IndexAndUvArraysLieInGpuMemoryAndPointsInMainMemory)
{
    DDTexture* mesh = read(quad("D_QUAD"));
    int count = 0;
    ASSERT_EQ(mesh->getPivotPoints()->size(), 2);
    ASSERT_NE(mesh->getIndexArray(&count), nullptr);
    ASSERT_NE(mesh->getUvs(), nullptr);
    EXPECT_TRUE(blockInHolder(*holderGPU, mesh->getIndexArray(&count)));
    EXPECT_TRUE(blockInHolder(*holderGPU, mesh->getUvs()));
    for (const float* keyed : *mesh->getPivotPoints()) EXPECT_TRUE(blockInHolder(*holderMain, keyed));
}

// Meshes that validation would refuse (null fields, fields of the wrong
// class) and one built in code without keyed tables read and evaluate
// harmlessly and are never drawn.
TEST_F(MeshTest, DamagedOrEmptyMeshesAreNeverDrawn)
{
    MocStreamWriter nulls;
    nulls.beginObject(FileFormat2::DDTEXTURE_NO);
    for (int field = 0; field < 3; ++field) nulls.writeNull(); // identifiers and pivots
    nulls.writeInt(0);
    nulls.writeIntArray({});
    nulls.writeFloatArray({});
    for (int value : {0, 4, 2}) nulls.writeInt(value); // texture, point and triangle counts
    for (int field = 0; field < 3; ++field) nulls.writeNull(); // indices, keyed points, uvs
    nulls.writeInt(0);
    nulls.endObject();
    DDTexture* empty = read(nulls.takeBytes(), 10, true);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->getPivotPoints(), nullptr);
    EXPECT_EQ(empty->getPivotPointsLengths()->size(), 0);

    MocStreamWriter wrong;
    wrong.beginObject(FileFormat2::DDTEXTURE_NO);
    wrong.writeBaseDataId("not a draw id");
    wrong.writeDrawDataId("not a base id");
    wrong.writeTaggedString("not pivots");
    wrong.writeInt(0);
    wrong.writeIntArray({500});
    wrong.writeFloatArray({1.0f});
    for (int value : {0, 4, 2}) wrong.writeInt(value);
    wrong.writeTaggedFloatArray({0.0f, 1.0f, 2.0f});
    wrong.beginObjectArray(2);
    wrong.writeTaggedString("not points");
    wrong.writeTaggedFloatArray({0, 0, 1, 0, 0, 1, 1, 1});
    wrong.endObjectArray();
    wrong.writeTaggedIntArray({0, 1});
    wrong.writeInt(0);
    wrong.endObject();
    DDTexture* damaged = read(wrong.takeBytes(), 10, false);
    ASSERT_NE(damaged, nullptr);
    EXPECT_EQ(damaged->getDrawDataID(), nullptr);
    EXPECT_EQ(damaged->getTargetBaseDataID(), nullptr);
    EXPECT_EQ(damaged->getPivotManager(), nullptr);
    int count = 0;
    EXPECT_EQ(damaged->getIndexArray(&count), nullptr);
    EXPECT_EQ(damaged->getUvs(), nullptr);
    ASSERT_EQ(damaged->getPivotPoints()->size(), 2);
    EXPECT_EQ((*damaged->getPivotPoints())[0], nullptr);
    EXPECT_EQ((*damaged->getPivotPointsLengths())[0], 0);
    EXPECT_EQ((*damaged->getPivotPointsLengths())[1], 8);

    DDTexture* direct = new DDTexture();
    meshes.push_back(direct);
    direct->initDirect(memParam);
    for (DDTexture* mesh : {empty, damaged, direct}) attach(mesh);
    RecordingDrawParam drawParam;
    update();
    draw(drawParam);
    EXPECT_TRUE(drawParam.calls.empty());
    EXPECT_FALSE(drawContexts[0]->isAvailable());
    EXPECT_FALSE(drawContexts[1]->isAvailable());
}

// --- Evaluation ------------------------------------------------------------------

TEST_F(MeshTest, RootOrNullTargetDrawsTheInterpolatedPointsWhileInsideThePivots)
{
    DDTextureContext* root = load(quad("D_ROOT"));
    DDTextureContext* none = load(quad("D_NONE", std::nullopt));
    set(PARAM, 0.5f);
    update();

    const std::vector<float> halfway = {5, 0, 105, 0, 5, 50, 105, 50};
    for (DDTextureContext* drawContext : {root, none}) {
        EXPECT_EQ(drawContext->transformedPoints, nullptr);
        EXPECT_EQ(drawContext->drawPoints, drawContext->interpolatedPoints);
        int numPts = 0;
        EXPECT_EQ(drawContext->getTransformedPoints(&numPts), drawContext->interpolatedPoints);
        EXPECT_EQ(numPts, 4);
        EXPECT_TRUE(drawContext->isAvailable());
        EXPECT_EQ(drawContext->baseOpacity, 1.0f);
    }
    RecordingDrawParam drawParam;
    draw(drawParam);
    ASSERT_EQ(drawParam.calls.size(), 2u);
    EXPECT_EQ(drawParam.calls[0].points, halfway);
    EXPECT_EQ(drawParam.calls[1].points, halfway);
    EXPECT_EQ(drawParam.calls[0].vertexArray, root->interpolatedPoints);

    // Outside the pivots: not drawn, and the points of the last update stay.
    set(PARAM, 1.5f);
    update();
    EXPECT_FALSE(root->isAvailable());
    EXPECT_EQ(std::vector<float>(root->interpolatedPoints, root->interpolatedPoints + 8), halfway);
    drawParam.clearCalls();
    draw(drawParam);
    EXPECT_TRUE(drawParam.calls.empty());
}

TEST_F(MeshTest, TargetDeformerMovesThePointsThatAreDrawn)
{
    ShiftDeformer* deformer = addDeformer("D_SHIFT", 1000.0f, 2000.0f, 0.5f);
    DDTextureContext* drawContext = load(quad("D_QUAD", std::string("D_SHIFT")));
    update();

    ASSERT_NE(drawContext->transformedPoints, nullptr);
    EXPECT_EQ(drawContext->drawPoints, drawContext->transformedPoints);
    EXPECT_TRUE(drawContext->isAvailable());
    EXPECT_EQ(drawContext->baseOpacity, 0.5f);
    RecordingDrawParam drawParam;
    draw(drawParam);
    ASSERT_EQ(drawParam.calls.size(), 1u);
    EXPECT_EQ(drawParam.calls[0].points, (std::vector<float>{1000, 2000, 1100, 2000, 1000, 2050, 1100, 2050}));

    // A deformer outside its parameters leaves the mesh undrawn; its opacity
    // is still taken over.
    context->getBaseContext(0)->setOutsideParam(true);
    context->getBaseContext(0)->setTotalOpacity(0.25f);
    update();
    EXPECT_FALSE(drawContext->isAvailable());
    EXPECT_EQ(drawContext->baseOpacity, 0.25f);
    EXPECT_EQ(deformer->calls, 1);

    context->getBaseContext(0)->setOutsideParam(false);
    update();
    EXPECT_TRUE(drawContext->isAvailable());
    EXPECT_EQ(deformer->calls, 2);
}

TEST_F(MeshTest, MissingTargetDeformerIsNotDrawnAndReportedOnEveryUpdate)
{
    addDeformer("D_OTHER", 0.0f, 0.0f);
    DDTextureContext* lost = load(quad("D_LOST", std::string("D_MISSING")));
    DDTextureContext* fine = load(quad("D_FINE"));

    const std::string message = "Target BaseData[D_MISSING] is not available.";
    for (int i = 0; i < 3; ++i) {
        std::string out = tavrix_test::captureStdout([&] { update(); });
        EXPECT_THAT(out, HasSubstr(message));
        EXPECT_EQ(out.find(message), out.rfind(message)) << "one report per update";
    }
    // The failed lookup is kept, not retried.
    EXPECT_EQ(lost->tmpBaseDataIndex, -1);
    EXPECT_FALSE(lost->isAvailable());
    EXPECT_EQ(lost->baseOpacity, 1.0f);
    EXPECT_TRUE(fine->isAvailable());

    RecordingDrawParam drawParam;
    draw(drawParam);
    ASSERT_EQ(drawParam.calls.size(), 1u);
    EXPECT_EQ(drawParam.calls[0].drawDataID, DrawDataID::getID("D_FINE"));
}

// --- Drawing -------------------------------------------------------------------

// The mesh hands the back-end texture 1 for a stored -1, and the product of
// its own, its part's and its deformer's opacities.
TEST_F(MeshTest, DrawCallCarriesTheTextureAndTheOpacityProduct)
{
    addDeformer("D_SHIFT", 0.0f, 0.0f, 0.3f);
    MocModel::Mesh mesh = quad("D_QUAD", std::string("D_SHIFT"));
    mesh.textureNo = -1;
    mesh.opacities = {0.7f, 0.7f};
    DDTextureContext* drawContext = load(mesh);
    EXPECT_EQ(meshes[0]->getTextureNo(), -1);
    drawContext->partsOpacity = 0.9f;

    RecordingDrawParam drawParam;
    drawParam.setTexture(1);
    update();
    draw(drawParam);
    ASSERT_EQ(drawParam.calls.size(), 1u);
    EXPECT_EQ(drawParam.calls[0].textureNo, 1);
    EXPECT_EQ(meshes[0]->getTextureNo(), 1);
    EXPECT_EQ(drawParam.calls[0].opacity, 0.7f * 0.9f * 0.3f);
    EXPECT_TRUE(drawParam.calls[0].drawn);

    // A zero from any factor makes the back-end skip the mesh.
    drawParam.clearCalls();
    drawContext->partsOpacity = 0.0f;
    draw(drawParam);
    drawContext->partsOpacity = 0.9f;
    context->getBaseContext(0)->setTotalOpacity(0.0f);
    update();
    draw(drawParam);
    ASSERT_EQ(drawParam.calls.size(), 2u);
    EXPECT_EQ(drawParam.calls[0].opacity, 0.0f);
    EXPECT_EQ(drawParam.calls[1].opacity, 0.0f);
    EXPECT_TRUE(drawParam.drawnCalls().empty());
}

TEST_F(MeshTest, ProcessWideDrawOrderRangeOnlyWidens)
{
    // Needs a fresh process (CTest runs each test in its own).
    ASSERT_EQ(IDrawData::getTotalMinOrder(), 500);
    ASSERT_EQ(IDrawData::getTotalMaxOrder(), 500);
    const struct {
        int low, high, totalMin, totalMax;
    } steps[] = {{510, 520, 500, 520}, {300, 700, 300, 700}, {400, 600, 300, 700}};
    for (const auto& step : steps) {
        MocModel::Mesh mesh = quad("D_" + std::to_string(step.low));
        mesh.drawOrders = {step.low, step.high};
        read(mesh);
        EXPECT_EQ(IDrawData::getTotalMinOrder(), step.totalMin) << step.low;
        EXPECT_EQ(IDrawData::getTotalMaxOrder(), step.totalMax) << step.low;
    }
}

// --- Memory --------------------------------------------------------------------

// Hands out pages filled with a pattern and counts them.
class PatternAllocator : public tavrix_test::CountingAllocator {
public:
    void* pageAlloc(size_t size, Type type) override
    {
        void* page = CountingAllocator::pageAlloc(size, type);
        if (page) std::memset(page, 0xA5, size);
        return page;
    }
};

class MeshMemoryTest : public MeshTest {
protected:
    // The runtime takes its pages from the pattern allocator.
    void SetUp() override
    {
        tavrix::Tavrix::init(&allocator);
        createModelMemory();
    }

    PatternAllocator allocator;
};

TEST_F(MeshMemoryTest, NewContextsStartZeroedOnPatternedPages)
{
    DDTextureContext* drawContext = load(quad("D_QUAD", std::string("D_SHIFT")));
    ASSERT_NE(drawContext->interpolatedPoints, nullptr);
    ASSERT_NE(drawContext->transformedPoints, nullptr);
    for (const float* points : {drawContext->interpolatedPoints, drawContext->transformedPoints}) {
        EXPECT_THAT(std::vector<float>(points, points + 8), Each(0.0f));
    }
    EXPECT_EQ(drawContext->interpolatedDrawOrder, 0);
    EXPECT_EQ(drawContext->interpolatedOpacity, 0.0f);
    EXPECT_EQ(drawContext->tmpBaseDataIndex, DDTextureContext::BASE_INDEX_NOT_LOOKED_UP);
    EXPECT_EQ(drawContext->drawPoints, nullptr);
    EXPECT_TRUE(drawContext->available);
    EXPECT_EQ(drawContext->baseOpacity, 1.0f);
}

TEST_F(MeshMemoryTest, UpdatesAndDrawsAllocateNothing)
{
    addDeformer("D_SHIFT", 3.0f, 4.0f);
    load(quad("D_MOVED", std::string("D_SHIFT")));
    load(quad("D_ROOT"));
    load(quad("D_LOST", std::string("D_MISSING")));
    RecordingDrawParam drawParam;
    drawParam.setTexture(0);
    tavrix_test::captureStdout([&] {
        update();
        draw(drawParam);
    });

    const int pagesBefore = allocator.totalAllocs;
    tavrix_test::captureStdout([&] {
        for (int i = 0; i < 2000; ++i) {
            set(PARAM, (i % 7) / 7.0f);
            update();
            draw(drawParam);
        }
    });
    EXPECT_EQ(allocator.totalAllocs, pagesBefore);
    EXPECT_EQ(drawParam.calls.size(), 2u * 2001u);
}

// --- Back-end base -----------------------------------------------------------------

TEST_F(MeshTest, BaseColourIsClampedToTheUnitRange)
{
    RecordingDrawParam drawParam;
    EXPECT_EQ(drawParam.getBaseAlpha(), 1.0f);
    drawParam.setBaseColor(2.0f, -1.0f, 0.5f, 1.0f);
    EXPECT_EQ(drawParam.getBaseAlpha(), 1.0f);
    EXPECT_EQ(drawParam.getBaseRed(), 0.0f);
    EXPECT_EQ(drawParam.getBaseGreen(), 0.5f);
    EXPECT_EQ(drawParam.getBaseBlue(), 1.0f);

    const float inf = std::numeric_limits<float>::infinity();
    drawParam.setBaseColor(std::numeric_limits<float>::quiet_NaN(), inf, -inf, 0.25f);
    EXPECT_EQ(drawParam.getBaseAlpha(), 0.0f);
    EXPECT_EQ(drawParam.getBaseRed(), 1.0f);
    EXPECT_EQ(drawParam.getBaseGreen(), 0.0f);
    EXPECT_EQ(drawParam.getBaseBlue(), 0.25f);
}

TEST_F(MeshTest, TextureInfoRecordsDecideWhatCanBeDrawn)
{
    RecordingDrawParam drawParam;
    // No record in use at first; setters without a record do nothing.
    for (int no : {-1, 0, 31, 32, 1 << 30}) EXPECT_FALSE(drawParam.enabledTextureInfo(no)) << no;
    drawParam.setTextureColor(-1, 0.5f, 0.5f, 0.5f, 0.5f);
    drawParam.setTextureScale(5, 2.0f);

    ASSERT_TRUE(drawParam.setTexture(2));
    EXPECT_TRUE(drawParam.enabledTextureInfo(2));
    EXPECT_FALSE(drawParam.enabledTextureInfo(1));
    drawParam.setTextureColor(2, 0.1f, 0.2f, 0.3f, 0.4f);
    drawParam.setTextureScale(2, 2.0f);
    ASSERT_NE(drawParam.getTextureInfo(2), nullptr);
    EXPECT_EQ(drawParam.getTextureInfo(2)->r, 0.1f);
    // Setting a number again starts a fresh record.
    ASSERT_TRUE(drawParam.setTexture(2));
    EXPECT_EQ(drawParam.getTextureInfo(2)->r, 1.0f);
    EXPECT_EQ(drawParam.getTextureInfo(2)->scale, 1.0f);

    ASSERT_TRUE(drawParam.setTexture(40)); // past the first records
    EXPECT_TRUE(drawParam.enabledTextureInfo(40));
    drawParam.releaseTexture(2);
    EXPECT_FALSE(drawParam.enabledTextureInfo(2));
    EXPECT_EQ(drawParam.getTextureInfo(2), nullptr);
}

} // namespace
