// The substitute host's own pieces: handles, pixel work, keyframes, saved
// states and project files.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "HandleTable.h"
#include "HostLog.h"
#include "HostWorld.h"
#include "ParamTrack.h"
#include "ProjectFile.h"
#include "SavedState.h"
#include "ScriptEngine.h"
#include "WorldOps.h"
#include "support/Files.h"

using namespace tavrix_host;
using namespace tavrix_project;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

namespace {

TEST(HandleTable, LocksNestAndMisuseIsReportedNotFollowed)
{
    HostLog log;
    HandleTable handles(log, "handle", false);
    uintptr_t id = handles.create(8);
    ASSERT_NE(id, 0u);
    auto* first = static_cast<uint8_t*>(handles.lock(id));
    first[0] = 42;
    EXPECT_EQ(handles.lock(id), first) << "a nested lock keeps the address";
    EXPECT_EQ(handles.lockCount(id), 2);
    handles.unlock(id);
    handles.unlock(id);
    auto* again = static_cast<uint8_t*>(handles.lock(id));
    EXPECT_EQ(again[0], 42) << "the contents move with the block";
    handles.unlock(id);
    EXPECT_TRUE(log.getMisuses().empty());

    handles.unlock(id);
    handles.dispose(id);
    EXPECT_EQ(handles.lock(id), nullptr);
    handles.dispose(id);
    handles.unlock(0);
    ASSERT_EQ(log.getMisuses().size(), 4u);
    EXPECT_EQ(log.getMisuses()[0], "unlock of a handle that is not locked");
    EXPECT_EQ(log.getMisuses()[1], "lock of a disposed handle");
    EXPECT_EQ(log.getMisuses()[2], "dispose of a disposed handle");
    EXPECT_EQ(log.getMisuses()[3], "unlock of a null handle");

    uintptr_t locked = handles.create(4);
    handles.lock(locked);
    handles.dispose(locked);
    EXPECT_EQ(log.getMisuses().back(), "dispose of a locked handle");
    EXPECT_EQ(handles.create(HandleTable::MAX_BLOCK_SIZE + 1), 0u) << "refused like memory running out";
}

PF_Pixel pixel(int a, int r, int g, int b)
{
    return PF_Pixel{static_cast<uint8_t>(a), static_cast<uint8_t>(r), static_cast<uint8_t>(g), static_cast<uint8_t>(b)};
}

TEST(WorldOps, UnpremultiplyRoundsAndClearsTransparentPixels)
{
    const struct {
        PF_Pixel premultiplied;
        PF_Pixel straight;
    } cases[] = {
        {pixel(255, 10, 20, 30), pixel(255, 10, 20, 30)},
        {pixel(128, 64, 128, 0), pixel(128, 128, 255, 0)},
        {pixel(0, 5, 5, 5), pixel(0, 0, 0, 0)},
        {pixel(10, 20, 5, 10), pixel(10, 255, 128, 255)},
    };
    HostWorld world(3, 1);
    for (const auto& c : cases) {
        world.at(1, 0) = c.premultiplied;
        WorldOps::unpremultiply(world.world());
        const PF_Pixel& p = world.at(1, 0);
        EXPECT_EQ(std::vector<int>({p.alpha, p.red, p.green, p.blue}),
                  std::vector<int>({c.straight.alpha, c.straight.red, c.straight.green, c.straight.blue}));
    }
}

TEST(WorldOps, CompositingOverTransparentKeepsTheLayerExactly)
{
    HostWorld layer(2, 1);
    layer.at(0, 0) = pixel(77, 1, 2, 3);
    layer.at(1, 0) = pixel(128, 255, 0, 0);
    std::vector<uint8_t> frame(4 * 4, 0);
    frame[4 + 0] = 0;
    frame[4 + 2] = 255;
    frame[4 + 3] = 255; // blue, opaque, under the second pixel
    WorldOps::compositeOver(layer.world(), 0, 0, frame, 4, 1);
    EXPECT_EQ(std::vector<uint8_t>(frame.begin(), frame.begin() + 4), std::vector<uint8_t>({1, 2, 3, 77}));
    EXPECT_EQ(std::vector<uint8_t>(frame.begin() + 4, frame.begin() + 8), std::vector<uint8_t>({128, 0, 127, 255}));
}

TEST(ParamTrack, LinearBetweenKeysConstantOutside)
{
    ParamTrack track;
    track.add(10, 0, 100);
    track.add(20, 50, 0);
    const struct {
        double frame, x, y;
    } cases[] = {{0, 0, 100}, {10, 0, 100}, {15, 25, 50}, {17.5, 37.5, 25}, {20, 50, 0}, {99, 50, 0}};
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(track.valueAt(c.frame).x, c.x) << c.frame;
        EXPECT_DOUBLE_EQ(track.valueAt(c.frame).y, c.y) << c.frame;
    }
}

TEST(SavedState, BlockRoundTripAndUnterminatedText)
{
    const std::string text = "{\"modelPath\":\"/a.moc\"}";
    std::vector<uint8_t> block = SavedState::blockFor(text);
    EXPECT_EQ(block.size(), text.size() + 16);
    EXPECT_EQ(SavedState::textOf(block), text);
    block.resize(14 + 5);
    EXPECT_EQ(SavedState::textOf(block), text.substr(0, 5));
}

// A small valid project, with ${...} replaced by the case's members.
std::string project(const std::string& composition, const std::string& layers)
{
    return "{\"composition\": {" + composition + "}, \"layers\": [" + layers + "]}";
}

const std::string COMP = "\"width\": 64, \"height\": 32, \"frameRate\": 24, \"frameCount\": 10";

TEST(ProjectFile, RefusalsNameTheMemberAndTheFault)
{
    const struct {
        std::string text;
        std::string message;
    } cases[] = {
        {"{\"composition\": ", "p.json: not valid JSON: Line 1, Column 17: "},
        {"[]", "p.json: (document): must be an object"},
        {"{\"layers\": []}", "p.json: composition: is missing"},
        {project("\"width\": 0, \"height\": 32, \"frameRate\": 24, \"frameCount\": 10", ""),
         "p.json: composition.width: must lie between 1 and 16384 (is 0)"},
        {project("\"width\": 6.5, \"height\": 32, \"frameRate\": 24, \"frameCount\": 10", ""),
         "p.json: composition.width: must be a whole number"},
        {project("\"width\": 64, \"height\": 32, \"frameRate\": \"24\", \"frameCount\": 10", ""),
         "p.json: composition.frameRate: must be a number"},
        {project(COMP + ", \"fps\": 3", ""), "p.json: composition.fps: unknown member"},
        {project(COMP, "{\"source\": {\"type\": \"video\"}}"),
         "p.json: layers[0].source.type: must be \"transparent\", \"solid\" or \"png\""},
        {project(COMP, "{}, {\"source\": {\"type\": \"solid\", \"color\": \"#12345\"}}"),
         "p.json: layers[1].source.color: must be a colour #rrggbb or #rrggbbaa"},
        {project(COMP, "{\"effect\": {\"params\": {\"ANGLE_X\": \"up\"}}}"),
         "p.json: layers[0].effect.params.ANGLE_X: must be a number"},
        {project(COMP, "{\"effect\": {\"params\": {\"Position\": [1, 2, 3]}}}"),
         "p.json: layers[0].effect.params.Position: a point must be [x, y]"},
        {project(COMP, "{\"effect\": {\"params\": {\"Scale\": {\"keys\": [{\"frame\": 5, \"value\": 1}, "
                       "{\"frame\": 5, \"value\": 2}]}}}}"),
         "p.json: layers[0].effect.params.Scale.keys[1].frame: must come after the frame of the key before"},
        {project(COMP, "{\"effect\": {\"params\": {\"Scale\": {\"keys\": [{\"value\": 1}]}}}}"),
         "p.json: layers[0].effect.params.Scale.keys[0].frame: is missing"},
        {project(COMP, "{\"effect\": {\"state\": 3}}"), "p.json: layers[0].effect.state: must be a string"},
        {project(COMP, "{\"source\": {\"type\": \"png\", \"path\": \"/no/such.png\"}}"),
         "p.json: layers[0].source.path: '/no/such.png': failed to open file for reading"},
        {std::string(5000, '['), "p.json: not valid JSON: the document is nested too deeply"},
    };
    for (const auto& c : cases) {
        Project parsed;
        std::string error;
        EXPECT_FALSE(ProjectFile::parse(c.text, "p.json", parsed, error)) << c.text;
        EXPECT_THAT(error, StartsWith(c.message)) << c.text;
        EXPECT_THAT(error, Not(HasSubstr("\n"))) << "one line";
    }
}

TEST(ProjectFile, AFileThatNeverEndsIsRefusedAfterTheSizeLimit)
{
    Project project;
    std::string error;
    EXPECT_FALSE(ProjectFile::load("/dev/zero", project, error));
    EXPECT_EQ(error, "/dev/zero: is larger than 64 MB, more than such a file holds");
    EXPECT_FALSE(ProjectFile::load("/no/such/project.json", project, error));
    EXPECT_EQ(error, "/no/such/project.json: cannot be read");
}

TEST(ProjectFile, ReadsLayersAndKeysAndSavesOnlyTheStates)
{
    const std::string text =
        project(COMP, "{\"effect\": {\"state\": \"old\", \"params\": {\"Scale\": 50, \"Position\": {\"keys\": ["
                      "{\"frame\": 0, \"value\": [1, 2]}, {\"frame\": 9, \"value\": [3, 4]}]}}}},"
                      "{\"source\": {\"type\": \"solid\", \"color\": \"#ff800040\"}, \"width\": 8}");
    Project parsed;
    std::string error;
    ASSERT_TRUE(ProjectFile::parse(text, "/tmp/x/p.json", parsed, error)) << error;
    ASSERT_EQ(parsed.layers.size(), 2u);
    EXPECT_EQ(parsed.layers[0].width, 64) << "the composition's size by default";
    EXPECT_EQ(parsed.layers[1].width, 8);
    EXPECT_EQ(parsed.layers[1].height, 32);
    EXPECT_EQ(std::vector<int>(parsed.layers[1].colour, parsed.layers[1].colour + 4), std::vector<int>({255, 128, 0, 64}));
    const Project::Effect& effect = parsed.layers[0].effect;
    EXPECT_EQ(effect.state, "old");
    ASSERT_EQ(effect.params.size(), 2u);
    const Project::ParamSetting& position = effect.params[0].key == "Position" ? effect.params[0] : effect.params[1];
    ASSERT_EQ(position.keys.size(), 2u);
    EXPECT_EQ(position.keys[1].frame, 9);
    EXPECT_EQ(position.keys[1].y, 4);
    EXPECT_EQ(position.where, "layers[0].effect.params.Position");

    tavrix_test::ScratchFolder scratch("project");
    const std::string out = scratch / "saved_project.json";
    ASSERT_TRUE(ProjectFile::save(parsed, {"new state", ""}, out, error)) << error;
    Project reread;
    ASSERT_TRUE(ProjectFile::load(out, reread, error)) << error;
    EXPECT_EQ(reread.layers[0].effect.state, "new state");
    EXPECT_FALSE(reread.layers[1].effect.present) << "no effect is added to a layer without one";
    EXPECT_EQ(reread.layers[0].effect.params.size(), 2u);

    EXPECT_FALSE(ProjectFile::save(parsed, {"x"}, "/no/such/folder/p.json", error));
    EXPECT_EQ(error, "cannot write '/no/such/folder/p.json': No such file or directory");
}

TEST(ScriptEngine, ValuesErrorsAndTheToolkitsFiles)
{
    tavrix_test::ScratchFolder scratch("script");
    const std::string readable = tavrix_test::writeFile(scratch / "readable.txt", "caf\xC3\xA9 \xF0\x9F\x98\x80");
    const struct {
        std::string script;
        bool hideJson;
        bool runs;
        std::string text;
    } cases[] = {
        {"'a' + 'b'", false, true, "ab"},
        {"undefined", false, true, ""},
        {"'\\uD83D\\uDE00'", false, true, "\xF0\x9F\x98\x80"},
        {"typeof JSON", true, true, "undefined"},
        {"new File('~/x').fsName + ' ' + Folder('~').fsName", false, true, "/home/u/x /home/u"},
        {"new File('/a b/c%.txt').absoluteURI", false, true, "/a%20b/c%25.txt"},
        {"var f = new File('" + readable + "'); f.open('r') ? f.read().length + ' ' + f.read() : 'closed'", false, true,
         "7 "},
        {"new File('/no/such/file').open('r')", false, true, "false"},
        {"throw new Error('in the words of the script')", false, false, "in the words of the script"},
        {"null.x", false, false, "TypeError: "},
        {"var = ;", false, false, "SyntaxError: "},
        {"File.openDialog('Pick', '*.*', false)", false, false,
         "the file dialog \"Pick\" opened, but no action of the user answers it"},
        {"new Window('palette', 'P')", false, false, "this host shows modal dialogs only, not a 'palette' window"},
        {"new Window('dialog', 'D').show()", false, false, "the user's actions ended with the dialog \"D\" still open"},
    };
    ScriptEngine engine;
    engine.setHomeFolder("/home/u");
    for (const auto& c : cases) {
        engine.setHideJson(c.hideJson);
        std::string result;
        std::string error;
        EXPECT_EQ(engine.run(c.script, DialogSession(), result, error), c.runs) << c.script << ": " << error;
        const std::string& text = c.runs ? result : error;
        EXPECT_THAT(text, StartsWith(c.text)) << c.script;
    }
    }

TEST(DialogSession, RefusalsNameTheAction)
{
    tavrix_test::ScratchFolder scratch("session");
    const std::string existing = tavrix_test::writeFile(scratch / "existing.png", "x");
    const struct {
        std::string actions;
        std::string error;
    } cases[] = {
        {"{}", "load: must be an array of the user's actions"},
        {R"([{"press": "OK"}, "OK"])", "load[1]: must be an object with one member"},
        {R"([{"click": "OK"}])", "load[0].click: unknown action"},
        {R"([{"press": 1}])", "load[0].press: must be the text of a control"},
        {R"([{"chooseTextures": []}])", "load[0].chooseTextures: must name at least one file (null chooses none)"},
        {R"([{"chooseTextures": [")" + existing + R"(", "gone.png"]}])",
         "load[0].chooseTextures[1]: '/nowhere/gone.png': no such file"},
        {R"([{"chooseModel": ["a.moc"]}])", "load[0].chooseModel: must be a file path"},
    };
    for (const auto& c : cases) {
        DialogSession session;
        std::string error;
        EXPECT_FALSE(DialogSession::parse(c.actions, "load", "/nowhere/", session, error)) << c.actions;
        EXPECT_THAT(error, StartsWith(c.error));
        EXPECT_TRUE(session.actions.empty());
    }
}

} // namespace
