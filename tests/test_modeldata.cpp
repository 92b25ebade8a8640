// Model data read from the object stream: ModelImpl, parameter definitions,
// parts, avatar parts items; their ownership and what a damaged stream does.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "Tavrix.h"
#include "base/IBaseData.h"
#include "draw/IDrawData.h"
#include "id/ParamID.h"
#include "id/PartsDataID.h"
#include "io/BReader.h"
#include "io/FileFormat2.h"
#include "memory/UtMemory.h"
#include "model/ModelImpl.h"
#include "model/PartsData.h"
#include "model/PartsDataContext.h"
#include "model/avatar/AvatarPartsItem.h"
#include "param/ParamDefFloat.h"
#include "mocwriter/MocWriter.h"
#include "param/ParamDefSet.h"
#include "support/MemoryProbe.h"
#include "support/RuntimeFixture.h"
#include "support/StreamBytes.h"

using namespace tavrix;
using tavrix_test::StreamBytes;
using tavrix_test::tmpBlocksInUse;

namespace {

class ModelDataTest : public tavrix_test::RuntimeTest {
protected:
    static MemoryParam* tmp() { return UtMemory::getTmpMemoryParam(); }
};

// Stand-ins for the deformers and drawables, counting live instances.
class CountedDeformer : public IBaseData {
public:
    static int live;
    CountedDeformer() { ++live; }
    ~CountedDeformer() override { --live; }
    IBaseContext* init(ModelContext&) override { return nullptr; }
    void setupInterpolate(ModelContext&, IBaseContext*) override {}
    void setupTransform(ModelContext&, IBaseContext*) override {}
    void transformPoints(ModelContext&, IBaseContext*, float*, float*, int, int, int) override {}
    int getType() override { return TYPE_BD_AFFINE; }
};
int CountedDeformer::live = 0;

class CountedDrawable : public IDrawData {
public:
    static int live;
    CountedDrawable() { ++live; }
    ~CountedDrawable() override { --live; }
    IDrawContext* init(ModelContext&) override { return nullptr; }
    void draw(DrawParam&, ModelContext&, IDrawContext*) override {}
};
int CountedDrawable::live = 0;

// PartsData::init does not consult the model context.
ModelContext& unusedContext()
{
    alignas(16) static char storage[64];
    return *reinterpret_cast<ModelContext*>(storage);
}

StreamBytes paramDef(float minValue, float maxValue, float defaultValue, const char* id)
{
    StreamBytes s;
    s.cls(131).f32(minValue).f32(maxValue).f32(defaultValue).cls(60).str(id);
    return s;
}

// A part with empty deformer and drawable lists.
StreamBytes part(bool reservedFlag, bool visible, const char* id)
{
    StreamBytes s;
    s.cls(133).u8((reservedFlag ? 0x80 : 0) | (visible ? 0x40 : 0)).cls(134).str(id);
    s.cls(15).num(0).cls(15).num(0);
    return s;
}

StreamBytes model(const std::vector<StreamBytes>& params, const std::vector<StreamBytes>& parts, int width,
                  int height)
{
    StreamBytes s;
    s.cls(136).cls(137).cls(15).num(static_cast<uint32_t>(params.size()));
    for (const StreamBytes& p : params) s.append(p);
    s.cls(15).num(static_cast<uint32_t>(parts.size()));
    for (const StreamBytes& p : parts) s.append(p);
    s.i32(width).i32(height);
    return s;
}

StreamBytes mocFile(const StreamBytes& root, int version = 10)
{
    StreamBytes s;
    s.raw({'m', 'o', 'c'}).u8(version).append(root);
    if (version >= 8) s.raw({0x88, 0x88, 0x88, 0x88});
    return s;
}

StreamBytes sampleModel()
{
    return model({paramDef(-30, 30, 0, "PARAM_ANGLE_X"), paramDef(0, 1, 1, "PARAM_EYE_L_OPEN")},
                 {part(false, true, "PARTS_01_FACE"), part(true, false, "PARTS_01_ARM_L")}, 1280, 720);
}

// The steps a loader takes on a ".moc" block: header, root, end marker.
struct Loaded {
    int result = -1;
    ModelImpl* model = nullptr;
    bool invalid = false;
    int errors = 0;
};

Loaded loadMoc(const uint8_t* bytes, int length)
{
    Loaded loaded;
    BReader reader(bytes, length);
    int version = 0;
    if (reader.readByte() == 'm' && reader.readByte() == 'o' && reader.readByte() == 'c') {
        version = static_cast<uint8_t>(reader.readByte());
    } else {
        reader.getBuffer().rollback(reader.getBuffer().getOffset());
    }
    reader.setFormatVersion(version);
    if (version > 10) {
        loaded.result = 2000;
        return loaded;
    }
    ModelImpl* root = reader.readSerializableAs<ModelImpl>(UtMemory::getTmpMemoryParam(),
                                                           ClassSet(FileFormat2::MODEL_IMPL_NO));
    if (version >= 8 && static_cast<uint32_t>(reader.readInt()) != 0x88888888u) {
        delete root; // what it left unclaimed went when its fields were done
        loaded.result = 2001;
        return loaded;
    }
    loaded.result = 0;
    loaded.model = root;
    loaded.invalid = reader.isInvalid();
    loaded.errors = reader.getErrorCount();
    return loaded;
}

Loaded loadMoc(const StreamBytes& file) { return loadMoc(file.data(), file.size()); }

// ---------------------------------------------------------------------------

TEST_F(ModelDataTest, ModelReadsBackItsFields)
{
    Loaded loaded = loadMoc(mocFile(sampleModel()));
    ASSERT_EQ(loaded.result, 0);
    ASSERT_NE(loaded.model, nullptr);
    EXPECT_FALSE(loaded.invalid);
    EXPECT_EQ(loaded.errors, 0);
    ModelImpl* m = loaded.model;

    EXPECT_EQ(m->getCanvasWidth(), 1280.0f);
    EXPECT_EQ(m->getCanvasHeight(), 720.0f);
    ASSERT_NE(m->getParamDefSet(), nullptr);
    LDVector<ParamDefFloat*>* params = m->getParamDefSet()->getParamDefFloatList();
    ASSERT_EQ(params->size(), 2);
    EXPECT_EQ((*params)[0]->getMinValue(), -30.0f);
    EXPECT_EQ((*params)[0]->getMaxValue(), 30.0f);
    EXPECT_EQ((*params)[0]->getDefaultValue(), 0.0f);
    EXPECT_EQ((*params)[0]->getParamID(), ParamID::getID("PARAM_ANGLE_X"));
    EXPECT_EQ((*params)[1]->getDefaultValue(), 1.0f);
    EXPECT_EQ((*params)[1]->getParamID(), ParamID::getID("PARAM_EYE_L_OPEN"));

    LDVector<PartsData*>* parts = m->getPartsDataList();
    ASSERT_EQ(parts->size(), 2);
    PartsData* face = (*parts)[0];
    PartsData* arm = (*parts)[1];
    EXPECT_EQ(face->getPartsDataID(), PartsDataID::getID("PARTS_01_FACE"));
    EXPECT_TRUE(face->isVisible());
    EXPECT_FALSE(face->getReservedFlag());
    EXPECT_FALSE(arm->isVisible());
    EXPECT_TRUE(arm->getReservedFlag());
    ASSERT_NE(face->getBaseData(), nullptr);
    EXPECT_EQ(face->getBaseData()->size(), 0);
    EXPECT_EQ(face->getDrawData()->size(), 0);

    PartsDataContext* visibleContext = face->init(unusedContext());
    PartsDataContext* hiddenContext = arm->init(unusedContext());
    EXPECT_EQ(visibleContext->getPartsOpacity(), 1.0f);
    EXPECT_EQ(hiddenContext->getPartsOpacity(), 0.0f);
    EXPECT_EQ(visibleContext->getPartsData(), face);
    delete visibleContext;
    delete hiddenContext;
    delete m;
}

TEST_F(ModelDataTest, InstanceCountersFollowLifetimes)
{
    Loaded loaded = loadMoc(mocFile(sampleModel()));
    EXPECT_EQ(ModelImpl::INSTANCE_COUNT, 1);
    EXPECT_EQ(PartsData::INSTANCE_COUNT, 2);
    delete loaded.model;
    EXPECT_EQ(ModelImpl::INSTANCE_COUNT, 0);
    EXPECT_EQ(PartsData::INSTANCE_COUNT, 0);

    // A failed end-marker check keeps nothing.
    StreamBytes file = mocFile(sampleModel());
    file.bytes.back() = 0x89;
    Loaded broken = loadMoc(file);
    EXPECT_EQ(broken.result, 2001);
    EXPECT_EQ(ModelImpl::INSTANCE_COUNT, 0);
    EXPECT_EQ(PartsData::INSTANCE_COUNT, 0);
}

TEST_F(ModelDataTest, EmptyAndDirectModels)
{
    Loaded loaded = loadMoc(mocFile(model({}, {}, 1, 1)));
    ASSERT_NE(loaded.model, nullptr);
    EXPECT_EQ(loaded.model->getParamDefSet()->getParamDefFloatList()->size(), 0);
    EXPECT_EQ(loaded.model->getPartsDataList()->size(), 0);
    delete loaded.model;

    ModelImpl direct;
    EXPECT_EQ(direct.getParamDefSet(), nullptr);
    EXPECT_EQ(direct.getCanvasWidth(), 0.0f);
    direct.initDirect();
    ParamDefSet* set = direct.getParamDefSet();
    ASSERT_NE(set, nullptr);
    EXPECT_EQ(set->getParamDefFloatList()->size(), 0);
    EXPECT_EQ(direct.getPartsDataList()->size(), 0);
    direct.initDirect(); // fills only what is missing
    EXPECT_EQ(direct.getParamDefSet(), set);
}

TEST_F(ModelDataTest, PartListsAreReplacedAndDeletedByTheirOwner)
{
    {
        PartsData parts;
        parts.initDirect(tmp());
        parts.addBaseData(new CountedDeformer());
        parts.addBaseData(new CountedDeformer());
        parts.addDrawData(new CountedDrawable());
        LDVector<IBaseData*>* held = parts.getBaseData();
        parts.setBaseData(held); // the same list: nothing deleted
        EXPECT_EQ(parts.getBaseData(), held);
        EXPECT_EQ(CountedDeformer::live, 2);

        auto* replacement = new LDVector<IBaseData*>(tmp());
        replacement->push_back(new CountedDeformer());
        parts.setBaseData(replacement);
        EXPECT_EQ(CountedDeformer::live, 1);
        parts.setDrawData(nullptr);
        EXPECT_EQ(CountedDrawable::live, 0);
    }
    EXPECT_EQ(CountedDeformer::live, 0);
}

TEST_F(ModelDataTest, AvatarPartsItemHandsItsListsOver)
{
    StreamBytes s;
    s.cls(142).cls(134).str("PARTS_01_HAIR").cls(15).num(1).cls(0).cls(15).num(0);
    s.cls(142).cls(134).str("PARTS_01_HAIR").cls(0).cls(0);
    BReader reader(s.data(), s.size());
    auto* item = reader.readSerializableAs<AvatarPartsItem>(tmp(), ClassSet(FileFormat2::AVATAR_PARTS_ITEM_NO));
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(AvatarPartsItem::INSTANCE_COUNT, 1);
    EXPECT_EQ(item->getPartsDataID(), PartsDataID::getID("PARTS_01_HAIR"));
    ASSERT_NE(item->getDrawData(), nullptr);
    EXPECT_EQ(item->getDrawData()->size(), 1); // a null slot stays in the list
    item->getBaseData()->push_back(new CountedDeformer());
    item->getDrawData()->push_back(new CountedDrawable());
    LDVector<IBaseData*>* deformers = item->getBaseData();
    LDVector<IDrawData*>* drawables = item->getDrawData();

    PartsData parts;
    parts.initDirect(tmp());
    parts.addBaseData(new CountedDeformer());
    item->replacePartsData(parts);
    EXPECT_EQ(CountedDeformer::live, 1); // the part's own deformer went with its list
    EXPECT_EQ(parts.getBaseData(), deformers);
    EXPECT_EQ(parts.getDrawData(), drawables);
    delete item;
    EXPECT_EQ(AvatarPartsItem::INSTANCE_COUNT, 0);
    EXPECT_EQ(CountedDeformer::live, 1);
    EXPECT_EQ(CountedDrawable::live, 1);
    EXPECT_EQ(parts.getBaseData()->size(), 1);

    auto* empty = reader.readSerializableAs<AvatarPartsItem>(tmp(), ClassSet(FileFormat2::AVATAR_PARTS_ITEM_NO));
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->getBaseData(), nullptr);
    delete empty;
    EXPECT_FALSE(reader.isInvalid());
}

TEST_F(ModelDataTest, IdentifiersMayBeSharedButPartsMayNot)
{
    // Entries: 0 PARAM_ANGLE_X, 1 first definition, 2 second definition,
    // 3 definition list, 4 set, 5 part id, 6 and 7 its lists, 8 the part.
    StreamBytes s;
    s.cls(136).cls(137).cls(15).num(2).append(paramDef(0, 1, 0, "PARAM_ANGLE_X"));
    s.cls(131).f32(0).f32(2).f32(0).backRef(0);
    s.cls(15).num(2).append(part(false, true, "PARTS_01")).backRef(8);
    s.i32(100).i32(100);
    Loaded loaded = loadMoc(mocFile(s));
    ASSERT_EQ(loaded.result, 0);
    LDVector<ParamDefFloat*>* params = loaded.model->getParamDefSet()->getParamDefFloatList();
    EXPECT_EQ((*params)[0]->getParamID(), (*params)[1]->getParamID());
    LDVector<PartsData*>* parts = loaded.model->getPartsDataList();
    ASSERT_EQ(parts->size(), 2);
    EXPECT_NE((*parts)[0], nullptr);
    EXPECT_EQ((*parts)[1], nullptr); // the same part twice would be deleted twice
    EXPECT_TRUE(loaded.invalid);
    delete loaded.model;
    EXPECT_EQ(PartsData::INSTANCE_COUNT, 0);
}

TEST_F(ModelDataTest, ObjectsOfTheWrongClassAreRefusedAndReleased)
{
    ParamID::getID("PARAM_ANGLE_X");
    PartsDataID::getID("PARTS_01");
    int baseline = tmpBlocksInUse();
    {
        // A string where the parameter set belongs, and a part among the
        // parameter definitions of a second model.
        StreamBytes wrongSet;
        wrongSet.cls(136).stringObject("not a set").cls(15).num(1).append(part(false, true, "PARTS_01"));
        wrongSet.i32(640).i32(480);
        Loaded loaded = loadMoc(mocFile(wrongSet));
        ASSERT_NE(loaded.model, nullptr);
        EXPECT_TRUE(loaded.invalid);
        EXPECT_EQ(loaded.model->getParamDefSet(), nullptr);
        EXPECT_EQ(loaded.model->getPartsDataList()->size(), 1);
        EXPECT_EQ(loaded.model->getCanvasWidth(), 640.0f);
        delete loaded.model;
    }
    {
        StreamBytes s;
        s.cls(136).cls(137).cls(15).num(2).append(part(false, true, "PARTS_01"));
        s.append(paramDef(0, 1, 0, "PARAM_ANGLE_X")).cls(15).num(0).i32(1).i32(1);
        BReader reader(s.data(), s.size());
        auto* m = reader.readSerializableAs<ModelImpl>(tmp(), ClassSet(FileFormat2::MODEL_IMPL_NO));
        ASSERT_NE(m, nullptr);
        LDVector<ParamDefFloat*>* params = m->getParamDefSet()->getParamDefFloatList();
        ASSERT_EQ(params->size(), 2);
        EXPECT_EQ((*params)[0], nullptr);
        EXPECT_NE((*params)[1], nullptr);
        // The refused part lived in the model's memory; it is gone already,
        // so the model may go before the reader does.
        EXPECT_EQ(PartsData::INSTANCE_COUNT, 0);
        delete m;
    }
    EXPECT_EQ(tmpBlocksInUse(), baseline);
}

// A model of the classes read so far (parameters, parts with no deformers or
// meshes), described for the writer.
mocwriter::MocModel writerModel()
{
    mocwriter::MocModel m;
    m.canvasWidth = 2048;
    m.canvasHeight = 1536;
    m.params.push_back(mocwriter::ModelBuilders::param("PARAM_ANGLE_X", -30, 30, 0));
    m.params.push_back(mocwriter::ModelBuilders::param("PARAM_BODY", -10, 10, 2.5f));
    m.params.push_back(mocwriter::ModelBuilders::param("", 0, 0, 0));
    mocwriter::MocModel::Part face;
    face.id = "PARTS_01_FACE";
    mocwriter::MocModel::Part hidden;
    hidden.id = "PARTS_01_FACE"; // the same name twice: shared when identifiers are
    hidden.reservedFlag = true;
    hidden.visible = false;
    m.parts = {face, hidden};
    return m;
}

TEST_F(ModelDataTest, WriterModelsReadBackToTheSameValues)
{
    const mocwriter::MocModel described = writerModel();
    for (int version : {0, 8, 10}) {
        for (bool share : {false, true}) {
            SCOPED_TRACE(::testing::Message() << "version " << version << " shared " << share);
            mocwriter::MocFile::Options options;
            options.formatVersion = version;
            options.header = version > 0;
            options.shareIdentifiers = share;
            std::vector<uint8_t> file = mocwriter::MocFile::build(described, options);
            Loaded loaded = loadMoc(file.data(), static_cast<int>(file.size()));
            ASSERT_EQ(loaded.result, 0);
            ASSERT_NE(loaded.model, nullptr);
            EXPECT_FALSE(loaded.invalid);
            EXPECT_EQ(loaded.errors, 0);
            ModelImpl* m = loaded.model;
            EXPECT_EQ(m->getCanvasWidth(), 2048.0f);
            EXPECT_EQ(m->getCanvasHeight(), 1536.0f);
            LDVector<ParamDefFloat*>* params = m->getParamDefSet()->getParamDefFloatList();
            ASSERT_EQ(params->size(), 3);
            for (int i = 0; i < 3; ++i) {
                EXPECT_EQ((*params)[i]->getParamID(), ParamID::getID(described.params[i].id.c_str()));
                EXPECT_EQ((*params)[i]->getMinValue(), described.params[i].minValue);
                EXPECT_EQ((*params)[i]->getMaxValue(), described.params[i].maxValue);
                EXPECT_EQ((*params)[i]->getDefaultValue(), described.params[i].defaultValue);
            }
            LDVector<PartsData*>* parts = m->getPartsDataList();
            ASSERT_EQ(parts->size(), 2);
            for (int i = 0; i < 2; ++i) {
                EXPECT_EQ((*parts)[i]->getPartsDataID(), PartsDataID::getID(described.parts[i].id.c_str()));
                EXPECT_EQ((*parts)[i]->isVisible(), described.parts[i].visible);
                EXPECT_EQ((*parts)[i]->getReservedFlag(), described.parts[i].reservedFlag);
                EXPECT_EQ((*parts)[i]->getBaseData()->size(), 0);
            }
            delete m;
        }
    }

    mocwriter::MocStreamWriter w;
    mocwriter::MocModelSerializer serializer(w);
    mocwriter::MocModel::AvatarPartsItem item;
    item.partsId = "PARTS_01_HAIR";
    serializer.writeAvatarPartsItem(item);
    std::vector<uint8_t> bytes = w.takeBytes();
    BReader reader(bytes.data(), static_cast<int>(bytes.size()));
    auto* read = reader.readSerializableAs<AvatarPartsItem>(tmp(), ClassSet(FileFormat2::AVATAR_PARTS_ITEM_NO));
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->getPartsDataID(), PartsDataID::getID("PARTS_01_HAIR"));
    EXPECT_EQ(read->getDrawData()->size(), 0);
    EXPECT_EQ(read->getBaseData()->size(), 0);
    EXPECT_EQ(reader.getBuffer().getRemaining(), 0);
    delete read;
}

TEST_F(ModelDataTest, DamagedModelFilesLoadWithoutHarm)
{
    StreamBytes file = mocFile(sampleModel());
    delete loadMoc(file).model; // interns the identifiers once
    int baseline = tmpBlocksInUse();
    for (int cut = 0; cut < file.size(); ++cut) {
        Loaded loaded = loadMoc(file.data(), cut);
        EXPECT_TRUE(loaded.result != 0 || !loaded.model) << cut; // no end marker, or no root
        delete loaded.model;
        ASSERT_EQ(ModelImpl::INSTANCE_COUNT, 0) << cut;
        ASSERT_EQ(PartsData::INSTANCE_COUNT, 0) << cut;
    }
    EXPECT_EQ(tmpBlocksInUse(), baseline);

    // Flips in a sample and in a full writer model (deformers, pivots, meshes).
    std::vector<uint8_t> full = mocwriter::MocFile::build(mocwriter::ModelBuilders::oneParamModel());
    std::mt19937 random(7u);
    for (int round = 0; round < 2000; ++round) {
        std::vector<uint8_t> copy = round % 2 ? file.bytes : full;
        int flips = 1 + static_cast<int>(random() % 3);
        for (int f = 0; f < flips; ++f) copy[random() % copy.size()] ^= static_cast<uint8_t>(1 + random() % 255);
        Loaded loaded = loadMoc(copy.data(), static_cast<int>(copy.size()));
        delete loaded.model;
        ASSERT_EQ(ModelImpl::INSTANCE_COUNT, 0) << round;
        ASSERT_EQ(PartsData::INSTANCE_COUNT, 0) << round;
    }
}

} // namespace
