#include <gtest/gtest.h>

#include <limits>
#include <memory>
#include <vector>

#include "ModelContext.h"
#include "Tavrix.h"
#include "id/ParamID.h"
#include "io/BReader.h"
#include "io/FileFormat2.h"
#include "mocwriter/MocFile.h"
#include "model/ModelImpl.h"
#include "support/RuntimeFixture.h"
#include "util/UtString.h"

using tavrix::ModelContext;
using tavrix::ParamID;

namespace {

const float NaN = std::numeric_limits<float>::quiet_NaN();

// Rows 0 (angle, -30..30, at 0) and 1 (eye, 0..1, at 1).
class ParamTableTest : public tavrix_test::RuntimeTest {
protected:
    void SetUp() override
    {
        RuntimeTest::SetUp();
        context.reset(new ModelContext(nullptr));
        context->init();
        angle = ParamID::getID("PARAM_ANGLE_X");
        eye = ParamID::getID("PARAM_EYE_L_OPEN");
        ASSERT_EQ(context->addFloatParam(angle, 0.0f, -30.0f, 30.0f), 0);
        ASSERT_EQ(context->addFloatParam(eye, 1.0f, 0.0f, 1.0f), 1);
    }
    void TearDown() override
    {
        context.reset();
        RuntimeTest::TearDown();
    }

    std::unique_ptr<ModelContext> context;
    ParamID* angle = nullptr;
    ParamID* eye = nullptr;
};

TEST_F(ParamTableTest, LookupAddsUnknownIdentifiersOnceAndFindsTheLastDuplicate)
{
    ParamID* extra = ParamID::getID("VISIBLE:PARTS_HAIR");
    EXPECT_EQ(context->getParamIndex(extra), 2);
    EXPECT_EQ(context->getParamIndex(extra), 2);
    EXPECT_EQ(context->getParamCount(), 3);
    EXPECT_EQ(context->getParamFloat(2), 0.0f);
    EXPECT_EQ(context->getParamMin(2), -1000000.0f);
    EXPECT_EQ(context->getParamMax(2), 1000000.0f);
    EXPECT_EQ(context->getParamID(2), extra);

    // A null identifier names no parameter, even after a row was added for it.
    EXPECT_EQ(context->getParamIndex(nullptr), -1);
    EXPECT_EQ(context->addFloatParam(nullptr, 0.0f, 0.0f, 1.0f), 3);
    EXPECT_EQ(context->getParamIndex(nullptr), -1);

    EXPECT_EQ(context->addFloatParam(angle, 5.0f, -10.0f, 10.0f), 4);
    EXPECT_EQ(context->getParamIndex(angle), 4);
}

TEST_F(ParamTableTest, SetParamFloatClampsIgnoresBadIndicesAndZeroesNaN)
{
    ASSERT_EQ(context->addFloatParam(ParamID::getID("PARAM_SCALE"), 2.0f, 1.0f, 3.0f), 2);
    const struct {
        unsigned int row;
        float value, expected;
    } cases[] = {
        {0, 45.0f, 30.0f}, {0, -31.0f, -30.0f}, {0, 12.5f, 12.5f}, {0, NaN, 0.0f},
        {2, NaN, 1.0f}, // NaN turns into 0 before clamping
    };
    for (const auto& c : cases) {
        context->setParamFloat(c.row, c.value);
        EXPECT_EQ(context->getParamFloat(c.row), c.expected) << c.row << " " << c.value;
    }
    context->setParamFloat(3, 0.5f);
    context->setParamFloat(0xFFFFFFFFu, 0.5f);
    EXPECT_EQ(context->getParamCount(), 3);
    EXPECT_EQ(context->getParamFloat(3), 0.0f);
}

TEST_F(ParamTableTest, ChangeFlagsLiveForOneUpdate)
{
    // Right after init every row counts as changed and setup is required.
    EXPECT_TRUE(context->requireSetup());
    EXPECT_TRUE(context->isParamUpdated(0) && context->isParamUpdated(1));
    context->update();
    EXPECT_FALSE(context->requireSetup());
    EXPECT_FALSE(context->isParamUpdated(0) || context->isParamUpdated(1));

    // The same value again is no change, nor is a value clamped to the last
    // one; a new value is, once.
    context->setParamFloat(1, 7.0f);
    context->setParamFloat(0, 10.0f);
    context->detectParamChanges();
    EXPECT_TRUE(context->isParamUpdated(0));
    EXPECT_FALSE(context->isParamUpdated(1));
    context->clearParamChanges();
    context->detectParamChanges();
    EXPECT_FALSE(context->isParamUpdated(0));
    EXPECT_FALSE(context->isParamUpdated(-1));
    EXPECT_FALSE(context->isParamUpdated(2));

    // A NaN never equals the value seen last, so it counts at every update.
    const int nan = context->addFloatParam(ParamID::getID("PARAM_NAN"), NaN, -1.0f, 1.0f);
    context->update();
    context->detectParamChanges();
    EXPECT_TRUE(context->isParamUpdated(nan));
    EXPECT_FALSE(context->isParamUpdated(0));
}

TEST_F(ParamTableTest, LoadRestoresTheLastSnapshotUntilInitDropsIt)
{
    context->setParamFloat(0, 20.0f);
    context->saveParam();
    context->setParamFloat(0, -5.0f);
    context->setParamFloat(1, 0.25f);
    const int late = context->addFloatParam(ParamID::getID("PARAM_LATE"), 3.0f, -10.0f, 10.0f);
    context->loadParam();
    EXPECT_EQ(context->getParamFloat(0), 20.0f);
    EXPECT_EQ(context->getParamFloat(1), 1.0f);
    EXPECT_EQ(context->getParamFloat(late), 3.0f); // not in the snapshot

    // A second save overwrites and extends the snapshot.
    context->setParamFloat(late, 4.0f);
    context->saveParam();
    context->setParamFloat(late, -4.0f);
    context->loadParam();
    EXPECT_EQ(context->getParamFloat(late), 4.0f);

    context->update();
    context->init();
    EXPECT_EQ(context->getInitVersion(), 1);
    EXPECT_TRUE(context->requireSetup());
    EXPECT_EQ(context->getParamCount(), 0);
    EXPECT_EQ(context->addFloatParam(eye, 0.5f, 0.0f, 1.0f), 0);
    context->loadParam();
    EXPECT_EQ(context->getParamFloat(0), 0.5f);
}

TEST_F(ParamTableTest, DefinitionsOfTheModelDataBecomeRowsInOrder)
{
    mocwriter::MocModel model;
    model.params = {{"PARAM_A", -10.0f, 10.0f, 2.5f}, {"PARAM_B", 0.0f, 1.0f, 1.0f}};
    const std::vector<std::uint8_t> bytes = mocwriter::MocFile::buildStream(model);
    tavrix::BReader reader(bytes.data(), static_cast<int>(bytes.size()));
    std::unique_ptr<tavrix::ModelImpl> modelImpl(reader.readSerializableAs<tavrix::ModelImpl>(
        nullptr, tavrix::ClassSet(tavrix::FileFormat2::MODEL_IMPL_NO)));
    ASSERT_NE(modelImpl, nullptr);

    context->init();
    context->registerParams(modelImpl.get());
    context->registerParams(nullptr);
    ASSERT_EQ(context->getParamCount(), 2);
    EXPECT_EQ(context->getParamID(0), ParamID::getID("PARAM_A"));
    EXPECT_EQ(context->getParamFloat(0), 2.5f);
    EXPECT_EQ(context->getParamMin(0), -10.0f);
    EXPECT_EQ(context->getParamMax(0), 10.0f);
    EXPECT_EQ(context->getParamIndex(ParamID::getID("PARAM_B")), 1);
}

TEST_F(ParamTableTest, LookupsAtScaleFindTheLastRowOfEachIdentifier)
{
    // 3000 identifiers, every third one given later rows too; each lookup
    // must agree with a search from the last row.
    std::vector<ParamID*> ids;
    for (int i = 0; i < 3000; ++i) ids.push_back(ParamID::getID(tavrix::UtString::toString("P%d", i)));
    for (ParamID* id : ids) context->addFloatParam(id, 0.0f, -1.0f, 1.0f);
    for (int round = 0; round < 2; ++round) {
        for (size_t i = 0; i < ids.size(); i += 3) context->addFloatParam(ids[i], 1.0f, -1.0f, 1.0f);
    }
    const int rows = context->getParamCount();
    for (ParamID* id : ids) {
        int expected = -1;
        for (int row = rows - 1; row >= 0 && expected < 0; --row) {
            if (context->getParamID(row) == id) expected = row;
        }
        ASSERT_EQ(context->getParamIndex(id), expected) << id->toChar();
    }
    EXPECT_EQ(context->getParamCount(), rows);

    // A new init empties the table: a known identifier comes back as a new row.
    context->init();
    EXPECT_EQ(context->getParamIndex(ids[5]), 0);
    EXPECT_EQ(context->getParamIndex(angle), 1);
    EXPECT_EQ(context->getParamIndex(ids[5]), 0);
}

} // namespace
