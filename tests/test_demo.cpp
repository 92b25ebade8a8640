// The bundled demo puppet: it loads, every parameter keeps it drawable, its
// key parameters move the meshes that motions and users expect them to move,
// the generator's files draw the puppet with its own textures, and the
// example project animates it through the effect plug-in.
#include <gtest/gtest.h>
#include <json/json.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "ATavrixModel.h"
#include "DemoModel.h"
#include "ImageFile.h"
#include "ModelContext.h"
#include "TavrixModelOpenGL.h"
#include "Win/TavrixUtil.h"
#include "draw/IDrawContext.h"
#include "mocwriter/MocFile.h"
#include "support/PrivateGLContext.h"
#include "support/RuntimeFixture.h"
#include "support/tool/ToolProcess.h"

using namespace tavrix;
using mocwriter::MocModel;

namespace {

struct Box {
    float left = std::numeric_limits<float>::max();
    float top = std::numeric_limits<float>::max();
    float right = std::numeric_limits<float>::lowest();
    float bottom = std::numeric_limits<float>::lowest();
};

Box boundsOf(ATavrixModel& model, const std::string& mesh)
{
    Box box;
    const int index = model.getDrawDataIndex(mesh.c_str());
    EXPECT_GE(index, 0) << "no mesh " << mesh;
    if (index < 0) return box;
    int count = 0;
    const float* points = model.getTransformedPoints(index, &count);
    for (int i = 0; i < count; ++i) {
        box.left = std::min(box.left, points[2 * i]);
        box.right = std::max(box.right, points[2 * i]);
        box.top = std::min(box.top, points[2 * i + 1]);
        box.bottom = std::max(box.bottom, points[2 * i + 1]);
    }
    return box;
}

class DemoTest : public tavrix_test::RuntimeTest {
protected:
    void SetUp() override
    {
        RuntimeTest::SetUp();
        description = tavrix_demo::demoModel();
        ASSERT_EQ(description.problems(10), std::vector<std::string>{});
        const std::vector<uint8_t> bytes = mocwriter::MocFile::build(description);
        // The model lives inside the runtime that SetUp starts.
        owned = std::make_unique<ATavrixModel>();
        ASSERT_EQ(ATavrixModel::loadModel_exe(owned.get(), bytes.data(), static_cast<int>(bytes.size())), 0);
        owned->update();
    }
    void TearDown() override
    {
        owned.reset();
        RuntimeTest::TearDown();
    }

    MocModel description;
    std::unique_ptr<ATavrixModel> owned;
    ATavrixModel& model() { return *owned; }
};

TEST_F(DemoTest, EveryParameterAtEitherEndKeepsEveryMeshDrawableNearTheCanvas)
{
    ModelContext& context = *model().getModelContext();
    for (const MocModel::Param& param : description.params) {
        for (float value : {param.minValue, param.maxValue}) {
            SCOPED_TRACE(param.id + " = " + std::to_string(value));
            model().setParamFloat(param.id.c_str(), value);
            model().update();
            for (int i = 0; i < context.getDrawDataCount(); ++i) {
                EXPECT_TRUE(context.getDrawContext(i)->isAvailable()) << "mesh " << i;
                int count = 0;
                const float* points = model().getTransformedPoints(i, &count);
                for (int k = 0; k < 2 * count; ++k) {
                    ASSERT_TRUE(std::isfinite(points[k])) << "mesh " << i;
                    const float extent = k % 2 ? description.canvasHeight : description.canvasWidth;
                    EXPECT_GT(points[k], -0.25f * extent) << "mesh " << i;
                    EXPECT_LT(points[k], 1.25f * extent) << "mesh " << i;
                }
            }
        }
        model().setParamFloat(param.id.c_str(), param.defaultValue);
    }
}

TEST_F(DemoTest, KeyParametersMoveTheirMeshesAndLeaveOthersAlone)
{
    enum Measure { CENTRE_X, CENTRE_Y, TOP, HEIGHT };
    struct Case {
        const char* param;
        float value;
        const char* moved;
        Measure measure;
        float atLeast; // the change, in canvas units; negative: at least this much the other way
        const char* still; // a mesh that must not move, or null
    };
    const Case cases[] = {
        {"PARAM_EYE_L_OPEN", 0, "M_EYE_WHITE_L", HEIGHT, -50, "M_EYE_WHITE_R"},
        {"PARAM_EYE_R_OPEN", 0, "M_EYE_WHITE_R", HEIGHT, -50, "M_EYE_WHITE_L"},
        {"PARAM_EYE_BALL_X", 1, "M_IRIS_L", CENTRE_X, 8, "M_EYE_WHITE_L"},
        {"PARAM_MOUTH_OPEN_Y", 1, "M_MOUTH", HEIGHT, 20, "M_NOSE"},
        {"PARAM_MOUTH_FORM", 1, "M_MOUTH_LINE", TOP, -3, "M_NOSE"},
        // Turning and tilting: the face towards the viewer's right, looking up.
        {"PARAM_ANGLE_X", 30, "M_NOSE", CENTRE_X, 20, "M_TORSO"},
        {"PARAM_ANGLE_Y", 30, "M_NOSE", CENTRE_Y, -10, "M_TORSO"},
        {"PARAM_ANGLE_Z", 30, "M_FACE", CENTRE_X, 20, "M_TORSO"},
        {"PARAM_BODY_ANGLE_X", 10, "M_FACE", CENTRE_X, 20, nullptr},
        {"PARAM_BREATH", 1, "M_TORSO", TOP, -3, nullptr},
        {"PARAM_ARM_L", 10, "M_FOREARM_L", CENTRE_Y, -100, "M_FOREARM_R"},
        {"PARAM_ARM_R", 10, "M_FOREARM_R", CENTRE_Y, -100, "M_FOREARM_L"},
        {"PARAM_HAIR_FRONT", 1, "M_BANGS", CENTRE_X, 4, "M_FACE"},
        {"PARAM_HAIR_BACK", 1, "M_HAIR_BACK", CENTRE_X, 4, "M_BANGS"},
    };
    auto measure = [](const Box& b, Measure m) {
        switch (m) {
        case CENTRE_X: return (b.left + b.right) / 2;
        case CENTRE_Y: return (b.top + b.bottom) / 2;
        case TOP: return b.top;
        case HEIGHT: return b.bottom - b.top;
        }
        return 0.0f;
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.param) + " = " + std::to_string(c.value));
        const float before = measure(boundsOf(model(), c.moved), c.measure);
        const Box stillBefore = c.still ? boundsOf(model(), c.still) : Box{};
        const float saved = model().getParamFloat(c.param);
        model().setParamFloat(c.param, c.value);
        model().update();
        const float change = measure(boundsOf(model(), c.moved), c.measure) - before;
        if (c.atLeast > 0) EXPECT_GE(change, c.atLeast) << c.moved;
        else EXPECT_LE(change, c.atLeast) << c.moved;
        if (c.still) {
            const Box stillAfter = boundsOf(model(), c.still);
            EXPECT_EQ(stillAfter.left, stillBefore.left) << c.still;
            EXPECT_EQ(stillAfter.top, stillBefore.top) << c.still;
            EXPECT_EQ(stillAfter.right, stillBefore.right) << c.still;
            EXPECT_EQ(stillAfter.bottom, stillBefore.bottom) << c.still;
        }
        model().setParamFloat(c.param, saved);
        model().update();
    }
}

class DemoFilesTest : public tavrix_test::PrivateGLTest {
protected:
    void TearDown() override
    {
        delete model;
        if (!textures.empty()) glDeleteTextures(static_cast<GLsizei>(textures.size()), textures.data());
        PrivateGLTest::TearDown();
    }

    TavrixModelOpenGL* model = nullptr;
    std::vector<GLuint> textures;
    tavrix_test::ScratchFolder scratch{"demo"};
};

TEST_F(DemoFilesTest, GeneratedModelJsonLoadsAndDrawsThePuppetWithItsTextures)
{
    const std::string folder = scratch.path();
    ASSERT_NO_FATAL_FAILURE(tavrix_test::generateDemo(folder));

    Json::Value json;
    std::ifstream in(folder + "/demo.json");
    ASSERT_TRUE(Json::parseFromStream(Json::CharReaderBuilder(), in, &json, nullptr));
    std::vector<std::string> paths = {folder + "/" + json["model"].asString()};
    for (const Json::Value& texture : json["textures"]) paths.push_back(folder + "/" + texture.asString());
    ASSERT_EQ(paths.size(), 4u);

    // A quarter of the canvas: one pixel is four canvas units.
    const int width = 200, height = 250;
    tavrixutil::init();
    model = tavrixutil::loadModel(paths, width, height, textures);
    ASSERT_NE(model, nullptr);
    ASSERT_EQ(std::count(textures.begin(), textures.end(), 0u), 0) << "a texture did not decode";

    auto draw = [&] {
        model->update();
        clearViewport(width, height);
        model->draw();
        return tavrix_test::readImage(width, height);
    };
    auto pixelAt = [](const tavrix_test::Image& image, float canvasX, float canvasY) {
        return image.at(static_cast<int>(canvasX / 4), static_cast<int>(canvasY / 4));
    };
    // The puppet's left iris lies on the viewer's right, the shirt below the
    // chin and nothing in the corners.
    const tavrix_test::Image rest = draw();
    const tavrix_test::Rgba8 iris = pixelAt(rest, 470, 340), shirt = pixelAt(rest, 400, 800);
    EXPECT_GT(iris.b, iris.r + 40) << "blue iris";
    EXPECT_GT(shirt.b, shirt.r + 60) << "blue shirt";
    EXPECT_EQ(shirt.a, 255);
    EXPECT_EQ(pixelAt(rest, 8, 8).a, 0);
    EXPECT_EQ(pixelAt(rest, 792, 8).a, 0);

    model->setParamFloat("PARAM_EYE_L_OPEN", 0.0f);
    const tavrix_test::Rgba8 closed = pixelAt(draw(), 470, 340);
    EXPECT_GT(closed.r, closed.b + 20) << "skin where the iris was";
}

using DemoProject = tavrix_test::ToolTest;

TEST_F(DemoProject, ExampleProjectRendersThePuppetMovingFromTheFilesTheDemoWrites)
{
    // The project loads ../out/demo/demo.json through the effect's dialog,
    // from its own folder: as in the repository, after ./demo.sh.
    ASSERT_NO_FATAL_FAILURE(tavrix_test::generateDemo(path("out/demo")));
    std::filesystem::create_directories(path("examples"));
    std::filesystem::copy_file(TAVRIX_EXAMPLES_DIR "/demo-project.json", path("examples/demo-project.json"));
    const tavrix_test::ToolRun r =
        run("render examples/demo-project.json -o frame_####.png -i 42 -q --plugin '" TAVRIX_PLUGIN_PATH "'");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "") << "the dialog should load the model";

    tavrix_media::RgbaImage first, later;
    std::string why;
    ASSERT_TRUE(tavrix_media::readPng(path("frame_0000.png"), first, why)) << why;
    ASSERT_TRUE(tavrix_media::readPng(path("frame_0042.png"), later, why)) << why;
    ASSERT_EQ(first.pixels.size(), later.pixels.size());
    size_t differing = 0;
    for (size_t i = 0; i < first.pixels.size(); i += 4)
        differing += !std::equal(&first.pixels[i], &first.pixels[i + 4], &later.pixels[i]);
    EXPECT_GT(differing, first.pixels.size() / 4 / 20) << "the puppet should move between frames 0 and 42";
    // The shirt below the chin, blue over the light backdrop.
    const uint8_t* shirt = &first.pixels[(static_cast<size_t>(first.height) * 7 / 10 * first.width + first.width / 2) * 4];
    EXPECT_GT(shirt[2], shirt[0] + 60);
}

} // namespace
