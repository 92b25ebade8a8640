// tavrix play: motions, blinking and hair physics played on a model, frame
// by frame on a fixed clock, written as PNG frames and/or parameter values.
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ATavrixModel.h"
#include "CommandOptions.h"
#include "CommandTable.h"
#include "FrameRange.h"
#include "ImageFile.h"
#include "JsonOut.h"
#include "ModelContext.h"
#include "OutputPattern.h"
#include "PhysicsFile.h"
#include "Playback.h"
#include "Progress.h"
#include "RuntimeOutput.h"
#include "Tavrix.h"
#include "id/ParamID.h"
#include "type/LDString.h"

namespace tavrix_tool {

namespace {

const int MAX_FPS = 1000;
// Without motions and without --duration a run lasts this long.
const double DEFAULT_SECONDS = 5.0;

struct PlayOptions {
    std::string modelPath;
    std::vector<std::string> motionTexts;
    bool loop = false;
    long long blinkSeed = -1;
    std::string physicsPath;
    int fps = 30;
    double duration = -1.0;
    std::string sizeText;
    std::string outputPattern = "out/frame_####.png";
    int start = -1;
    int end = -1;
    std::string paramsJsonPath;
    bool noImages = false;
    bool quiet = false;
    bool verbose = false;
};

struct MotionArgument {
    std::string path;
    double startSeconds = 0.0;
};

int fail(const std::string& why, int status = EXIT_FAILED)
{
    std::fprintf(stderr, "tavrix play: %s\n", why.c_str());
    return status;
}

// FILE or FILE@SECONDS; an '@' not followed by a number belongs to the name.
MotionArgument parseMotionArgument(const std::string& text)
{
    MotionArgument motion;
    motion.path = text;
    size_t at = text.rfind('@');
    if (at == std::string::npos || at == 0 || at + 1 == text.size()) return motion;
    const char* number = text.c_str() + at + 1;
    char* after = nullptr;
    errno = 0;
    double seconds = std::strtod(number, &after);
    if (*after != '\0' || errno != 0 || !std::isfinite(seconds) || seconds < 0.0) return motion;
    motion.path = text.substr(0, at);
    motion.startSeconds = seconds;
    return motion;
}

// One line of --params-json: every row of the parameter table, in order.
std::string paramsLine(int frame, int64_t timeMSec, tavrix::ModelContext& context)
{
    std::string line = "{\"frame\": " + std::to_string(frame) + ", \"timeMSec\": " + std::to_string(timeMSec) +
                       ", \"params\": {";
    for (int i = 0; i < context.getParamCount(); ++i) {
        tavrix::ParamID* id = context.getParamID(i);
        if (i > 0) line += ", ";
        line += JsonOut::string(id ? id->toChar() : "") + ": " + JsonOut::number(context.getParamFloat(i));
    }
    return line + "}}\n";
}

// The frame count of a run: --duration's frames (those before its end), or
// up to the end of the longest motion; -e may reach beyond either.
int frameCountOf(const PlayOptions& options, const Playback& playback)
{
    int count;
    if (options.duration > 0.0) {
        count = static_cast<int>(std::ceil(options.duration * options.fps - 1e-9));
    } else {
        count = playback.framesToCoverMotions();
        if (count == 0) count = static_cast<int>(DEFAULT_SECONDS * options.fps);
    }
    if (count < 1) count = 1;
    if (options.end + 1 > count) count = options.end + 1;
    return count;
}

// Plays frames 0 to the last one asked for on model; the frames in range
// are handed to writeImage (when set) and recorded as parameter lines.
int playFrames(tavrix::ATavrixModel& model, const PlayOptions& options, Playback& playback,
               const std::function<bool(int, std::string&)>& drawAndWrite, const OutputPattern& pattern)
{
    std::string why;
    FrameRange range;
    range.start = options.start;
    range.end = options.end;
    std::vector<int> frames;
    if (!range.resolve(frameCountOf(options, playback), frames, why)) return fail(why, EXIT_USAGE);

    bool writeImages = static_cast<bool>(drawAndWrite);
    Progress progress("played", static_cast<int>(frames.size()),
                      options.quiet ? Verbosity::QUIET : options.verbose ? Verbosity::VERBOSE : Verbosity::NORMAL);
    std::string paramsText;
    size_t next = 0;
    for (int frame = 0; frame <= frames.back(); ++frame) {
        playback.step(frame);
        model.update();
        if (next >= frames.size() || frames[next] != frame) continue;
        ++next;
        std::string error;
        if (writeImages) drawAndWrite(frame, error);
        if (!options.paramsJsonPath.empty()) {
            paramsText += paramsLine(frame, playback.timeOfFrame(frame), *model.getModelContext());
        }
        progress.frameDone(frame, error);
    }

    std::string destination = writeImages ? pattern.text() : options.paramsJsonPath;
    if (!options.paramsJsonPath.empty()) {
        if (!writeFileAtomically(options.paramsJsonPath,
                                 std::vector<uint8_t>(paramsText.begin(), paramsText.end()), why)) {
            progress.finish(destination);
            return fail(why);
        }
        if (writeImages) destination += " and " + options.paramsJsonPath;
    }
    progress.finish(destination);
    return progress.failures() > 0 ? EXIT_FAILED : EXIT_OK;
}

int runPlay(const PlayOptions& options)
{
    std::string why;
    if (options.fps < 1 || options.fps > MAX_FPS) {
        return fail("--fps " + std::to_string(options.fps) + " must be from 1 to " + std::to_string(MAX_FPS),
                    EXIT_USAGE);
    }
    if (options.noImages && options.paramsJsonPath.empty()) {
        return fail("--no-images writes nothing without --params-json", EXIT_USAGE);
    }
    OutputPattern pattern;
    if (!options.noImages && !pattern.parse(options.outputPattern, why)) return fail("-o: " + why, EXIT_USAGE);
    std::vector<HairSpec> hairs;
    if (!options.physicsPath.empty() && !readPhysicsFile(options.physicsPath, hairs, why)) {
        return fail(options.physicsPath + ": " + why);
    }
    if (!options.noImages) return fail("frame images are not available yet; use --no-images", EXIT_USAGE);

    int status = EXIT_OK;
    {
        RuntimeOutput output(options.verbose);
        tavrix::Tavrix::init();
        {
            tavrix::ATavrixModel model;
            int result = tavrix::ATavrixModel::loadModel_exe(&model, tavrix::LDString(options.modelPath.c_str()));
            if (result != tavrix::ATavrixModel::LOAD_OK) {
                std::string detail = output.lastErrorMessage();
                status = fail(options.modelPath + ": cannot load model: result " + std::to_string(result) + ", " +
                              describeLoadResult(result) + (detail.empty() ? "" : ": " + detail));
            } else {
                Playback playback(model, options.fps);
                for (const std::string& text : options.motionTexts) {
                    MotionArgument motion = parseMotionArgument(text);
                    if (!playback.addMotion(motion.path, motion.startSeconds, options.loop, why)) {
                        status = fail(motion.path + ": " + why);
                        break;
                    }
                }
                if (status == EXIT_OK) {
                    if (options.blinkSeed >= 0) playback.enableBlink(static_cast<unsigned>(options.blinkSeed));
                    playback.addHairs(hairs);
                    status = playFrames(model, options, playback, nullptr, pattern);
                }
            }
        }
        tavrix::Tavrix::dispose();
    }
    return status;
}

} // namespace

void addPlayCommand(CLI::App& tool, CommandTable& table)
{
    auto options = std::make_shared<PlayOptions>();
    CLI::App* command = tool.add_subcommand("play", "play motions on a model and render the frames");
    command->footer(
        "Plays motions (.mtn text or .mtnb binary), automatic blinking and hair physics on a model and\n"
        "draws each frame. Frame k has the time trunc(k * 1000 / fps) ms. Each frame: motions whose start\n"
        "has come are queued (in command-line order, fading out those already playing), the queue writes\n"
        "its values, the eyes blink, each hair swings, then the model is evaluated and drawn. A sub-range\n"
        "is simulated from frame 0, so its frames equal those of a full run.\n\n"
        "Examples:\n"
        "  tavrix play puppet.json --motion wave.mtn --motion nod.mtn@1.5 --blink 7 -o out/frame_####.png\n"
        "  tavrix play puppet.moc --motion wave.mtn --loop --duration 10 -s 90 -e 120 \\\n"
        "      --params-json params.jsonl --no-images");
    command->add_option("MODEL", options->modelPath, "the .moc model file or a model JSON file")->required();
    command->add_option("--motion", options->motionTexts,
                        "a motion file, started at SECONDS (default 0) through the motion queue (repeatable)")
        ->type_name("FILE[@SECONDS]")
        ->expected(1)
        ->allow_extra_args(false)
        ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
    command->add_flag("--loop", options->loop, "restart each motion at its end instead of finishing it");
    command->add_option("--blink", options->blinkSeed, "blink the eyes, with random intervals seeded by SEED")
        ->type_name("SEED")
        ->check(CLI::Range(0LL, 4294967295LL));
    command->add_option("--physics", options->physicsPath, "swing hairs set up by a JSON file (see README)")
        ->type_name("FILE");
    command->add_option("--fps", options->fps, "frames per second (default 30)")->type_name("N");
    command->add_option("--duration", options->duration,
                        "length of the run (default: until the longest motion ends, else 5 s)")
        ->type_name("SECONDS")
        ->check(CLI::PositiveNumber);
    command->add_option("--size", options->sizeText, "image size (default: the canvas, at most 4096 a side)")
        ->type_name("WxH");
    command->add_option("-o,--output", options->outputPattern,
                        "frame files: #### or %04d stands for the frame number (default out/frame_####.png)")
        ->type_name("PATTERN");
    command->add_option("-s,--start", options->start, "first frame to write (default 0)")->type_name("START")
        ->check(CLI::NonNegativeNumber);
    command->add_option("-e,--end", options->end, "last frame to write (default: the last of the run)")
        ->type_name("END")
        ->check(CLI::NonNegativeNumber);
    command->add_option("--params-json", options->paramsJsonPath,
                        "write every frame's parameter values, one JSON object per line")
        ->type_name("FILE");
    command->add_flag("--no-images", options->noImages, "write no frame images (only --params-json)");
    command->add_flag("-q,--quiet", options->quiet, "no progress, only errors and failures");
    command->add_flag("-v,--verbose", options->verbose, "a line per frame and the runtime's own diagnostics");
    table.add(command, [options] { return runPlay(*options); });
}

} // namespace tavrix_tool
