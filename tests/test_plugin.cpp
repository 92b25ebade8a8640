// The effect plug-in loaded by the substitute host exactly as a host loads
// it: dispatch, parameters, persistence, renaming and rendering.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "WorldOps.h"
#include "support/plugin/PluginFixture.h"

using tavrix_host::CommandResult;
using tavrix_host::EffectInstance;
using tavrix_host::HostWorld;
using tavrix_host::WorldOps;
using namespace tavrix_test;
using ::testing::HasSubstr;

namespace {

const int kFirstSlider = 7;
const int kParamCount = 264;

std::string sliderName(EffectInstance& instance, int slider)
{
    return instance.param(kFirstSlider + slider).streamName;
}

// The saved state of a model with the given parameter identifiers.
std::string paramsState(const std::vector<std::string>& ids)
{
    return loadResult(writeTempModel(testFileName(std::to_string(ids.size()) + ".moc"), modelWithParams(ids)), {});
}

TEST_F(PluginTest, CommandsOutsideTheTableChangeNothing)
{
    for (PF_Cmd cmd : {2, 9, 10, 12, 15, 16, 99}) {
        CommandResult result = host.send(cmd, nullptr, nullptr, nullptr, nullptr);
        EXPECT_EQ(result.err, PF_Err_NONE) << "command " << cmd;
        EXPECT_EQ(result.outFlags, 0) << "command " << cmd;
        EXPECT_EQ(result.message, "") << "command " << cmd;
    }
}

TEST_F(PluginTest, AboutTextAndVersion)
{
    EXPECT_EQ(host.about().message, "Tavrix Loader ver.0.9.3.0.2 (Release Build)\r\rUsing Tavrix SDK ver.2.0.06\r\r"
                                    "This plugin loads Tavrix models into AfterEffects.");
    EXPECT_EQ(host.effectVersion(), 0x49802u);
    EXPECT_EQ(host.globalOutFlags(), 0x5000000);
}

TEST_F(PluginTest, DeclaresTheParameterTable)
{
    const std::vector<PF_ParamDef>& params = host.declaredParams();
    ASSERT_EQ(params.size(), static_cast<size_t>(kParamCount));
    for (int i = 0; i < kParamCount; ++i) EXPECT_EQ(params[i].uu.id, i) << "parameter " << i;

    const struct {
        int index;
        int32_t type;
        const char* name;
        int32_t flags;
    } table[] = {
        {1, PF_Param_GROUP_START, "Model Settings", 0},
        {2, PF_Param_BUTTON, "", PF_ParamFlag_SUPERVISE | PF_ParamFlag_CANNOT_TIME_VARY},
        {3, PF_Param_POINT, "Position", 0},
        {4, PF_Param_FLOAT_SLIDER, "Scale", 0},
        {5, PF_Param_GROUP_END, "", 0},
        {6, PF_Param_GROUP_START, "Tavrix Params", 0},
        {7, PF_Param_FLOAT_SLIDER, "Slider", 0},
        {262, PF_Param_FLOAT_SLIDER, "Slider", 0},
        {263, PF_Param_GROUP_END, "", 0},
    };
    for (const auto& row : table) {
        EXPECT_EQ(params[row.index].param_type, row.type) << row.index;
        EXPECT_STREQ(params[row.index].name, row.name) << row.index;
        EXPECT_EQ(params[row.index].flags, row.flags) << row.index;
    }
    EXPECT_STREQ(params[2].u.button_d.namesptr, "Load .moc");
    EXPECT_EQ(params[3].u.td.x_dephault, 50 << 16) << "the layer centre, as percent";
    EXPECT_EQ(params[4].u.fs_d.valid_max, 1000.0f);
    EXPECT_EQ(params[4].u.fs_d.dephault, 100.0);
    EXPECT_EQ(params[4].u.fs_d.display_flags, PF_ValueDisplayFlag_PERCENT);
    EXPECT_EQ(params[100].u.fs_d.valid_min, -1000.0f);
    EXPECT_EQ(params[100].u.fs_d.precision, 2);

    // A new instance: every slider keeps its declared name, and the point sits
    // at the layer's centre in pixels.
    EffectInstance* instance = apply(300, 200);
    ASSERT_NE(instance, nullptr);
    for (int i = 0; i < 256; ++i) ASSERT_EQ(sliderName(*instance, i), "Slider");
    EXPECT_EQ(instance->param(3).def.u.td.x_value, 150 << 16);
    EXPECT_EQ(instance->param(3).def.u.td.y_value, 100 << 16);
}

TEST(PluginStart, AnAddParamErrorStopsTheDeclarations)
{
    tavrix_host::Host host;
    host.calls().failCall("add_param", 3, PF_Err_OUT_OF_MEMORY);
    host.calls().setRecording(true);
    std::string error;
    EXPECT_FALSE(host.open(TAVRIX_PLUGIN_PATH, error));
    EXPECT_THAT(error, HasSubstr("parameter set-up failed (4)"));
    EXPECT_EQ(host.calls().count("add_param"), 3) << "nothing declared after the error";
    EXPECT_EQ(host.declaredParams().size(), 3u) << "the layer and the two accepted declarations";
    host.calls().clearCalls();
    host.calls().clearFailures();
    ASSERT_TRUE(host.open(TAVRIX_PLUGIN_PATH, error)) << error;
    EXPECT_EQ(host.calls().count("add_param"), kParamCount - 1);
}

TEST(PluginStart, AFailingOpenGLStartIsReportedWithItsMessage)
{
    // No EGL vendor: no display can be had.
    setenv("__EGL_VENDOR_LIBRARY_FILENAMES", "/nonexistent/vendor.json", 1);
    tavrix_host::Host host;
    std::string error;
    EXPECT_FALSE(host.open(TAVRIX_PLUGIN_PATH, error));
    EXPECT_EQ(host.globalSetupResult().err, PF_Err_INTERNAL_STRUCT_DAMAGED);
    EXPECT_EQ(host.globalSetupResult().message, "OS specific calls failed!");
    EXPECT_THAT(error, HasSubstr("OS specific calls failed!"));
}

TEST_F(PluginTest, FlatteningWithoutAModelStoresTheSixteenByteBlock)
{
    EffectInstance* instance = apply(64, 64);
    ASSERT_NE(instance, nullptr);
    std::string state = "unchanged";
    ASSERT_EQ(instance->flatten(state).err, PF_Err_NONE);
    EXPECT_EQ(state, "");
    const std::vector<uint8_t>* block = host.handles().bytes(reinterpret_cast<uintptr_t>(instance->sequenceData()));
    ASSERT_NE(block, nullptr);
    const std::vector<uint8_t> expected = {0, 0, 0, 0, 16, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(*block, expected);
}

TEST_F(PluginTest, FlattenAndReopenGiveBackTheTextAndAFreshModel)
{
    const std::string state = rectangleState(100, {0, 0, 100, 100}, {200, 40, 40, 255});
    EffectInstance* instance = apply(100, 100, &state);
    ASSERT_NE(instance, nullptr);
    HostWorld before(100, 100);
    ASSERT_EQ(renderOpaque(*instance, before).err, PF_Err_NONE);

    host.calls().setRecording(true);
    std::string saved;
    ASSERT_EQ(instance->flatten(saved).err, PF_Err_NONE);
    EXPECT_EQ(saved, state);
    ASSERT_EQ(instance->reopen().err, PF_Err_NONE);
    HostWorld after(100, 100);
    ASSERT_EQ(renderOpaque(*instance, after).err, PF_Err_NONE);
    EXPECT_EQ(comparePixels(imageOf(after), [&](int x, int y) { return imageOf(before).at(x, y); }, 0), "");
    EXPECT_EQ(before.at(50, 50).red, 200) << "the model was drawn";
    EXPECT_EQ(host.calls().count("AEGP_EffectCallGeneric"), 1) << "a reopened model has its defaults applied again";
}

TEST_F(PluginTest, NoMemoryFromTheHostIsReportedAsSuch)
{
    // Set-up, flatten and render each ask for one new handle first.
    CommandResult result;
    host.calls().failCall("host_new_handle", 0, PF_Err_OUT_OF_MEMORY);
    EXPECT_EQ(host.addInstance(64, 64, nullptr, &result), nullptr);
    EXPECT_EQ(result.err, PF_Err_OUT_OF_MEMORY);

    host.calls().clearFailures();
    EffectInstance* instance = apply(64, 64);
    ASSERT_NE(instance, nullptr);
    HostWorld input(64, 64);
    HostWorld output(64, 64);
    host.calls().failCall("host_new_handle", 0, PF_Err_OUT_OF_MEMORY);
    EXPECT_EQ(render(*instance, input, output).err, PF_Err_OUT_OF_MEMORY);
    std::string state;
    EXPECT_EQ(instance->flatten(state).err, PF_Err_OUT_OF_MEMORY);
    EXPECT_EQ(instance->sequenceData(), nullptr) << "the instance is left without sequence data";
}

TEST_F(PluginTest, AStateThatDoesNotParseLeavesNoModelButRefreshes)
{
    const std::string states[] = {"", "{not json", "{\"modelPath\":5}", "{\"modelPath\":\"/no/such.moc\"}"};
    for (const std::string& state : states) {
        host.calls().setRecording(true);
        host.calls().clearCalls();
        EffectInstance* instance = apply(64, 64, &state);
        ASSERT_NE(instance, nullptr) << state;
        EXPECT_EQ(host.calls().count("command parameter UI update"), 1) << state;
        EXPECT_EQ(sliderName(*instance, 0), "Slider") << state;
        EXPECT_EQ(instance->param(2).streamName, state) << "the button carries the text: " << state;
        std::string saved;
        instance->flatten(saved);
        EXPECT_EQ(saved, state) << "the text is kept";
        host.removeInstance(instance);
    }
}

TEST_F(PluginTest, SlidersTakeTheModelsParameterNames)
{
    const std::string longId(40, 'L');
    const std::string state = paramsState({"PARAM_ANGLE_X", "PARAM_", "PARAMETER", "EYE", longId});
    EffectInstance* instance = apply(64, 64, &state);
    ASSERT_NE(instance, nullptr);
    // The flat model's own parameter comes first.
    EXPECT_EQ(sliderName(*instance, 0), std::string(FLAT_PARAM).substr(6));
    EXPECT_EQ(sliderName(*instance, 1), "ANGLE_X");
    EXPECT_EQ(sliderName(*instance, 2), "") << "PARAM_ alone leaves nothing";
    EXPECT_EQ(sliderName(*instance, 3), "PARAMETER");
    EXPECT_EQ(sliderName(*instance, 4), "EYE");
    EXPECT_EQ(sliderName(*instance, 5), longId.substr(0, 31));
    EXPECT_EQ(instance->param(2).streamName, state) << "the button shows the whole load result";
    for (int i = 0; i < 6; ++i) EXPECT_FALSE(instance->param(kFirstSlider + i).hidden) << i;
    for (int i = 6; i < 256; ++i) ASSERT_TRUE(instance->param(kFirstSlider + i).hidden) << i;
}

TEST_F(PluginTest, ThreeAndThreeHundredParameters)
{
    const struct {
        size_t params;
        int named;
    } cases[] = {{3, 3}, {300, 256}};
    for (const auto& c : cases) {
        // The flat model brings one parameter of its own.
        std::vector<std::string> ids;
        for (size_t i = 1; i < c.params; ++i) ids.push_back("PARAM_P" + std::to_string(i));
        const std::string state = paramsState(ids);
        EffectInstance* instance = apply(64, 64, &state);
        ASSERT_NE(instance, nullptr);
        for (int i = 1; i < c.named; ++i) EXPECT_EQ(sliderName(*instance, i), "P" + std::to_string(i));
        int hidden = 0;
        for (int i = 0; i < 256; ++i) hidden += instance->param(kFirstSlider + i).hidden ? 1 : 0;
        EXPECT_EQ(hidden, 256 - c.named) << c.params << " parameters";
        host.removeInstance(instance);
    }
}

TEST_F(PluginTest, HiddenSlidersStayHiddenForALargerModel)
{
    const std::string small = paramsState({"PARAM_A", "PARAM_B"});
    EffectInstance* instance = apply(64, 64, &small);
    ASSERT_NE(instance, nullptr);
    ASSERT_TRUE(instance->param(kFirstSlider + 3).hidden);
    const std::string larger = paramsState({"PARAM_A", "PARAM_B", "PARAM_C", "PARAM_D"});
    ASSERT_EQ(instance->resetup(larger).err, PF_Err_NONE);
    EXPECT_EQ(sliderName(*instance, 3), "C") << "renamed";
    EXPECT_TRUE(instance->param(kFirstSlider + 3).hidden) << "but never shown again";
}

TEST_F(PluginTest, AFailedRenameStillEndsItsUndoGroup)
{
    const std::string state = paramsState({"PARAM_A"});
    EffectInstance* instance = apply(64, 64, &state);
    ASSERT_NE(instance, nullptr);
    const char* failing[] = {"AEGP_GetNewEffectForEffect", "AEGP_GetNewEffectStreamByIndex", "AEGP_SetStreamName",
                             "AEGP_SetDynamicStreamFlag"};
    for (const char* call : failing) {
        host.calls().clearFailures();
        host.calls().failCall(call, 1, 77);
        host.calls().setRecording(true);
        host.calls().clearCalls();
        EXPECT_EQ(instance->updateParamsUI().err, 77) << call;
        EXPECT_EQ(host.undo().depth(), 0u) << call;
        EXPECT_EQ(host.calls().count("AEGP_EndUndoGroup"), 1) << call;
    }
    // The effect's references are given back on the failing paths too.
    EXPECT_EQ(host.effectRefs().liveCount(), 0u);
    EXPECT_EQ(host.streamRefs().liveCount(), 0u);
}

TEST_F(PluginTest, AMissingSuiteEndsTheCommandWithItsCode)
{
    EffectInstance* instance = apply(64, 64);
    ASSERT_NE(instance, nullptr);
    host.calls().failCall("AcquireSuite AEGP Stream Suite 7", 0, 1);
    const std::string state = paramsState({"PARAM_A"});
    CommandResult result = instance->resetup(state);
    EXPECT_EQ(result.err, PF_Err_NONE) << "re-set-up needs no stream suite";
    EXPECT_EQ(instance->updateParamsUI().err, PF_Err_BAD_CALLBACK_PARAM);
    EXPECT_EQ(host.undo().depth(), 0u);
}

TEST_F(PluginTest, WithoutAModelTheFrameIsTransparent)
{
    EffectInstance* instance = apply(80, 60);
    ASSERT_NE(instance, nullptr);
    HostWorld input(80, 60);
    WorldOps::fill(input.world(), PF_Pixel{255, 90, 90, 90});
    HostWorld output(80, 60);
    WorldOps::fill(output.world(), PF_Pixel{255, 1, 2, 3});
    ASSERT_EQ(render(*instance, input, output).err, PF_Err_NONE);
    EXPECT_EQ(comparePixels(imageOf(output), [](int, int) { return Rgba8{0, 0, 0, 0}; }, 0), "");
}

TEST_F(PluginTest, TheInputLayersAlphaMasksTheModel)
{
    // A model covering the whole layer: opaque, then at alpha 127.
    const struct {
        int modelAlpha;
        int inputAlpha;
        int expectedAlpha;
    } cases[] = {{255, 128, 128}, {127, 128, 63}, {255, 255, 255}};
    for (const auto& c : cases) {
        const std::string state = rectangleState(100, {0, 0, 100, 100}, {40, 160, 220, c.modelAlpha});
        EffectInstance* instance = apply(100, 100, &state);
        ASSERT_NE(instance, nullptr);
        HostWorld input(100, 100);
        // Left half transparent, right half at the case's alpha.
        for (int y = 0; y < 100; ++y) {
            for (int x = 0; x < 100; ++x) input.at(x, y) = PF_Pixel{static_cast<uint8_t>(x < 50 ? 0 : c.inputAlpha), 9, 9, 9};
        }
        HostWorld output(100, 100);
        ASSERT_EQ(render(*instance, input, output).err, PF_Err_NONE);
        EXPECT_EQ(comparePixels(imageOf(output),
                                [&](int x, int) {
                                    return x < 50 ? Rgba8{40, 160, 220, 0} : Rgba8{40, 160, 220, c.expectedAlpha};
                                },
                                1),
                  "")
            << "model alpha " << c.modelAlpha << ", input alpha " << c.inputAlpha;
        host.removeInstance(instance);
    }
}

// The bounding box of the pixels with alpha.
PF_Rect coveredArea(const HostWorld& world)
{
    PF_Rect area = {world.width(), world.height(), -1, -1};
    for (int y = 0; y < world.height(); ++y) {
        for (int x = 0; x < world.width(); ++x) {
            if (!world.at(x, y).alpha) continue;
            area.left = std::min(area.left, x);
            area.top = std::min(area.top, y);
            area.right = std::max(area.right, x + 1);
            area.bottom = std::max(area.bottom, y + 1);
        }
    }
    return area;
}

TEST_F(PluginTest, PositionAndScalePlaceTheModelAtFullAndHalfResolution)
{
    // Canvas 100: at scale 100 % on a 200-pixel-wide layer, one canvas unit is
    // two pixels, and the canvas point (50, 50) sits on Position.
    const std::string state = rectangleState(100, {40, 40, 20, 20}, {255, 255, 255, 255});
    EffectInstance* instance = apply(200, 100, &state);
    ASSERT_NE(instance, nullptr);
    instance->param(3).track.add(0, 60, 50);
    HostWorld full(200, 100);
    ASSERT_EQ(renderOpaque(*instance, full).err, PF_Err_NONE);
    PF_Rect area = coveredArea(full);
    EXPECT_EQ(area.left, 40);
    EXPECT_EQ(area.right, 80);
    EXPECT_EQ(area.top, 30);
    EXPECT_EQ(area.bottom, 70);

    HostWorld half(100, 50);
    ASSERT_EQ(renderOpaque(*instance, half, 2).err, PF_Err_NONE);
    area = coveredArea(half);
    EXPECT_EQ(area.left, 20);
    EXPECT_EQ(area.right, 40);
    EXPECT_EQ(area.top, 15);
    EXPECT_EQ(area.bottom, 35);

    instance->param(4).track.add(0, 50);
    ASSERT_EQ(renderOpaque(*instance, full).err, PF_Err_NONE);
    area = coveredArea(full);
    EXPECT_EQ(area.left, 50);
    EXPECT_EQ(area.right, 70) << "half the size, still centred on Position";
}

TEST_F(PluginTest, TheFirstRenderAppliesTheModelsDefaultsOnce)
{
    const std::string state = paramsState({"PARAM_A", "PARAM_B"});
    EffectInstance* instance = apply(64, 64, &state);
    ASSERT_NE(instance, nullptr);
    host.calls().setRecording(true);
    HostWorld input(64, 64);
    for (int frame = 0; frame < 3; ++frame) {
        HostWorld output(64, 64);
        ASSERT_EQ(render(*instance, input, output).err, PF_Err_NONE);
    }
    EXPECT_EQ(host.calls().count("AEGP_EffectCallGeneric"), 1);
    EXPECT_EQ(host.calls().count("command user-changed parameter"), 1);
    // The sliders took the model's ranges and defaults (-10..10, 1.5).
    const PF_FloatSliderDef& slider = instance->param(kFirstSlider + 1).def.u.fs_d;
    EXPECT_EQ(slider.value, 1.5);
    EXPECT_EQ(slider.valid_min, -10.0f);
    EXPECT_EQ(slider.slider_max, 10.0f);
    EXPECT_EQ(instance->param(kFirstSlider + 5).def.u.fs_d.valid_max, 1000.0f) << "sliders past the model untouched";
}

TEST(PluginSession, CommandsComeInAHostsOrder)
{
    tavrix_host::Host host;
    host.calls().setRecording(true);
    std::string error;
    ASSERT_TRUE(host.open(TAVRIX_PLUGIN_PATH, error)) << error;
    const std::string state = loadResult(writeTempModel(testFileName("m.moc"), modelWithParams({"PARAM_A"})), {});
    EffectInstance* instance = host.addInstance(32, 32, &state);
    ASSERT_NE(instance, nullptr);
    HostWorld input(32, 32);
    HostWorld output(32, 32);
    EffectInstance::RenderRequest request;
    request.input = &input.world();
    request.output = &output.world();
    ASSERT_EQ(instance->render(request).err, PF_Err_NONE);
    std::string saved;
    ASSERT_EQ(instance->flatten(saved).err, PF_Err_NONE);
    host.close();

    std::vector<std::string> commands;
    for (const std::string& call : host.calls().calls()) {
        if (call.rfind("command ", 0) == 0) commands.push_back(call.substr(8));
    }
    const std::vector<std::string> expected = {
        "global set-up", "parameter set-up", "sequence re-set-up", "parameter UI update",
        // The first render asks for the model's defaults from inside, then
        // the host refreshes the controls and renders the frame again.
        "render", "user-changed parameter", "parameter UI update", "render",
        // A flattened instance goes without set-down; the effect goes last.
        "sequence flatten", "global set-down"};
    EXPECT_EQ(commands, expected);
    EXPECT_TRUE(host.log().getMisuses().empty());
}

TEST_F(PluginTest, AnOutputLargerThanTheRenderbuffersIsReadInFull)
{
    const std::string state = rectangleState(100, {0, 0, 100, 100}, {10, 200, 10, 255});
    EffectInstance* instance = apply(100, 100, &state);
    ASSERT_NE(instance, nullptr);
    HostWorld output(1300, 1100);
    ASSERT_EQ(renderOpaque(*instance, output).err, PF_Err_NONE);
    // The viewport is the output: the model covers all of it, read back from
    // renderbuffers grown past their first 1024 x 1024.
    EXPECT_EQ(output.at(50, 50).green, 200);
    EXPECT_EQ(output.at(1299, 1099).green, 200);
    EXPECT_EQ(output.at(1299, 1099).alpha, 255);
}

} // namespace
