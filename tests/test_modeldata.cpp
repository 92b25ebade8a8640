// Model data read from the object stream: ModelImpl, parameter definitions,
// parts, avatar parts items; their ownership and what a damaged stream does.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "base/IBaseData.h"
#include "draw/IDrawData.h"
#include "id/ParamID.h"
#include "id/PartsDataID.h"
#include "io/BReader.h"
#include "io/FileFormat2.h"
#include "mocwriter/MocWriter.h"
#include "model/ModelImpl.h"
#include "model/PartsData.h"
#include "model/PartsDataContext.h"
#include "model/avatar/AvatarPartsItem.h"
#include "param/ParamDefFloat.h"
#include "param/ParamDefSet.h"
#include "support/MemoryProbe.h"
#include "support/RuntimeFixture.h"
#include "support/StreamBytes.h"

using namespace tavrix;
using mocwriter::MocModel;
using tavrix_test::StreamBytes;
using tavrix_test::tmpBlocksInUse;

namespace {

using ModelDataTest = tavrix_test::RuntimeTest;

MemoryParam* tmp() { return UtMemory::getTmpMemoryParam(); }

// Stand-ins for the deformers and drawables, counting live instances.
class CountedDeformer : public IBaseData {
public:
    static inline int live = 0;
    CountedDeformer() { ++live; }
    ~CountedDeformer() override { --live; }
    IBaseContext* init(ModelContext&) override { return nullptr; }
    void setupInterpolate(ModelContext&, IBaseContext*) override {}
    void setupTransform(ModelContext&, IBaseContext*) override {}
    void transformPoints(ModelContext&, IBaseContext*, float*, float*, int, int, int) override {}
    int getType() override { return TYPE_BD_AFFINE; }
};

class CountedDrawable : public IDrawData {
public:
    static inline int live = 0;
    CountedDrawable() { ++live; }
    ~CountedDrawable() override { --live; }
    IDrawContext* init(ModelContext&) override { return nullptr; }
    void draw(DrawParam&, ModelContext&, IDrawContext*) override {}
};

StreamBytes paramDef(float minValue, float maxValue, float defaultValue, const std::string& id)
{
    return StreamBytes().cls(131).f32(minValue).f32(maxValue).f32(defaultValue).cls(60).str(id);
}

// A part with empty deformer and drawable lists.
StreamBytes part(bool reservedFlag, bool visible, const std::string& id)
{
    StreamBytes s;
    s.cls(133).u8((reservedFlag ? 0x80 : 0) | (visible ? 0x40 : 0)).cls(134).str(id);
    return s.cls(15).num(0).cls(15).num(0);
}

// The bytes of a described model assembled by hand, independently of the writer.
StreamBytes handModel(const MocModel& d)
{
    StreamBytes s;
    s.cls(136).cls(137).cls(15).num(static_cast<uint32_t>(d.params.size()));
    for (const auto& p : d.params) s.append(paramDef(p.minValue, p.maxValue, p.defaultValue, p.id));
    s.cls(15).num(static_cast<uint32_t>(d.parts.size()));
    for (const auto& p : d.parts) s.append(part(p.reservedFlag, p.visible, p.id));
    return s.i32(d.canvasWidth).i32(d.canvasHeight);
}

std::vector<uint8_t> mocFile(const StreamBytes& root)
{
    return StreamBytes().raw({'m', 'o', 'c', 10}).append(root).raw({0x88, 0x88, 0x88, 0x88}).bytes;
}

// Parameters and parts without deformers or meshes.
MocModel sampleModel()
{
    MocModel m;
    m.canvasWidth = 2048;
    m.canvasHeight = 1536;
    m.params.push_back(mocwriter::ModelBuilders::param("PARAM_ANGLE_X", -30, 30, 0));
    m.params.push_back(mocwriter::ModelBuilders::param("PARAM_BODY", -10, 10, 2.5f));
    m.params.push_back(mocwriter::ModelBuilders::param("", 0, 0, 0));
    m.parts.resize(2);
    m.parts[0].id = "PARTS_01_FACE";
    m.parts[1].id = "PARTS_01_FACE"; // the same name twice: shared when identifiers are
    m.parts[1].reservedFlag = true;
    m.parts[1].visible = false;
    return m;
}

// A ".moc" block read as the loader reads it: header, root, end marker. The
// model is null where the loader would fail.
struct Loaded {
    ModelImpl* model = nullptr;
    bool invalid = false;
    int errors = 0;
};

Loaded loadMoc(const uint8_t* bytes, int length)
{
    Loaded loaded;
    BReader reader(bytes, length);
    const bool header = length >= 4 && bytes[0] == 'm' && bytes[1] == 'o' && bytes[2] == 'c';
    const int version = header ? bytes[3] : 0;
    if (header) reader.skip(4);
    reader.setFormatVersion(version);
    if (version > 10) return loaded;
    loaded.model = reader.readSerializableAs<ModelImpl>(tmp(), ClassSet(FileFormat2::MODEL_IMPL_NO));
    if (version >= 8 && static_cast<uint32_t>(reader.readInt()) != 0x88888888u) {
        delete loaded.model; // what it left unclaimed went when its fields were done
        loaded.model = nullptr;
    }
    loaded.invalid = reader.isInvalid();
    loaded.errors = reader.getErrorCount();
    return loaded;
}

Loaded loadMoc(const std::vector<uint8_t>& file) { return loadMoc(file.data(), static_cast<int>(file.size())); }

void expectModel(ModelImpl* m, const MocModel& d)
{
    EXPECT_EQ(m->getCanvasWidth(), static_cast<float>(d.canvasWidth));
    EXPECT_EQ(m->getCanvasHeight(), static_cast<float>(d.canvasHeight));
    LDVector<ParamDefFloat*>* params = m->getParamDefSet()->getParamDefFloatList();
    ASSERT_EQ(params->size(), static_cast<int>(d.params.size()));
    for (int i = 0; i < params->size(); ++i) {
        EXPECT_EQ((*params)[i]->getParamID(), ParamID::getID(d.params[i].id.c_str()));
        EXPECT_EQ((*params)[i]->getMinValue(), d.params[i].minValue);
        EXPECT_EQ((*params)[i]->getMaxValue(), d.params[i].maxValue);
        EXPECT_EQ((*params)[i]->getDefaultValue(), d.params[i].defaultValue);
    }
    LDVector<PartsData*>* parts = m->getPartsDataList();
    ASSERT_EQ(parts->size(), static_cast<int>(d.parts.size()));
    for (int i = 0; i < parts->size(); ++i) {
        EXPECT_EQ((*parts)[i]->getPartsDataID(), PartsDataID::getID(d.parts[i].id.c_str()));
        EXPECT_EQ((*parts)[i]->isVisible(), d.parts[i].visible);
        EXPECT_EQ((*parts)[i]->getReservedFlag(), d.parts[i].reservedFlag);
        EXPECT_EQ((*parts)[i]->getBaseData()->size(), 0);
        EXPECT_EQ((*parts)[i]->getDrawData()->size(), 0);
    }
}

// ---------------------------------------------------------------------------

TEST_F(ModelDataTest, ModelsReadBackToTheDescribedValues)
{
    // Hand-assembled bytes, and the writer's in each layout with and without
    // shared identifiers.
    const MocModel sample = sampleModel();
    const MocModel empty;
    std::vector<std::pair<const MocModel*, std::vector<uint8_t>>> files = {
        {&sample, mocFile(handModel(sample))}, {&empty, mocFile(handModel(empty))}};
    for (int version : {0, 8, 10}) {
        for (bool share : {false, true}) {
            mocwriter::MocFile::Options options;
            options.formatVersion = version;
            options.header = version > 0;
            options.shareIdentifiers = share;
            files.push_back({&sample, mocwriter::MocFile::build(sample, options)});
        }
    }
    for (size_t i = 0; i < files.size(); ++i) {
        SCOPED_TRACE(i);
        Loaded loaded = loadMoc(files[i].second);
        ASSERT_NE(loaded.model, nullptr);
        EXPECT_EQ(loaded.errors, 0);
        expectModel(loaded.model, *files[i].first);
        EXPECT_EQ(ModelImpl::INSTANCE_COUNT, 1);
        EXPECT_EQ(PartsData::INSTANCE_COUNT, static_cast<int>(files[i].first->parts.size()));
        delete loaded.model;
        EXPECT_EQ(ModelImpl::INSTANCE_COUNT, 0);
        EXPECT_EQ(PartsData::INSTANCE_COUNT, 0);
    }

    // Visibility sets a part's starting opacity; initDirect keeps what was read.
    std::unique_ptr<ModelImpl> m(loadMoc(files[0].second).model);
    ParamDefSet* set = m->getParamDefSet();
    m->initDirect();
    EXPECT_EQ(m->getParamDefSet(), set);
    ASSERT_EQ(m->getPartsDataList()->size(), 2);
    alignas(16) static char unusedContext[64]; // PartsData::init does not consult the model context
    for (PartsData* part : *m->getPartsDataList()) {
        std::unique_ptr<PartsDataContext> context(part->init(*reinterpret_cast<ModelContext*>(unusedContext)));
        EXPECT_EQ(context->getPartsData(), part);
        EXPECT_EQ(context->getPartsOpacity(), part->isVisible() ? 1.0f : 0.0f);
    }
}

TEST_F(ModelDataTest, PartListsBelongToTheirOwner)
{
    StreamBytes s;
    s.cls(142).cls(134).str("PARTS_01_HAIR").cls(15).num(1).cls(0).cls(15).num(0);
    s.cls(142).cls(134).str("PARTS_01_HAIR").cls(0).cls(0);
    BReader reader(s.data(), s.size());
    {
        PartsData parts;
        parts.initDirect(tmp());
        parts.addBaseData(new CountedDeformer());
        parts.addDrawData(new CountedDrawable());
        parts.setBaseData(parts.getBaseData()); // the same list: nothing deleted
        EXPECT_EQ(CountedDeformer::live, 1);

        // An avatar item hands its lists over; the part's own lists go.
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
        item->replacePartsData(parts);
        EXPECT_EQ(CountedDeformer::live, 1); // the part's own went with its lists
        EXPECT_EQ(CountedDrawable::live, 1);
        EXPECT_EQ(parts.getBaseData(), deformers);
        EXPECT_EQ(parts.getDrawData(), drawables);
        delete item;
        EXPECT_EQ(AvatarPartsItem::INSTANCE_COUNT, 0);
        EXPECT_EQ(CountedDeformer::live + CountedDrawable::live, 2); // now the part's
    }
    EXPECT_EQ(CountedDeformer::live, 0);
    EXPECT_EQ(CountedDrawable::live, 0);

    std::unique_ptr<AvatarPartsItem> noLists(
        reader.readSerializableAs<AvatarPartsItem>(tmp(), ClassSet(FileFormat2::AVATAR_PARTS_ITEM_NO)));
    ASSERT_NE(noLists, nullptr);
    EXPECT_EQ(noLists->getBaseData(), nullptr);
    EXPECT_FALSE(reader.isInvalid());
}

TEST_F(ModelDataTest, SharedPartsAndPartsAmongParametersAreRefused)
{
    ParamID::getID("PARAM_ANGLE_X");
    PartsDataID::getID("PARTS_01");
    int baseline = tmpBlocksInUse();
    {
        // Identifiers may be shared, parts may not: the same part twice would
        // be deleted twice. Entries: 0 PARAM_ANGLE_X, 1 and 2 definitions,
        // 3 definition list, 4 set, 5 part id, 6 and 7 its lists, 8 the part.
        StreamBytes s;
        s.cls(136).cls(137).cls(15).num(2).append(paramDef(0, 1, 0, "PARAM_ANGLE_X"));
        s.cls(131).f32(0).f32(2).f32(0).backRef(0);
        s.cls(15).num(2).append(part(false, true, "PARTS_01")).backRef(8).i32(100).i32(100);
        Loaded loaded = loadMoc(mocFile(s));
        ASSERT_NE(loaded.model, nullptr);
        LDVector<ParamDefFloat*>* params = loaded.model->getParamDefSet()->getParamDefFloatList();
        EXPECT_EQ((*params)[0]->getParamID(), (*params)[1]->getParamID());
        LDVector<PartsData*>* parts = loaded.model->getPartsDataList();
        ASSERT_EQ(parts->size(), 2);
        EXPECT_NE((*parts)[0], nullptr);
        EXPECT_EQ((*parts)[1], nullptr);
        EXPECT_TRUE(loaded.invalid);
        delete loaded.model;
        EXPECT_EQ(PartsData::INSTANCE_COUNT, 0);
    }
    {
        // A part among the parameter definitions.
        StreamBytes s;
        s.cls(136).cls(137).cls(15).num(2).append(part(false, true, "PARTS_01"));
        s.append(paramDef(0, 1, 0, "PARAM_ANGLE_X")).cls(15).num(0).i32(1).i32(1);
        BReader reader(s.data(), s.size());
        std::unique_ptr<ModelImpl> m(reader.readSerializableAs<ModelImpl>(tmp(), ClassSet(FileFormat2::MODEL_IMPL_NO)));
        ASSERT_NE(m, nullptr);
        LDVector<ParamDefFloat*>* params = m->getParamDefSet()->getParamDefFloatList();
        ASSERT_EQ(params->size(), 2);
        EXPECT_EQ((*params)[0], nullptr);
        EXPECT_NE((*params)[1], nullptr);
        // The refused part lived in the model's memory; it is gone already,
        // so the model may go before the reader does.
        EXPECT_EQ(PartsData::INSTANCE_COUNT, 0);
    }
    EXPECT_EQ(tmpBlocksInUse(), baseline);
}

TEST_F(ModelDataTest, DamagedModelFilesLoadWithoutHarm)
{
    // A full writer model (deformers, pivots, meshes) and the hand-assembled sample.
    const std::vector<uint8_t> files[] = {mocwriter::MocFile::build(mocwriter::ModelBuilders::oneParamModel()),
                                          mocFile(handModel(sampleModel()))};
    for (const auto& file : files) delete loadMoc(file).model; // interns the identifiers once
    int baseline = tmpBlocksInUse();
    for (const auto& file : files) {
        for (int cut = 0; cut < static_cast<int>(file.size()); ++cut) {
            EXPECT_EQ(loadMoc(file.data(), cut).model, nullptr) << cut; // no end marker, or no root
            ASSERT_EQ(ModelImpl::INSTANCE_COUNT, 0) << cut;
            ASSERT_EQ(PartsData::INSTANCE_COUNT, 0) << cut;
        }
    }
    EXPECT_EQ(tmpBlocksInUse(), baseline);

    std::mt19937 random(7u);
    for (int round = 0; round < 2000; ++round) {
        std::vector<uint8_t> copy = files[round % 2];
        int flips = 1 + static_cast<int>(random() % 3);
        for (int f = 0; f < flips; ++f) copy[random() % copy.size()] ^= static_cast<uint8_t>(1 + random() % 255);
        delete loadMoc(copy).model;
        ASSERT_EQ(ModelImpl::INSTANCE_COUNT, 0) << round;
        ASSERT_EQ(PartsData::INSTANCE_COUNT, 0) << round;
    }
}

} // namespace
