#include "support/plugin/PluginFixture.h"

#include <json/json.h>

#include "WorldOps.h"
#include "mocwriter/MocWriter.h"

using tavrix_host::CommandResult;
using tavrix_host::EffectInstance;
using tavrix_host::HostWorld;

namespace tavrix_test {

std::string loadResult(const std::string& modelPath, const std::vector<std::string>& texturePaths)
{
    Json::Value root;
    root["modelPath"] = modelPath;
    root["texturePaths"] = Json::Value(Json::arrayValue);
    for (const std::string& path : texturePaths) root["texturePaths"].append(path);
    root["dontResetParams"] = false;
    Json::StreamWriterBuilder compact;
    compact["indentation"] = "";
    return Json::writeString(compact, root);
}

mocwriter::MocModel modelWithParams(const std::vector<std::string>& paramIds)
{
    mocwriter::MocModel model = flatModel(100, 100, {});
    for (const std::string& id : paramIds) model.params.push_back(mocwriter::ModelBuilders::param(id, -10, 10, 1.5f));
    return model;
}

std::string centredSquareState(Rgba8 colour)
{
    const std::string model =
        writeTempModel(testFileName("square.moc"), flatModel(100, 100, {RectMesh{40, 40, 20, 20}}));
    return loadResult(model, {writeSolidPng(testFileName("square.png"), 4, 4, colour)});
}

Json::Value movingEffectProject(int width, int height, const std::string& state)
{
    Json::Value project;
    project["composition"]["width"] = width;
    project["composition"]["height"] = height;
    project["composition"]["frameRate"] = 24;
    project["composition"]["frameCount"] = 8;
    Json::Value layer;
    layer["effect"]["state"] = state;
    Json::Value& position = layer["effect"]["params"]["Position"]["keys"];
    position[0]["frame"] = 0;
    position[0]["value"].append(60);
    position[0]["value"].append(50);
    position[1]["frame"] = 7;
    position[1]["value"].append(130);
    position[1]["value"].append(50);
    project["layers"].append(layer);
    return project;
}

Image imageOf(const HostWorld& world)
{
    Image image;
    image.width = world.width();
    image.height = world.height();
    tavrix_host::WorldOps::toRGBA(world.world(), image.rgba);
    return image;
}

void PluginTest::SetUp()
{
    std::string error;
    opened = host.open(TAVRIX_PLUGIN_PATH, error);
    ASSERT_TRUE(opened) << error;
}

void PluginTest::TearDown()
{
    host.close();
    for (const std::string& misuse : host.log().getMisuses()) ADD_FAILURE() << "host misuse: " << misuse;
}

EffectInstance* PluginTest::apply(int width, int height, const std::string* state)
{
    CommandResult result;
    EffectInstance* instance = host.addInstance(width, height, state, &result);
    EXPECT_NE(instance, nullptr) << "set-up failed: " << result.err << " " << result.message;
    return instance;
}

std::string PluginTest::rectangleState(int canvasSize, RectMesh rect, Rgba8 colour)
{
    const std::string model = writeTempModel(testFileName("rect.moc"), flatModel(canvasSize, canvasSize, {rect}));
    const std::string texture = writeSolidPng(testFileName("rect.png"), 4, 4, colour);
    return loadResult(model, {texture});
}

CommandResult PluginTest::render(EffectInstance& instance, const HostWorld& input, HostWorld& output, int downsample)
{
    EffectInstance::RenderRequest request;
    request.downsample = downsample;
    request.input = &input.world();
    request.output = &output.world();
    return instance.render(request);
}

CommandResult PluginTest::renderOpaque(EffectInstance& instance, HostWorld& output, int downsample)
{
    HostWorld input(output.width(), output.height());
    tavrix_host::WorldOps::fill(input.world(), PF_Pixel{255, 0, 0, 0});
    return render(instance, input, output, downsample);
}

} // namespace tavrix_test
