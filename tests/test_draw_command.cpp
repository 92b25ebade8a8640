// tavrix draw, run as a user would: pixels where the projection puts the
// model, colours by the blend rules, both model forms, and one-line errors
// that leave no half-written file behind.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "mocwriter/MocWriter.h"
#include "support/tool/ToolProcess.h"

using mocwriter::MocModel;
using mocwriter::ModelBuilders;
using tavrix_test::Image;
using tavrix_test::readPngImage;
using tavrix_test::Rgba8;
using tavrix_test::ToolRun;
using ::testing::HasSubstr;
namespace fs = std::filesystem;

namespace {

const Rgba8 CLEAR = {0, 0, 0, 0};
const Rgba8 RED = {220, 30, 40, 255};
const Rgba8 TRANSLUCENT_BLUE = {20, 60, 240, 128};

// Canvas 64 x 32: an opaque red rectangle (texture 0) under a blue one
// (texture 1) at half opacity.
MocModel twoRectModel()
{
    return tavrix_test::flatModel(64, 32, {{8, 4, 16, 8, 0}, {20, 10, 24, 12, 1, 0.5f}});
}

// The straight colour tavrix draw writes for the two rectangles at the given
// scale (image width / canvas width), over transparent black.
Rgba8 twoRectPixel(int x, int y, float scale)
{
    using namespace tavrix_test;
    Colour c = {0, 0, 0, 0};
    if (insideRect(x, y, 8, 4, 24, 12, scale)) c = blendReference(c, toColour(storedTexel(RED)), 1.0f, 0, true);
    if (insideRect(x, y, 20, 10, 44, 22, scale)) {
        c = blendReference(c, toColour(storedTexel(TRANSLUCENT_BLUE)), 0.5f, 0, true);
    }
    return straightRgba8(c);
}

class DrawCommandTest : public tavrix_test::ToolTest {
protected:
    void SetUp() override
    {
        ToolTest::SetUp();
        modelPath = writeModel("rects.moc", twoRectModel());
        red = tavrix_test::writeSolidPng("red.png", 4, 4, RED);
        blue = tavrix_test::writeSolidPng("blue.png", 4, 4, TRANSLUCENT_BLUE);
    }

    std::string modelPath;
    std::string red;
    std::string blue;
};

} // namespace

TEST_F(DrawCommandTest, PixelsFollowTheProjectionAndTheBlendRules)
{
    struct Size {
        const char* option;
        int width, height;
    };
    // Without --size the image has the canvas size.
    for (Size size : {Size{"", 64, 32}, Size{"--size 128x40", 128, 40}, Size{"--size 32x32", 32, 32}}) {
        SCOPED_TRACE(size.option);
        const std::string out = dir + "/out.png";
        ToolRun r = run("draw '" + modelPath + "' --texture '" + red + "' --texture '" + blue + "' " + size.option +
                        " -o '" + out + "'");
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "");
        const Image image = readPngImage(out);
        ASSERT_EQ(image.width, size.width);
        ASSERT_EQ(image.height, size.height);
        const float scale = size.width / 64.0f;
        EXPECT_EQ(tavrix_test::comparePixels(image, [&](int x, int y) { return twoRectPixel(x, y, scale); }, 3), "");
    }
}

TEST_F(DrawCommandTest, ModelJsonFileNamesTheSameDrawingAndDrawingIsRepeatable)
{
    fs::create_directories(path("puppet/tex"));
    fs::copy_file(modelPath, path("puppet/rects.moc"));
    fs::copy_file(red, path("puppet/tex/red.png"));
    fs::copy_file(blue, path("puppet/tex/blue.png"));
    const std::string jsonPath =
        write("puppet/puppet.json", "{\"model\": \"rects.moc\", \"textures\": [\"tex/red.png\", \"tex/blue.png\"]}");

    const ToolRun fromMoc = run("draw '" + modelPath + "' --texture '" + red + "' --texture '" + blue + "' -o '" +
                                dir + "/moc.png'");
    ASSERT_EQ(fromMoc.status, 0) << fromMoc.err;
    // Relative paths count from the JSON file's folder, not the working folder.
    for (const char* name : {"json1.png", "json2.png"}) {
        const ToolRun fromJson = run("draw '" + jsonPath + "' -o '" + dir + "/" + name + "'");
        ASSERT_EQ(fromJson.status, 0) << fromJson.err;
        EXPECT_EQ(readPngImage(dir + "/" + name).rgba, readPngImage(dir + "/moc.png").rgba) << name;
    }
    EXPECT_EQ(tavrix_test::readFile(dir + "/json1.png"), tavrix_test::readFile(dir + "/json2.png"));
}

TEST_F(DrawCommandTest, SetPosesTheModelAndBackgroundFillsWhatItLeaves)
{
    MocModel model = tavrix_test::flatModel(64, 32, {{0, 0, 16, 16}});
    MocModel::Mesh& mesh = model.parts[0].meshes[0];
    mesh.pivots = ModelBuilders::pivots(tavrix_test::FLAT_PARAM, {0.0f, 1.0f});
    mesh.drawOrders.assign(2, 500);
    mesh.opacities.assign(2, 1.0f);
    mesh.keyedPoints.push_back(mesh.keyedPoints[0]);
    for (size_t i = 0; i < mesh.keyedPoints[1].size(); i += 2) mesh.keyedPoints[1][i] += 32; // 32 to the right at 1
    const std::string out = dir + "/posed.png";

    ToolRun r = run("draw '" + writeModel("moving.moc", model) + "' --texture '" + red + "' --set " + tavrix_test::FLAT_PARAM +
                    "=0.5 --background '#ffffff' -o '" + out + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(tavrix_test::comparePixels(
                  readPngImage(out),
                  [&](int x, int y) { return tavrix_test::insideRect(x, y, 16, 0, 32, 16) ? RED : Rgba8{255, 255, 255, 255}; }, 0),
              "");
}

TEST_F(DrawCommandTest, DefaultSizeIsTheCanvasCappedAt4096)
{
    ToolRun r = run("draw '" + writeModel("wide.moc", tavrix_test::flatModel(8192, 64, {})) + "' -o '" + dir + "/wide.png'");
    ASSERT_EQ(r.status, 0) << r.err;
    const Image image = readPngImage(dir + "/wide.png");
    EXPECT_EQ(image.width, 4096);
    EXPECT_EQ(image.height, 32);
}

TEST_F(DrawCommandTest, FailuresAreOneLineAndLeaveNoFileBehind)
{
    const std::string badJson = write("bad.json", "{\"model\":7}");
    const std::string notPng = write("not.png", "no");
    const std::string badTexture = write("texture.json", "{\"model\": \"rects.moc\", \"textures\": [\"a.png\", 4]}");
    const std::string notJson = write("broken.json", "{\"m");
    struct Case {
        const char* what;
        std::string args;
        int status;
        std::string mentioned; // the file or member the message names
    };
    const std::string out = " -o '" + dir + "/out.png'";
    const Case cases[] = {
        {"missing model", "draw '" + dir + "/absent.moc'" + out, 1, dir + "/absent.moc"},
        {"model member of the wrong type", "draw '" + badJson + "'" + out, 1, "model"},
        {"texture entry of the wrong type", "draw '" + badTexture + "'" + out, 1, "textures[1]"},
        {"not JSON", "draw '" + notJson + "'" + out, 1, "not valid JSON"},
        {"size 0", "draw '" + modelPath + "' --size 0x10" + out, 2, "0x10"},
        {"size above 16384", "draw '" + modelPath + "' --size 16385x10" + out, 2, "16385x10"},
        {"unwritable output", "draw '" + modelPath + "' -o '" + dir + "/no/such/folder/out.png'", 1, "folder"},
        {"textures beside a model JSON file", "draw '" + badJson + "' --texture '" + red + "'" + out, 2, "--texture"},
        {"no output", "draw '" + modelPath + "'", 2, "--output"},
        {"output not a PNG name", "draw '" + modelPath + "' -o '" + dir + "/out.jpg'", 2, "out.jpg"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const ToolRun r = run(c.args);
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_THAT(r.err, HasSubstr(c.mentioned));
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), c.status == 2 && c.mentioned == "--output" ? 2 : 1)
            << r.err;
        EXPECT_EQ(tavrix_test::filesIn(dir).size(), 5u) << "only the inputs are left";
    }

    // A parameter the model does not define is set all the same, with a warning.
    const ToolRun unknown = run("draw '" + modelPath + "' --set PARAM_TYPO=1" + out);
    EXPECT_EQ(unknown.status, 0) << unknown.err;
    EXPECT_THAT(unknown.err, HasSubstr("warning: --set PARAM_TYPO: the model defines no parameter"));
    fs::remove(dir + "/out.png");

    // A texture that cannot be decoded is a warning naming it; the model still draws.
    const ToolRun r = run("draw '" + modelPath + "' --texture '" + notPng + "' --texture '" + blue + "'" + out);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_THAT(r.err, HasSubstr("warning"));
    EXPECT_THAT(r.err, HasSubstr(notPng));
    EXPECT_EQ(readPngImage(dir + "/out.png").width, 64);
}
