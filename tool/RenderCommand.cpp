// tavrix render: opens a project in the substitute host, with the effect
// plug-in loaded as a compositing host loads it, and writes its frames.
#include <CLI/CLI.hpp>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "TextValues.h"
#include "CommandTable.h"
#include "FrameChunk.h"
#include "FrameOutput.h"
#include "FrameRange.h"
#include "Host.h"
#include "ImageFile.h"
#include "Interruption.h"
#include "OutputOptions.h"
#include "PluginLocation.h"
#include "Progress.h"
#include "ProjectFile.h"
#include "ProjectRenderer.h"
#include "RuntimeMessages.h"

namespace tavrix_tool {

using namespace tavrix_media;

namespace {

const int MAX_DOWNSAMPLE = 64;

struct RenderOptions {
    std::string projectPath;
    std::string outputPattern = "out/frame_####.png";
    std::optional<int> start;
    std::optional<int> end;
    int step = 1;
    int downsample = 1;
    std::string quality = "high";
    std::string chunkText;
    std::string savePath;
    bool keepGoing = false;
    bool quiet = false;
    bool verbose = false;
    std::string pluginPath;
    OutputSettings output;
};

int fail(const std::string& message)
{
    std::fprintf(stderr, "tavrix render: %s\n", message.c_str());
    return EXIT_FAILED;
}

int usage(const std::string& message)
{
    // One line, so that scripts and farm logs show the whole reason.
    std::fprintf(stderr, "tavrix render: %s\n", message.c_str());
    return EXIT_USAGE;
}

int runRender(const RenderOptions& options)
{
    // Everything the command line says is checked before the project is read.
    std::string why;
    FrameOutput output;
    if (!output.prepare(options.outputPattern, options.output, !options.chunkText.empty(), why)) return usage(why);
    if (options.downsample < 1 || options.downsample > MAX_DOWNSAMPLE) {
        return usage("--downsample must lie between 1 and " + std::to_string(MAX_DOWNSAMPLE));
    }
    const int quality = options.quality == "high" ? PF_Quality_HI : PF_Quality_LO;
    if (options.output.dryRun && !options.savePath.empty()) return usage("--dry-run writes nothing: leave out --save");
    FrameChunk chunk;
    if (!options.chunkText.empty() && !chunk.parse(options.chunkText, why)) return usage("--chunk " + why);

    tavrix_project::Project project;
    if (!tavrix_project::ProjectFile::load(options.projectPath, project, why)) return fail(why);
    FrameRange range;
    range.start = options.start;
    range.end = options.end;
    range.step = options.step;
    std::vector<int> frames;
    if (!range.resolve(project.frameCount, frames, why)) return usage(why);
    chunk.select(frames);
    // A video's sound: every layer's sound from its offset on, mixed.
    AudioTrack soundtrack;
    bool hasSound = false;
    for (const tavrix_project::Project::Layer& layer : project.layers) {
        if (!layer.effect.hasAudio) continue;
        soundtrack.mix(layer.effect.audio.track, layer.effect.audio.offsetSeconds);
        hasSound = true;
    }
    if (hasSound) output.setSoundtrack(&soundtrack);
    if (frames.empty()) {
        std::fprintf(stderr, "tavrix render: chunk %s holds no frames: there are fewer frames than chunks\n",
                     chunk.text().c_str());
    }

    showRuntimeMessages(options.verbose);
    tavrix_host::Host host;
    const std::string plugin = pluginLocation(options.pluginPath);
    if (!host.open(plugin, why)) return fail("the effect plug-in " + plugin + " cannot be used: " + why);
    tavrix_project::ProjectRenderer renderer(host);
    std::vector<std::string> warnings;
    const bool opened = renderer.open(project, why, warnings);
    for (const std::string& warning : warnings) std::fprintf(stderr, "tavrix render: %s\n", warning.c_str());
    if (!opened) return fail(why);
    output.setOpaqueFrames(renderer.everyFrameOpaque(options.downsample));

    const Verbosity verbosity =
        options.quiet ? Verbosity::QUIET : options.verbose ? Verbosity::VERBOSE : Verbosity::NORMAL;
    Progress progress("rendered", static_cast<int>(frames.size()), verbosity);
    // Frames are written on worker threads while the next ones are drawn;
    // each is reported, in frame order, when it is written or has failed.
    if (!output.start(tavrix_project::ProjectRenderer::scaledSize(project.width, options.downsample),
                      tavrix_project::ProjectRenderer::scaledSize(project.height, options.downsample), project.frameRate,
                      frames, options.keepGoing,
                      [&progress](int frame, const std::string& error) { progress.frameDone(frame, error); }, why)) {
        return fail(why);
    }
    if (!output.note().empty()) std::fprintf(stderr, "tavrix render: %s\n", output.note().c_str());

    // Ctrl+C and SIGTERM end the run after the frame being drawn.
    std::optional<Interruption> interruption(std::in_place);
    bool stopped = false;
    for (int frame : frames) {
        if (interruption->requested()) {
            std::fprintf(stderr, "tavrix render: interrupted before frame %d\n", frame);
            stopped = true;
            break;
        }
        RgbaImage image;
        int32_t width = 0;
        int32_t height = 0;
        std::string error;
        if (!renderer.renderFrame(frame, options.downsample, quality, image.pixels, width, height, error)) {
            // The frames before it are reported first.
            output.flush();
            progress.frameDone(frame, error);
            // A video cannot skip a frame: it stops at the first failure.
            if (!options.keepGoing || output.isVideo()) {
                stopped = true;
                break;
            }
            continue;
        }
        image.width = static_cast<unsigned>(width);
        image.height = static_cast<unsigned>(height);
        // False once a frame could not be written and the run stops there.
        if (!output.write(frame, std::move(image))) {
            stopped = true;
            break;
        }
    }
    output.flush();
    if (output.stopped()) stopped = true;
    interruption.reset();

    const bool complete = !stopped;
    bool finished = true;
    if (complete) finished = output.finish(why);
    else output.abandon();
    if (!finished) std::fprintf(stderr, "tavrix render: %s\n", why.c_str());
    progress.finish(output.destination());

    if (complete && !options.savePath.empty()) {
        std::vector<std::string> states;
        if (!renderer.saveStates(states, false, why) ||
            !tavrix_project::ProjectFile::save(project, states, options.savePath, why)) {
            return fail(why);
        }
    }
    renderer.close();
    host.close();
    if (options.verbose) {
        for (const std::string& misuse : host.log().getMisuses()) std::fprintf(stderr, "host: %s\n", misuse.c_str());
    }
    if (!finished || stopped) return EXIT_FAILED;
    return progress.failures() > 0 && !options.keepGoing ? EXIT_FAILED : EXIT_OK;
}

} // namespace

void addRenderCommand(CLI::App& tool, CommandTable& table)
{
    auto options = std::make_shared<RenderOptions>();
    CLI::App* command = tool.add_subcommand("render", "render a project's frames through the effect plug-in");
    command->footer(
        "Opens PROJECT.json (format: docs/project-format.md) in the substitute host with the effect plug-in\n"
        "loaded as a compositing host loads it, and writes each frame as a straight-alpha PNG (or all of them\n"
        "into one video file). Each frame depends only on the project and its number. The plug-in is found\n"
        "with --plugin, else in $TAVRIX_PLUGIN, else beside the tool (TavrixLoader.so).\n\n"
        "Examples:\n  tavrix render shot.json -o out/shot_####.png -s 0 -e 47 --downsample 2 --save shot_saved.json\n"
        "  tavrix render shot.json -o out/shot.webm --crf 20\n"
        "  tavrix render shot.json --chunk 3/8 -o 'out/shot_####.png' -q");
    command->add_option("PROJECT", options->projectPath, "the project file (JSON)")->required();
    command->add_option("-o,--output", options->outputPattern,
                        "frame files, #### or %04d standing for the frame number (default out/frame_####.png); "
                        "a .mp4, .webm or .mov name writes one video")
        ->type_name("PATTERN");
    command->add_option("-s,--start", options->start, "first frame (default 0)")->type_name("START");
    command->add_option("-e,--end", options->end, "last frame, inclusive (default: the last)")->type_name("END");
    command->add_option("-i,--step", options->step, "render every STEP-th frame (default 1)")->type_name("STEP");
    command->add_option("--downsample", options->downsample, "render at 1/N of the resolution (default 1)")
        ->type_name("N");
    command->add_option("--quality", options->quality, "draft or high (default high)")
        ->check(CLI::IsMember({"draft", "high"}));
    command->add_option("--chunk", options->chunkText,
                        "render the K-th (from 1) of N equal, contiguous runs of the frames; a video name then "
                        "needs #### (the chunk's first frame)")
        ->type_name("K/N");
    command->add_option("--save", options->savePath, "after rendering, save the project with the effects' saved states")
        ->type_name("PROJECT_OUT.json");
    command->add_flag("--continue", options->keepGoing, "go on after a frame fails, and exit 0");
    command->add_option("--plugin", options->pluginPath, "the effect plug-in to load")->type_name("PATH");
    addOutputOptions(command, options->output);
    command->add_flag("-q,--quiet", options->quiet, "no progress, only errors and failures");
    command->add_flag("-v,--verbose", options->verbose, "a line per frame, the runtime's diagnostics, host reports");
    table.add(command, [options] { return runRender(*options); });
}

} // namespace tavrix_tool
