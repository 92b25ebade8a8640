// The tavrix tool's inspect command, run as a user would: JSON shape and
// exact floats, the readable summary, and one-line errors.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <json/json.h>

#include <algorithm>
#include <string>
#include <utf8.h>

#include "ATavrixModel.h"
#include "mocwriter/MocWriter.h"
#include "support/RuntimeFixture.h"
#include "support/tool/ToolProcess.h"

using mocwriter::MocFile;
using mocwriter::MocModel;
using mocwriter::ModelBuilders;
using tavrix_test::ToolRun;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::ElementsAreArray;

namespace {

using InspectTest = tavrix_test::ToolTest;

TEST_F(InspectTest, JsonHasTheAgreedShapeAndExactFloats)
{
    MocModel m = ModelBuilders::oneParamModel();
    m.parts[0].deformers.push_back(ModelBuilders::rotationDeformer("D_ORPHAN", std::string("D_NONE"),
                                                                   MocModel::PivotSet{}, {ModelBuilders::affine(0, 0)}));
    std::vector<uint8_t> bytes = MocFile::build(m);
    std::string path = write("one.moc", bytes);
    ToolRun r = run("inspect '" + path + "' --set PARAM_ANGLE=12.5 --json");
    ASSERT_EQ(r.status, 0) << r.err;
    Json::Value doc;
    Json::Reader reader;
    ASSERT_TRUE(reader.parse(r.out, doc)) << r.out;

    EXPECT_EQ(doc["formatVersion"].asInt(), 10);
    EXPECT_EQ(doc["canvasWidth"].asDouble(), 400.0);
    ASSERT_EQ(doc["params"].size(), 1u);
    EXPECT_EQ(doc["params"][0]["id"].asString(), "PARAM_ANGLE");
    EXPECT_EQ(doc["params"][0]["min"].asDouble(), -30.0);
    EXPECT_EQ(doc["params"][0]["value"].asDouble(), 12.5);
    EXPECT_EQ(doc["parts"][0]["id"].asString(), "PARTS_01");
    EXPECT_TRUE(doc["parts"][0]["visible"].asBool());
    ASSERT_EQ(doc["deformers"].size(), 2u);
    EXPECT_EQ(doc["deformers"][0]["id"].asString(), "D_ROT");
    EXPECT_EQ(doc["deformers"][0]["type"].asInt(), 1);
    EXPECT_TRUE(doc["deformers"][0]["evaluated"].asBool());
    EXPECT_EQ(doc["deformers"][0]["origin"].size(), 2u);
    EXPECT_TRUE(doc["deformers"][0]["angle"].isNumeric());
    EXPECT_FALSE(doc["deformers"][1]["evaluated"].asBool());
    EXPECT_FALSE(doc["deformers"][1].isMember("origin"));
    const Json::Value& mesh = doc["meshes"][0];
    for (const char* key : {"id", "target", "part", "textureNo", "numPts", "numPolygons", "drawOrder", "opacity",
                            "baseOpacity", "available", "outside", "points", "polygons"}) {
        EXPECT_TRUE(mesh.isMember(key)) << key;
    }
    EXPECT_EQ(mesh["polygons"].size(), 3 * mesh["numPolygons"].asUInt());
    EXPECT_EQ(mesh["target"].asString(), "D_ROT");
    EXPECT_EQ(doc["drawSequence"][0].asString(), "D_QUAD");

    // The printed points are the runtime's floats, digit for digit.
    tavrix::Tavrix::init();
    {
        tavrix::ATavrixModel model;
        std::string ignored = tavrix_test::captureStdout([&] {
            ASSERT_EQ(tavrix::ATavrixModel::loadModel_exe(&model, bytes.data(), static_cast<int>(bytes.size())), 0);
        });
        model.setParamFloat("PARAM_ANGLE", 12.5f);
        model.update();
        int count = 0;
        float* points = model.getTransformedPoints(0, &count);
        std::vector<float> printed;
        for (const Json::Value& value : mesh["points"]) printed.push_back(static_cast<float>(value.asDouble()));
        EXPECT_THAT(printed, ElementsAreArray(points, 2 * count));
    }
    tavrix::Tavrix::dispose();
}

TEST_F(InspectTest, JsonIsValidUtf8WhateverBytesTheModelNames)
{
    const std::string ids[] = {
        "\xC0\xAF",             // overlong '/'
        "\xE0\x80\xAF",         // overlong, three bytes
        "\xED\xA0\x80",         // a surrogate
        "\xF4\x90\x80\x80",     // past U+10FFFF
        "\x80 \xFF",            // stray continuation, a byte that starts nothing
        "\xC3\xA9\xE2\x82\xAC", // well formed: kept as it is
    };
    for (const std::string& id : ids) {
        MocModel m = ModelBuilders::oneParamModel();
        m.params[0].id = id;
        ToolRun r = run("inspect '" + writeModel("bytes.moc", m) + "' --json");
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_TRUE(utf8::is_valid(r.out.begin(), r.out.end())) << r.out;
        Json::Value doc;
        ASSERT_TRUE(Json::Reader().parse(r.out, doc)) << r.out;
        if (utf8::is_valid(id.begin(), id.end())) EXPECT_EQ(doc["params"][0]["id"].asString(), id);
        else EXPECT_EQ(doc["params"][0]["id"].asString().size(), 2 * id.size() - std::count(id.begin(), id.end(), ' '));
    }
}

TEST_F(InspectTest, SummaryNamesWhatIsInside)
{
    ToolRun r = run("inspect '" + writeModel("one.moc", ModelBuilders::oneParamModel()) + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    for (const char* text : {"canvas   400 x 400", "PARAM_ANGLE", "PARTS_01", "D_ROT", "D_QUAD", "draw sequence: D_QUAD"}) {
        EXPECT_THAT(r.out, HasSubstr(text));
    }
    EXPECT_THAT(r.out, Not(HasSubstr("Tavrix version"))) << "runtime chatter stays off the output";
}

TEST_F(InspectTest, FailuresAreOneLineWithFileAndResult)
{
    MocModel broken = ModelBuilders::oneParamModel();
    broken.parts[0].meshes[0].indices[0] = 9;
    const struct {
        std::string model;
        std::vector<std::string> mentioned;
    } cases[] = {
        {dir + "/absent.moc", {dir + "/absent.moc", "1001"}},
        {writeModel("broken.moc", broken), {"2002", "mesh D_QUAD"}},
    };
    for (const auto& c : cases) {
        ToolRun r = run("inspect '" + c.model + "' --json");
        EXPECT_EQ(r.status, 1);
        EXPECT_TRUE(r.out.empty());
        for (const std::string& text : c.mentioned) EXPECT_THAT(r.err, HasSubstr(text));
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    }
}

TEST_F(InspectTest, UsageErrorsAndHelp)
{
    EXPECT_EQ(run("inspect --help").status, 0);
    EXPECT_EQ(run("--help").status, 0);
    EXPECT_EQ(run("inspect").status, 2);
    EXPECT_EQ(run("inspect a.moc --set NOVALUE").status, 2);
    EXPECT_EQ(run("inspect a.moc --set X=abc").status, 2);
    EXPECT_EQ(run("inspect a.moc --frobnicate").status, 2);
    EXPECT_EQ(run("frobnicate").status, 2);
}

} // namespace
