// tavrix play: motions, lip sync from a sound, blinking and hair physics
// played on a model, frame by frame on a fixed clock, written as PNG frames,
// a clip with the sound, and/or parameter values.
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unistd.h>
#include <vector>

#include "ATavrixModel.h"
#include "AudioFile.h"
#include "TextValues.h"
#include "CommandTable.h"
#include "FrameOutput.h"
#include "FrameRange.h"
#include "ImageFile.h"
#include "JsonOut.h"
#include "LipSync.h"
#include "ModelDrawing.h"
#include "ModelFiles.h"
#include "ModelContext.h"
#include "OutputOptions.h"
#include "PhysicsFile.h"
#include "Playback.h"
#include "Progress.h"
#include "Puppet.h"
#include "RuntimeMessages.h"
#include "Tavrix.h"
#include "TavrixModelOpenGL.h"
#include "id/ParamID.h"
#include "type/LDString.h"

namespace tavrix_tool {

using namespace tavrix_media;
using namespace tavrix_stage;

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
    std::string lipSyncText;
    LipSyncSettings lipSync;
    int fps = 30;
    double duration = -1.0;
    std::string sizeText;
    std::string outputPattern = "out/frame_####.png";
    OutputSettings output;
    std::optional<int> start;
    std::optional<int> end;
    std::string paramsJsonPath;
    bool noImages = false;
    bool quiet = false;
    bool verbose = false;
};

struct MotionArgument {
    std::string path;
    double startSeconds = 0.0;
};

// The sound of --lipsync, decoded before the model loads, and the
// parameter it moves.
struct LipSyncRun {
    std::string path;
    std::string param = "PARAM_MOUTH_OPEN_Y";
    AudioTrack sound;
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

// AUDIO or AUDIO:PARAM. The ':' belongs to the file name when the whole text
// names a file, or when what follows it cannot be a parameter name.
void parseLipSyncArgument(const std::string& text, LipSyncRun& run)
{
    run.path = text;
    size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0 || colon + 1 == text.size()) return;
    if (text.find('/', colon) != std::string::npos || access(text.c_str(), F_OK) == 0) return;
    run.path = text.substr(0, colon);
    run.param = text.substr(colon + 1);
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

// Frames whose time lies before the end of a span of seconds.
int framesBefore(double seconds, int fps)
{
    return static_cast<int>(std::ceil(seconds * fps - 1e-9));
}

// The frame count of a run: --duration's frames, or up to the end of the
// longest motion or of the lip-sync sound; -e may reach beyond either.
int frameCountOf(const PlayOptions& options, const Playback& playback, const LipSyncRun* lipSync)
{
    int count;
    if (options.duration > 0.0) {
        count = framesBefore(options.duration, options.fps);
    } else {
        count = playback.framesToCoverMotions();
        if (lipSync) count = std::max(count, framesBefore(lipSync->sound.seconds(), options.fps));
        if (count == 0) count = static_cast<int>(DEFAULT_SECONDS * options.fps);
    }
    if (count < 1) count = 1;
    if (options.end && *options.end >= count) count = *options.end + 1;
    return count;
}

// Where drawn frames go when a run writes images.
struct FrameImages {
    Stage& stage;
    Puppet& puppet;
    FrameOutput& output;
    int width;
    int height;
};

// Plays frames 0 to the last one asked for; the frames in range are drawn
// and written (with images) and recorded as parameter lines.
int playFrames(tavrix::ATavrixModel& model, const PlayOptions& options, Playback& playback, const LipSyncRun* lipSync,
               FrameImages* images)
{
    std::string why;
    FrameRange range;
    range.start = options.start;
    range.end = options.end;
    std::vector<int> frames;
    if (!range.resolve(frameCountOf(options, playback, lipSync), frames, why)) return fail(why, EXIT_USAGE);
    if (images && !images->output.start(images->width, images->height, options.fps, frames, why)) {
        return fail(why);
    }

    Progress progress("played", static_cast<int>(frames.size()),
                      options.quiet ? Verbosity::QUIET : options.verbose ? Verbosity::VERBOSE : Verbosity::NORMAL);
    std::string paramsText;
    RgbaImage image;
    size_t next = 0;
    for (int frame = 0; frame <= frames.back(); ++frame) {
        playback.advanceTo(frame);
        model.update();
        if (frames[next] != frame) continue;
        ++next;
        std::string error;
        if (images) {
            if (!images->stage.draw(images->puppet, images->width, images->height, image, error) ||
                (!images->output.write(frame, image, error) && images->output.isVideo())) {
                images->output.abandon();
                progress.frameDone(frame, error);
                return fail(error);
            }
        }
        if (!options.paramsJsonPath.empty()) {
            paramsText += paramsLine(frame, playback.timeOfFrame(frame), *model.getModelContext());
        }
        progress.frameDone(frame, error);
    }

    std::string destination = images ? images->output.destination() : options.paramsJsonPath;
    if (images && !images->output.finish(why)) return fail(why);
    if (!options.paramsJsonPath.empty()) {
        if (!writeFileAtomically(options.paramsJsonPath, std::vector<uint8_t>(paramsText.begin(), paramsText.end()),
                                 why)) {
            return fail(why);
        }
        if (images) destination += " and " + options.paramsJsonPath;
    }
    progress.finish(destination);
    return progress.failures() > 0 ? EXIT_FAILED : EXIT_OK;
}

// Loads the motions and the rest of the run's set-up onto model, then plays.
int playOn(tavrix::ATavrixModel& model, const PlayOptions& options, const std::vector<MotionArgument>& motions,
           const std::vector<HairSetup>& hairs, const LipSyncRun* lipSyncRun, const std::string& modelPath,
           FrameImages* images)
{
    Playback playback(model, options.fps);
    std::string why;
    std::unique_ptr<LipSync> lipSync;
    if (lipSyncRun) {
        const std::vector<PuppetParam> params = modelParams(model);
        const auto mouth = std::find_if(params.begin(), params.end(),
                                        [&](const PuppetParam& param) { return param.id == lipSyncRun->param; });
        if (mouth == params.end() || mouth->row < 0) {
            return fail(modelPath + ": the model has no parameter " + lipSyncRun->param + " for --lipsync");
        }
        lipSync = std::make_unique<LipSync>(lipSyncRun->sound, options.lipSync);
        playback.setLipSync(*lipSync, mouth->row, mouth->min, mouth->max);
    }
    for (const MotionArgument& motion : motions) {
        if (!playback.addMotion(motion.path, motion.startSeconds, options.loop, why)) return fail(motion.path + ": " + why);
    }
    if (options.blinkSeed >= 0) playback.enableBlink(static_cast<unsigned>(options.blinkSeed));
    playback.addHairs(hairs);
    return playFrames(model, options, playback, lipSyncRun, images);
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
    if (!options.paramsJsonPath.empty() && !canWriteFile(options.paramsJsonPath, why)) {
        return fail("--params-json: " + why);
    }
    int width = 0;
    int height = 0;
    const bool sizeGiven = !options.sizeText.empty();
    if (sizeGiven && !parseImageSize(options.sizeText, width, height, why)) return fail("--size: " + why, EXIT_USAGE);
    FrameOutput output;
    if (!options.noImages && !output.prepare(options.outputPattern, options.output, false, why)) {
        return fail(why, EXIT_USAGE);
    }
    std::vector<MotionArgument> motions;
    for (const std::string& text : options.motionTexts) motions.push_back(parseMotionArgument(text));
    std::vector<HairSetup> hairs;
    if (!options.physicsPath.empty() && !readPhysicsFile(options.physicsPath, hairs, why)) {
        return fail(options.physicsPath + ": " + why);
    }
    std::unique_ptr<LipSyncRun> lipSync;
    if (!options.lipSyncText.empty()) {
        lipSync = std::make_unique<LipSyncRun>();
        parseLipSyncArgument(options.lipSyncText, *lipSync);
        if (!readAudioFile(lipSync->path, lipSync->sound, why)) return fail("--lipsync: " + why);
        // A clip carries the sound it was made from.
        output.setSoundtrack(&lipSync->sound);
    }
    ModelFiles files;
    if (!resolveModelFiles(options.modelPath, {}, files, why)) return fail(why);

    showRuntimeMessages(options.verbose);
    if (options.noImages) {
        // Parameter values need no OpenGL: a bare model evaluates the same.
        tavrix::Tavrix::init();
        int status;
        {
            tavrix::ATavrixModel model;
            int result = tavrix::ATavrixModel::loadModel_exe(&model, tavrix::LDString(files.model.c_str()));
            status = result == tavrix::ATavrixModel::LOAD_OK
                ? playOn(model, options, motions, hairs, lipSync.get(), files.model, nullptr)
                : fail(describeLoadFailure(files.model, result));
        }
        tavrix::Tavrix::dispose();
        return status;
    }

    Stage stage;
    std::unique_ptr<Puppet> puppet = startModelDrawing(stage, files, sizeGiven, width, height, "play", why);
    if (!puppet) return fail(why);
    FrameImages images{stage, *puppet, output, width, height};
    return playOn(puppet->model(), options, motions, hairs, lipSync.get(), files.model, &images);
}

} // namespace

void addPlayCommand(CLI::App& tool, CommandTable& table)
{
    auto options = std::make_shared<PlayOptions>();
    CLI::App* command = tool.add_subcommand("play", "play motions on a model and render the frames");
    command->footer(
        "Plays motions (.mtn text or .mtnb binary), lip sync from a sound, automatic blinking and hair\n"
        "physics on a model and draws each frame. Frame k has the time trunc(k * 1000 / fps) ms. Each frame:\n"
        "motions whose start has come are queued (in command-line order, fading out those already\n"
        "playing), the queue writes its values, the sound's loudness just before k / fps seconds sets the\n"
        "mouth, the eyes blink, each hair swings, then the model is evaluated and drawn. A sub-range is\n"
        "simulated from frame 0, so its frames equal those of a full run. A video gets the sound too.\n\n"
        "Examples:\n"
        "  tavrix play puppet.json --motion wave.mtn --motion nod.mtn@1.5 --blink 7 -o out/frame_####.png\n"
        "  tavrix play puppet.json --lipsync line.wav --blink 7 -o out/talking.webm\n"
        "  tavrix play puppet.moc --motion wave.mtn --loop --duration 10 -s 90 -e 120 \\\n"
        "      --params-json params.jsonl --no-images");
    command->add_option("MODEL", options->modelPath, "the .moc model file or a model JSON file")->required();
    addRepeatedOption(command, "--motion", options->motionTexts, "FILE[@SECONDS]",
                      "a motion file, started at SECONDS (default 0) through the motion queue (repeatable)");
    command->add_flag("--loop", options->loop, "restart each motion at its end instead of finishing it");
    command->add_option("--blink", options->blinkSeed, "blink the eyes, with random intervals seeded by SEED")
        ->type_name("SEED")
        ->check(CLI::Range(0LL, 4294967295LL));
    command->add_option("--physics", options->physicsPath, "swing hairs set up by a JSON file (see README)")
        ->type_name("FILE");
    CLI::Option* lipSync =
        command->add_option("--lipsync", options->lipSyncText,
                            "move PARAM (default PARAM_MOUTH_OPEN_Y) with the loudness of a sound file; "
                            "a video gets the sound")
            ->type_name("AUDIO[:PARAM]");
    command->add_option("--lipsync-gain", options->lipSync.gain, "loudness (RMS) times G opens fully at 1 (default 5)")
        ->type_name("G")
        ->check(CLI::Range(0.0, LipSyncSettings::MAX_GAIN))
        ->needs(lipSync);
    command->add_option("--lipsync-gate", options->lipSync.gate, "loudness below LEVEL is silence (default 0.01)")
        ->type_name("LEVEL")
        ->check(CLI::Range(0.0, LipSyncSettings::MAX_GATE))
        ->needs(lipSync);
    command->add_option("--lipsync-smoothing", options->lipSync.smoothingSeconds,
                        "how far back each frame listens; the mouth closes this long after the sound stops "
                        "(default 0.1)")
        ->type_name("SECONDS")
        ->check(CLI::Range(LipSync::LOUDNESS_WINDOW_SECONDS, LipSyncSettings::MAX_SMOOTHING_SECONDS))
        ->needs(lipSync);
    command->add_option("--fps", options->fps, "frames per second (default 30)")->type_name("N");
    command->add_option("--duration", options->duration,
                        "length of the run (default: until the longest motion or the --lipsync sound ends, else 5 s)")
        ->type_name("SECONDS")
        ->check(CLI::PositiveNumber);
    command->add_option("--size", options->sizeText, "image size (default: the canvas, at most 4096 a side)")
        ->type_name("WxH");
    command->add_option("-o,--output", options->outputPattern,
                        "frame files: #### or %04d stands for the frame number (default out/frame_####.png); "
                        "a .mp4, .webm or .mov name writes one video at --fps")
        ->type_name("PATTERN");
    addOutputOptions(command, options->output);
    command->add_option("-s,--start", options->start, "first frame to write (default 0)")->type_name("START");
    command->add_option("-e,--end", options->end, "last frame to write (default: the last of the run)")
        ->type_name("END");
    command->add_option("--params-json", options->paramsJsonPath,
                        "write every frame's parameter values, one JSON object per line")
        ->type_name("FILE");
    command->add_flag("--no-images", options->noImages, "write no frame images (only --params-json)");
    command->add_flag("-q,--quiet", options->quiet, "no progress, only errors and failures");
    command->add_flag("-v,--verbose", options->verbose, "a line per frame and the runtime's own diagnostics");
    table.add(command, [options] { return runPlay(*options); });
}

} // namespace tavrix_tool
