// tavrix play: motions, lip sync from a sound, blinking and hair physics
// played on a model, frame by frame on a fixed clock, written as PNG frames,
// a clip with the sound, and/or parameter values.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <optional>
#include <string>
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
#include "PlaybackSetup.h"
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
    std::vector<std::string> setTexts;
    std::string placeText;
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

int fail(const std::string& why, int status = EXIT_FAILED)
{
    std::fprintf(stderr, "tavrix play: %s\n", why.c_str());
    return status;
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
int frameCountOf(const PlayOptions& options, const Playback& playback, const AudioTrack* sound)
{
    int count;
    if (options.duration > 0.0) {
        count = framesBefore(options.duration, options.fps);
    } else {
        count = playback.framesToCoverMotions();
        if (sound) count = std::max(count, framesBefore(sound->seconds(), options.fps));
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
int playFrames(tavrix::ATavrixModel& model, const PlayOptions& options, Playback& playback, const AudioTrack* sound,
               FrameImages* images)
{
    std::string why;
    FrameRange range;
    range.start = options.start;
    range.end = options.end;
    std::vector<int> frames;
    if (!range.resolve(frameCountOf(options, playback, sound), frames, why)) return fail(why, EXIT_USAGE);
    Progress progress("played", static_cast<int>(frames.size()),
                      options.quiet ? Verbosity::QUIET : options.verbose ? Verbosity::VERBOSE : Verbosity::NORMAL);
    // Images are written on worker threads while the next frames are drawn,
    // and reported in frame order; a PNG that cannot be written fails alone.
    if (images && !images->output.start(images->width, images->height, options.fps, frames, true,
                                        [&progress](int frame, const std::string& error) {
                                            progress.frameDone(frame, error);
                                        },
                                        why)) {
        return fail(why);
    }

    std::string paramsText;
    size_t next = 0;
    for (int frame = 0; frame <= frames.back(); ++frame) {
        playback.advanceTo(frame);
        model.update();
        if (frames[next] != frame) continue;
        ++next;
        if (images) {
            RgbaImage image;
            std::string error;
            if (!images->stage.draw(images->puppet, images->width, images->height, image, error)) {
                images->output.abandon();
                progress.frameDone(frame, error);
                return fail(error);
            }
            // False once a clip could not take a frame (reported).
            if (!images->output.write(frame, std::move(image))) {
                images->output.abandon();
                return fail(images->output.failure());
            }
        }
        if (!options.paramsJsonPath.empty()) {
            paramsText += paramsLine(frame, playback.timeOfFrame(frame), *model.getModelContext());
        }
        if (!images) progress.frameDone(frame);
    }

    if (images) {
        images->output.flush();
        if (images->output.stopped()) {
            images->output.abandon();
            return fail(images->output.failure());
        }
        if (!images->output.finish(why)) return fail(why);
    }
    std::string destination = images ? images->output.destination() : options.paramsJsonPath;
    if (options.output.dryRun) destination = "nothing written (dry run)";
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

// Sets the playback up on model, then plays.
int playOn(tavrix::ATavrixModel& model, const PlayOptions& options, const PlaybackSetup& setup,
           const std::string& modelPath, FrameImages* images)
{
    std::string why;
    std::unique_ptr<Playback> playback = makePlayback(model, options.fps, setup, modelPath, why);
    if (!playback) return fail(why);
    return playFrames(model, options, *playback, setup.sound.get(), images);
}

int runPlay(const PlayOptions& options)
{
    std::string why;
    if (options.fps < 1 || options.fps > MAX_FPS) {
        return fail("--fps " + std::to_string(options.fps) + " must be from 1 to " + std::to_string(MAX_FPS),
                    EXIT_USAGE);
    }
    if (options.output.dryRun && !options.paramsJsonPath.empty()) {
        return fail("--dry-run writes nothing: leave out --params-json", EXIT_USAGE);
    }
    if (options.noImages && options.paramsJsonPath.empty() && !options.output.dryRun) {
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
    PlaybackSetup setup;
    for (const std::string& text : options.motionTexts) setup.motions.push_back(parseMotionStart(text));
    setup.loop = options.loop;
    setup.blink = options.blinkSeed >= 0;
    setup.blinkSeed = static_cast<unsigned>(std::max(options.blinkSeed, 0LL));
    if (!parseParamAssignments(options.setTexts, setup.holds, why)) return fail("--set " + why, EXIT_USAGE);
    FramePlacement placement;
    const bool placed = !options.placeText.empty();
    if (placed && !parsePlacement(options.placeText, placement, why)) return fail("--place: " + why, EXIT_USAGE);
    if (!options.physicsPath.empty() && !readPhysicsFile(options.physicsPath, setup.hairs, why)) {
        return fail(options.physicsPath + ": " + why);
    }
    if (!options.lipSyncText.empty()) {
        const LipSyncSource source = parseLipSyncSource(options.lipSyncText);
        auto sound = std::make_shared<AudioTrack>();
        if (!readAudioFile(source.path, *sound, why)) return fail("--lipsync: " + why);
        setup.sound = sound;
        setup.soundParam = source.param;
        setup.lipSync = options.lipSync;
        // A clip carries the sound it was made from.
        output.setSoundtrack(sound.get());
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
                ? playOn(model, options, setup, files.model, nullptr)
                : fail(describeLoadFailure(files.model, result));
        }
        tavrix::Tavrix::dispose();
        return status;
    }

    Stage stage;
    std::unique_ptr<Puppet> puppet = startModelDrawing(stage, files, sizeGiven, width, height, "play", why);
    if (!puppet) return fail(why);
    warnAboutUnknownParams(*puppet, setup.holds, "play");
    if (placed) puppet->placeInFrame(placement.x, placement.y, static_cast<float>(placement.scale));
    FrameImages images{stage, *puppet, output, width, height};
    return playOn(puppet->model(), options, setup, files.model, &images);
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
        "mouth, the eyes blink, each hair swings, each --set holds its parameter, then the model is evaluated\n"
        "and drawn. A sub-range is\n"
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
    addRepeatedOption(command, "--set", options->setTexts, "ID=VALUE",
                      "hold parameter ID at VALUE in every frame, after the animation (repeatable)");
    addPlaceOption(command, options->placeText);
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
