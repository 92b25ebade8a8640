// The load button through the plug-in in the substitute host: the effect's
// own dialog script runs in the host's script engine while a scripted user
// works the dialog, and the model it names is loaded.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <json/json.h>

#include "DialogSession.h"
#include "ScriptEngine.h"
#include "WorldOps.h"
#include "mocwriter/MocWriter.h"
#include "support/plugin/PluginFixture.h"

using tavrix_host::CommandResult;
using tavrix_host::DialogSession;
using tavrix_host::EffectInstance;
using tavrix_host::HostWorld;
using namespace tavrix_test;
namespace fs = std::filesystem;

namespace {

const int kLoadButton = 2;
const int kFirstSlider = 7;

class DialogTest : public PluginTest {
protected:
    void SetUp() override
    {
        PluginTest::SetUp();
        folder = (fs::temp_directory_path() / ("tavrix_" + std::to_string(getpid()) + "_" + testFileName("dialog")))
                     .string() + "/";
        fs::create_directories(folder + "home");
        scripts.setHomeFolder(folder + "home");
        host.setScriptRunner([this](const std::string& script, std::string& result, std::string& error) {
            const bool ran = scripts.run(script, session, result, error);
            scriptResult = result;
            return ran;
        });
    }
    void TearDown() override
    {
        PluginTest::TearDown();
        fs::remove_all(folder);
    }

    // A file under the test's folder, its folders made; the absolute path.
    std::string file(const std::string& relative, const std::string& contents)
    {
        const fs::path path = folder + relative;
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << contents;
        return path.string();
    }
    std::string copyInto(const std::string& relative, const std::string& source)
    {
        const fs::path path = folder + relative;
        fs::create_directories(path.parent_path());
        fs::copy_file(source, path, fs::copy_options::overwrite_existing);
        return path.string();
    }
    // A model of one rectangle over its whole 100 x 100 canvas, plus params.
    std::string model(const std::string& relative, const std::vector<std::string>& params = {})
    {
        mocwriter::MocModel built = flatModel(100, 100, {{0, 0, 100, 100}});
        for (const std::string& id : params) built.params.push_back(mocwriter::ModelBuilders::param(id, -10, 10, 1.5f));
        return copyInto(relative, writeTempModel(testFileName("model.moc"), built));
    }
    std::string texture(const std::string& relative, Rgba8 colour)
    {
        return copyInto(relative, writeSolidPng(testFileName("texture.png"), 4, 4, colour));
    }

    // Presses the load button while the user performs actions (a JSON
    // array; relative paths count from the test's folder).
    CommandResult pressLoad(EffectInstance& instance, const std::string& actions)
    {
        std::string error;
        scriptResult = "(no script ran)";
        EXPECT_TRUE(DialogSession::parse(actions, "load", folder, session, error)) << error;
        return instance.userChangedParam(kLoadButton);
    }
    std::string savedState(EffectInstance& instance)
    {
        std::string state;
        instance.flatten(state);
        instance.reopen();
        return state;
    }
    PF_Pixel centre(EffectInstance& instance)
    {
        HostWorld output(100, 100);
        EXPECT_EQ(renderOpaque(instance, output).err, PF_Err_NONE);
        return output.at(50, 50);
    }

    std::string folder;
    tavrix_host::ScriptEngine scripts;
    DialogSession session;
    std::string scriptResult;
};

// The dialog's result text, members in the dialog's order.
std::string jsonText(const std::string& modelPath, const std::vector<std::string>& textures)
{
    std::string text = "{\"modelPath\":" + Json::valueToQuotedString(modelPath.c_str()) + ",\"texturePaths\":[";
    for (size_t i = 0; i < textures.size(); ++i) {
        text += (i ? "," : "") + Json::valueToQuotedString(textures[i].c_str());
    }
    return text + "],\"dontResetParams\":false}";
}

TEST_F(DialogTest, OkWithNothingChosenChangesOnlyTheButtonName)
{
    EffectInstance* instance = apply(100, 100);
    ASSERT_NE(instance, nullptr);
    CommandResult result = pressLoad(*instance, R"([{"press": "OK"}])");
    EXPECT_EQ(result.err, PF_Err_NONE);
    EXPECT_EQ(scriptResult, R"({"modelPath":"","texturePaths":[],"dontResetParams":false})");
    EXPECT_EQ(result.message, "No model file was chosen; nothing was loaded.");
    EXPECT_EQ(instance->param(kLoadButton).streamName, scriptResult.substr(0, 31));
    EXPECT_EQ(instance->param(kFirstSlider).streamName, "Slider");
    EXPECT_FALSE(instance->param(kFirstSlider + 5).hidden);
    EXPECT_EQ(savedState(*instance), "") << "no text was taken";
    EXPECT_EQ(host.undo().depth(), 0u);
}

TEST_F(DialogTest, AModelAndItsTexturesLoadAndNameTheSliders)
{
    EffectInstance* instance = apply(100, 100);
    ASSERT_NE(instance, nullptr);
    const std::string moc = model("m/puppet.moc", {"PARAM_ANGLE_X"});
    const std::string red = texture("m/red.png", {200, 10, 10, 255});
    const std::string blue = texture("m/blue.png", {10, 10, 200, 255});
    CommandResult result = pressLoad(
        *instance, R"([{"chooseModel": "m/puppet.moc"}, {"chooseTextures": ["m/red.png", "m/blue.png"]}, {"press": "OK"}])");
    ASSERT_EQ(result.err, PF_Err_NONE) << result.message;
    EXPECT_EQ(result.message, "");
    EXPECT_EQ(scriptResult, jsonText(moc, {red, blue}));
    EXPECT_EQ(savedState(*instance), scriptResult);
    EXPECT_EQ(instance->param(kLoadButton).streamName, scriptResult) << "renaming gives the button the whole text";
    EXPECT_EQ(instance->param(kFirstSlider + 1).streamName, "ANGLE_X");
    EXPECT_EQ(instance->param(kFirstSlider + 1).def.u.fs_d.value, 1.5) << "the model's default";
    EXPECT_TRUE(instance->param(kFirstSlider + 2).hidden);
    EXPECT_EQ(centre(*instance).red, 200) << "drawn with texture 0";
}

TEST_F(DialogTest, ModelJsonEntriesAreResolvedFromItsFolder)
{
    // The folder carries a "~" that must stay as it is.
    const std::string base = folder + "x/y~1/";
    const std::string home = folder + "home";
    const struct {
        const char* contents;
        std::string model;
        std::vector<std::string> textures;
    } cases[] = {
        {R"({"model": "a.moc", "textures": ["t/b.png"]})", base + "a.moc", {base + "t/b.png"}},
        {"({model: 'a.moc', /* a literal */ textures: ['t/b.png',], size: 0x10,}) // by hand", base + "a.moc",
         {base + "t/b.png"}},
        {R"({"model": "/abs/c.moc", "textures": ["~/d.png", "C:\\m\\e.png", "file:///f.png", "sub\\g.png"]})",
         "/abs/c.moc",
         {home + "/d.png", "C:/m/e.png", "file:///f.png", base + "sub/g.png"}},
        {"\xEF\xBB\xBF{\"textures\": [], \"model\": \"a.moc\", \"other\": {\"n\": [1, -2.5e3, null]}}", base + "a.moc", {}},
    };
    EffectInstance* instance = apply(100, 100);
    ASSERT_NE(instance, nullptr);
    for (const auto& c : cases) {
        file("x/y~1/m.json", c.contents);
        pressLoad(*instance, R"([{"select": "JSON"}, {"chooseJson": "x/y~1/m.json"}, {"press": "OK"}])");
        EXPECT_EQ(scriptResult, jsonText(c.model, c.textures)) << c.contents;
    }
}

TEST_F(DialogTest, TheLastFileDialogUsedDecides)
{
    model("a.moc");
    texture("b.png", {1, 2, 3, 255});
    file("m.json", R"({"model": "j.moc", "textures": ["j.png"]})");
    const struct {
        const char* actions;
        std::string expected;
    } cases[] = {
        // A model chosen after the JSON file wins, with no textures.
        {R"([{"select": "JSON"}, {"chooseJson": "m.json"}, {"select": "Model and Texture"}, {"chooseModel": "a.moc"},
             {"press": "OK"}])",
         jsonText(folder + "a.moc", {})},
        // The mode selected at "OK" does not matter.
        {R"([{"select": "JSON"}, {"chooseJson": "m.json"}, {"select": "Model and Texture"}, {"press": "OK"}])",
         jsonText(folder + "j.moc", {folder + "j.png"})},
        // The JSON file clears model and textures chosen before it.
        {R"([{"chooseModel": "a.moc"}, {"chooseTextures": "b.png"}, {"select": "JSON"}, {"chooseJson": "m.json"},
             {"press": "OK"}])",
         jsonText(folder + "j.moc", {folder + "j.png"})},
        // A file dialog closed without a choice changes nothing.
        {R"([{"chooseModel": "a.moc"}, {"chooseModel": null}, {"chooseTextures": null}, {"press": "OK"}])",
         jsonText(folder + "a.moc", {})},
        {R"([{"chooseModel": "a.moc"}, {"press": "Cancel"}])", ""},
    };
    EffectInstance* instance = apply(100, 100);
    ASSERT_NE(instance, nullptr);
    for (const auto& c : cases) {
        pressLoad(*instance, c.actions);
        EXPECT_EQ(scriptResult, c.expected) << c.actions;
    }
}

TEST_F(DialogTest, CancelRunsTheHostCallsInOrderAndLoadsNothing)
{
    EffectInstance* instance = apply(100, 100);
    ASSERT_NE(instance, nullptr);
    host.calls().setRecording(true);
    CommandResult result = pressLoad(*instance, R"([{"press": "Cancel"}])");
    EXPECT_EQ(result.err, PF_Err_NONE);
    EXPECT_EQ(result.message, "");
    EXPECT_EQ(scriptResult, "");
    std::vector<std::string> hostCalls;
    for (const std::string& call : host.calls().calls()) {
        if (call.rfind("AEGP_", 0) == 0) hostCalls.push_back(call);
    }
    // The script's error text is asked for and given back at once.
    const std::vector<std::string> expected = {
        "AEGP_StartUndoGroup",  "AEGP_GetNewEffectForEffect", "AEGP_ExecuteScript",
        "AEGP_FreeMemHandle",   "AEGP_LockMemHandle",         "AEGP_GetNewEffectStreamByIndex",
        "AEGP_SetStreamName",   "AEGP_DisposeStream",         "AEGP_FreeMemHandle",
        "AEGP_DisposeEffect",   "AEGP_EndUndoGroup"};
    EXPECT_EQ(hostCalls, expected);
    EXPECT_EQ(instance->param(kLoadButton).streamName, "");
    EXPECT_EQ(host.memHandles().liveCount(), 0u);

    host.calls().failCall("AEGP_GetNewEffectForEffect", 1, 77);
    host.calls().clearCalls();
    EXPECT_EQ(pressLoad(*instance, R"([{"press": "OK"}])").err, 77);
    EXPECT_EQ(host.calls().count("AEGP_ExecuteScript"), 0);
    EXPECT_EQ(host.undo().depth(), 0u);
}

TEST_F(DialogTest, FailuresKeepThePreviousModelAndSayWhy)
{
    model("good.moc", {"PARAM_GOOD"});
    texture("green.png", {10, 200, 10, 255});
    file("broken.moc", "not a model");
    file("too-large.json", "");
    fs::resize_file(folder + "too-large.json", tavrix_host::ScriptEngine::MAX_FILE_SIZE + 1);
    const std::string chooseJson = R"([{"select": "JSON"}, {"chooseJson": "m.json"}, {"press": "OK"}])";
    const struct {
        const char* json;
        const char* actions;
        PF_Err err;
        std::string message;
    } cases[] = {
        {nullptr, R"([{"chooseModel": "broken.moc"}, {"press": "OK"}])", PF_Err_NONE,
         "The model file " + folder +
             "broken.moc could not be loaded (error 2002: Invalid model data : the stream holds no model root)."},
        {R"({"model": "good.moc"})", nullptr, A_Err_SCRIPT_FAILED,
         "The model JSON file " + folder + "m.json names no textures (\"textures\" must be a list of paths)."},
        {R"({"textures": []})", nullptr, A_Err_SCRIPT_FAILED, "names no model"},
        {R"({"model": "a.moc", "textures": [5]})", nullptr, A_Err_SCRIPT_FAILED, "textures[0] is not a path"},
        {"[1, 2]", nullptr, A_Err_SCRIPT_FAILED, "does not hold an object"},
        // Nothing in the file is run.
        {R"({"model": (function () { return "good.moc"; })(), "textures": []})", nullptr, A_Err_SCRIPT_FAILED,
         "is not valid: unexpected '(' at line 1, column 11."},
        {"{\"model\": \"a.moc\",\n  \"textures\": [\"b.png\" \"c.png\"]}", nullptr, A_Err_SCRIPT_FAILED,
         "expected ',' or ']' at line 2, column 24"},
        {nullptr, R"([{"select": "JSON"}, {"chooseJson": "too-large.json"}, {"press": "OK"}])", A_Err_SCRIPT_FAILED,
         "The model JSON file " + folder + "too-large.json cannot be read."},
    };
    EffectInstance* instance = apply(100, 100);
    ASSERT_NE(instance, nullptr);
    ASSERT_EQ(pressLoad(*instance, R"([{"chooseModel": "good.moc"}, {"chooseTextures": "green.png"}, {"press": "OK"}])")
                  .err,
              PF_Err_NONE);
    const std::string goodState = savedState(*instance);
    const std::string goodButton = instance->param(kLoadButton).streamName;
    for (const auto& c : cases) {
        if (c.json) file("m.json", c.json);
        CommandResult result = pressLoad(*instance, c.actions ? c.actions : chooseJson);
        EXPECT_EQ(result.err, c.err) << c.message;
        EXPECT_NE(result.message.find(c.message), std::string::npos) << result.message;
        EXPECT_EQ(savedState(*instance), goodState) << c.message;
        EXPECT_EQ(instance->param(kFirstSlider + 1).streamName, "GOOD") << c.message;
        EXPECT_EQ(centre(*instance).green, 200) << "the previous model and texture still draw: " << c.message;
        if (c.err) {
            EXPECT_EQ(instance->param(kLoadButton).streamName, goodButton) << "a failed script renames nothing";
        }
        EXPECT_EQ(host.undo().depth(), 0u);
    }

    // A message longer than the host's buffer is cut by the effect, between
    // characters, wherever the limit falls.
    std::string accents;
    for (int i = 0; i < 100; ++i) accents += "\xC3\xA9";
    // The limit falls after the first byte of a two-byte character.
    const size_t before = std::string("The model file " + folder + "deep/").size();
    const std::string deep = "deep/" + std::string((PF_MAX_EFFECT_MSG_LEN - before) % 2 ? 0 : 1, 'a') + accents +
                             "/broken.moc";
    file(deep, "not a model");
    const CommandResult cut = pressLoad(*instance, R"([{"chooseModel": ")" + deep + R"("}, {"press": "OK"}])");
    ASSERT_EQ(cut.message.size(), size_t(PF_MAX_EFFECT_MSG_LEN) - 1) << cut.message;
    EXPECT_EQ(cut.message, ("The model file " + folder + deep).substr(0, cut.message.size()));
}

TEST_F(DialogTest, TheUserActsOnlyOnControlsTheScriptBuilt)
{
    model("a.moc");
    file("m.json", R"({"model": "a.moc", "textures": []})");
    const struct {
        const char* actions;
        std::string error;
    } cases[] = {
        {R"([{"press": "Apply"}])", "load[0] (press \"Apply\"): the dialog has no button \"Apply\""},
        {R"([{"chooseJson": "m.json"}, {"press": "OK"}])",
         "load[0] (chooseJson \"m.json\"): the \"File\" button beside \"JSON:\" is disabled"},
        {R"([{"select": "JSON"}, {"chooseModel": "a.moc"}])",
         "load[1] (chooseModel \"a.moc\"): the \"File\" button beside \"Model:\" is disabled"},
        {R"([{"select": "Both"}])", "load[0] (select \"Both\"): the dialog has no radio button \"Both\""},
        {R"([{"chooseModel": "a.moc"}])", "the user's actions ended with the dialog \"Load Tavrix Model\" still open"},
        {R"([{"press": "Cancel"}, {"press": "OK"}])", "load[1] (press \"OK\"): no dialog was open for it"},
    };
    EffectInstance* instance = apply(100, 100);
    ASSERT_NE(instance, nullptr);
    for (const auto& c : cases) {
        CommandResult result = pressLoad(*instance, c.actions);
        EXPECT_EQ(result.err, A_Err_SCRIPT_FAILED) << c.actions;
        EXPECT_EQ(result.message, c.error);
        EXPECT_EQ(savedState(*instance), "") << c.actions;
    }
}

TEST_F(DialogTest, TheDialogAsBuiltAndItsFileDialogs)
{
    model("a.moc");
    texture("b.png", {1, 2, 3, 255});
    file("m.json", R"({"model": "a.moc", "textures": []})");
    EffectInstance* instance = apply(100, 100);
    ASSERT_NE(instance, nullptr);
    pressLoad(*instance, R"([{"chooseModel": "a.moc"}, {"chooseTextures": "b.png"}, {"select": "JSON"},
                             {"chooseJson": "m.json"}, {"press": "OK"}])");
    EXPECT_EQ(scripts.transcript(),
              "show dialog \"Load Tavrix Model\" column alignChildren=fill\n"
              "  group row alignment=center,bottom\n"
              "    statictext \"Use: \"\n"
              "    radiobutton \"Model and Texture\" on\n"
              "    radiobutton \"JSON\" off\n"
              "  panel \"Model and Texture\" column alignChildren=right,top\n"
              "    group row\n"
              "      statictext \"Model:\"\n"
              "      edittext characters=25\n"
              "      button \"File\"\n"
              "    group row\n"
              "      statictext \"Texture(s):\"\n"
              "      edittext characters=25\n"
              "      button \"File\"\n"
              "  panel \"JSON\" column alignChildren=right,top disabled\n"
              "    group row\n"
              "      statictext \"JSON:\"\n"
              "      edittext characters=25\n"
              "      button \"File\"\n"
              "  group row alignment=center\n"
              "    button \"OK\" name=ok\n"
              "    button \"Cancel\" name=cancel\n"
              "user: chooseModel \"a.moc\"\n"
              "file dialog \"Choose a model file.\" filter \"Tavrix model:*.moc,All:*.*\" single\n"
              "  chose " + folder + "a.moc\n"
              "user: chooseTextures \"b.png\"\n"
              "file dialog \"Choose texture file(s).\" filter \"Texture Image:*.png;*.jpg,All:*.*\" multiple\n"
              "  chose " + folder + "b.png\n"
              "user: select \"JSON\"\n"
              "user: chooseJson \"m.json\"\n"
              "file dialog \"Choose a JSON file.\" filter \"JSON:*.json,All:*.*\" single\n"
              "  chose " + folder + "m.json\n"
              "user: press \"OK\"\n"
              "closed with 1");
}

TEST_F(DialogTest, TheFallbackSerializerWritesWhatTheEnginesWrites)
{
    // Names that need escaping in JSON or in a URI, and characters beyond
    // U+FFFF, which the engine keeps as surrogate pairs.
    const std::vector<std::string> names = {"q\"uote\tand.moc", "caf\xC3\xA9 100% %41.png",
                                            "emoji \xF0\x9F\x98\x80.png", "line\x01" "feed\xE2\x80\xA8.png"};
    std::vector<std::string> textures;
    for (size_t i = 1; i < names.size(); ++i) textures.push_back(file(names[i], ""));
    const std::string moc = file(names[0], "");
    Json::Value chosen(Json::arrayValue);
    for (size_t i = 1; i < names.size(); ++i) chosen.append(names[i]);
    Json::Value actions(Json::arrayValue);
    actions.append(Json::Value());
    actions[0]["chooseModel"] = names[0];
    actions.append(Json::Value());
    actions[1]["chooseTextures"] = chosen;
    actions.append(Json::Value());
    actions[2]["press"] = "OK";
    const std::string actionsText = Json::writeString(Json::StreamWriterBuilder(), actions);

    EffectInstance* instance = apply(100, 100);
    ASSERT_NE(instance, nullptr);
    pressLoad(*instance, actionsText);
    const std::string engines = scriptResult;
    scripts.setHideJson(true);
    pressLoad(*instance, actionsText);
    EXPECT_EQ(scriptResult, engines);
    EXPECT_NE(scripts.transcript().find("show dialog"), std::string::npos) << "the dialog ran without JSON";

    Json::Value read;
    ASSERT_TRUE(Json::Reader().parse(engines, read)) << engines;
    EXPECT_EQ(read["modelPath"].asString(), moc) << "chosen names come back exactly";
    ASSERT_EQ(read["texturePaths"].size(), textures.size());
    for (Json::ArrayIndex i = 0; i < textures.size(); ++i) EXPECT_EQ(read["texturePaths"][i].asString(), textures[i]);
    EXPECT_NE(engines.find("\\u2028"), std::string::npos) << engines;
}

TEST_F(DialogTest, AModelWithThreeHundredParametersFillsEverySlider)
{
    std::vector<std::string> ids;
    for (int i = 1; i < 300; ++i) ids.push_back("PARAM_P" + std::to_string(i));
    model("big.moc", ids);
    EffectInstance* instance = apply(100, 100);
    ASSERT_NE(instance, nullptr);
    ASSERT_EQ(pressLoad(*instance, R"([{"chooseModel": "big.moc"}, {"press": "OK"}])").err, PF_Err_NONE);
    // Slider 0 is the flat model's own parameter; the others carry P1..P255.
    for (int i = 1; i < 256; ++i) {
        const EffectInstance::Param& slider = instance->param(kFirstSlider + i);
        ASSERT_EQ(slider.streamName, "P" + std::to_string(i));
        ASSERT_FALSE(slider.hidden) << i;
        ASSERT_EQ(slider.def.u.fs_d.value, 1.5) << i;
        ASSERT_EQ(slider.def.u.fs_d.valid_min, -10.0f) << i;
        ASSERT_EQ(slider.def.u.fs_d.slider_max, 10.0f) << i;
    }
}

TEST_F(DialogTest, TheHostWithTheOtherApplicationIdOnlyGetsAMessage)
{
    EffectInstance* instance = apply(100, 100);
    ASSERT_NE(instance, nullptr);
    host.setApplicationId(PF_FOUR_CHAR('P', 'r', 'M', 'r'));
    host.calls().setRecording(true);
    CommandResult result = pressLoad(*instance, R"([{"press": "OK"}])");
    EXPECT_EQ(result.err, PF_Err_NONE);
    EXPECT_EQ(result.message, "Load Model.");
    EXPECT_EQ(host.calls().count("AEGP_ExecuteScript"), 0);
    EXPECT_EQ(host.calls().count("AEGP_StartUndoGroup"), 0);
}

} // namespace
