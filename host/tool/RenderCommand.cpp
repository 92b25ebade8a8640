// tavrix render: opens a project in the substitute host, with the effect
// plug-in loaded as a compositing host loads it, and writes its frames.
#include <CLI/CLI.hpp>

#include <climits>
#include <csignal>
#include <cstdlib>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "CommandOptions.h"
#include "CommandTable.h"
#include "FrameChunk.h"
#include "FrameRange.h"
#include "Host.h"
#include "ImageFile.h"
#include "OutputPattern.h"
#include "Progress.h"
#include "ProjectFile.h"
#include "ProjectRenderer.h"
#include "RuntimeOutput.h"
#include "VideoWriter.h"

namespace tavrix_tool {

namespace {

const char* const PLUGIN_FILE = "TavrixLoader.so";
const char* const PLUGIN_VARIABLE = "TAVRIX_PLUGIN";
const int MAX_DOWNSAMPLE = 64;

struct RenderOptions {
    std::string projectPath;
    std::string outputPattern = "out/frame_####.png";
    int start = -1;
    int end = -1;
    int step = 1;
    int downsample = 1;
    std::string quality = "high";
    std::string chunkText;
    std::string savePath;
    bool keepGoing = false;
    bool quiet = false;
    bool verbose = false;
    std::string pluginPath;
    std::string backgroundText = "black";
    int crf = -1;
    std::string bitrateText;
};

volatile std::sig_atomic_t interrupted = 0;

void onInterrupt(int)
{
    interrupted = 1;
}

// The plug-in: --plugin, else $TAVRIX_PLUGIN, else beside the tool.
std::string pluginLocation(const RenderOptions& options)
{
    if (!options.pluginPath.empty()) return options.pluginPath;
    if (const char* fromEnvironment = std::getenv(PLUGIN_VARIABLE)) {
        if (*fromEnvironment) return fromEnvironment;
    }
    char self[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof(self) - 1);
    if (length <= 0) return PLUGIN_FILE;
    std::string folder(self, static_cast<size_t>(length));
    folder.erase(folder.rfind('/') + 1);
    return folder + PLUGIN_FILE;
}

int fail(const std::string& message)
{
    std::fprintf(stderr, "tavrix render: %s\n", message.c_str());
    return EXIT_FAILED;
}

int usage(const std::string& message)
{
    std::fprintf(stderr, "tavrix render: %s\nRun 'tavrix render --help' for usage.\n", message.c_str());
    return EXIT_USAGE;
}

// Where the frames go: PNG files named by the pattern, or one video file.
class FrameSink {
public:
    bool open(const RenderOptions& options, const OutputPattern& pattern, VideoFormat format, int frameCount,
              const tavrix_host::Project& project, std::string& why)
    {
        this->pattern = &pattern;
        if (format == VideoFormat::NONE) {
            if (!pattern.hasFrameNumber() && frameCount > 1) {
                why = pattern.text() + ": names one file but " + std::to_string(frameCount) +
                      " frames are rendered; put #### or %04d where the frame number goes";
                return false;
            }
            return pattern.createFolder(why);
        }
        VideoSettings settings;
        settings.width = tavrix_host::ProjectRenderer::scaledSize(project.width, options.downsample);
        settings.height = tavrix_host::ProjectRenderer::scaledSize(project.height, options.downsample);
        settings.frameRate = project.frameRate;
        settings.crf = options.crf;
        if (!parseColor(options.backgroundText, settings.background, why)) return false;
        if (!options.bitrateText.empty() && !parseBitrate(options.bitrateText, settings.bitrate, why)) return false;
        if (!pattern.createFolder(why)) return false;
        video = std::make_unique<VideoWriter>();
        if (!video->open(pattern.text(), format, settings, why)) return false;
        if (!video->note().empty()) std::fprintf(stderr, "tavrix render: %s\n", video->note().c_str());
        return true;
    }

    bool write(int frame, const RgbaImage& image, std::string& why)
    {
        return video ? video->writeFrame(image, why) : writePngAtomically(pattern->pathFor(frame), image, why);
    }

    bool finish(bool complete, std::string& why)
    {
        if (!video) return true;
        if (!complete) {
            video->abandon();
            return true;
        }
        return video->finish(why);
    }

private:
    const OutputPattern* pattern = nullptr;
    std::unique_ptr<VideoWriter> video;
};

int runRender(const RenderOptions& options)
{
    // Everything the command line says is checked before the project is read.
    std::string why;
    OutputPattern pattern;
    if (!pattern.parse(options.outputPattern, why)) return usage("-o " + options.outputPattern + ": " + why);
    const VideoFormat format = videoFormatFor(pattern.extension());
    if (format == VideoFormat::NONE && pattern.extension() != "png") {
        return usage("-o " + options.outputPattern + ": frames are written as .png files or as a video (" +
                     videoExtensionList() + ")");
    }
    if (options.downsample < 1 || options.downsample > MAX_DOWNSAMPLE) {
        return usage("--downsample must lie between 1 and " + std::to_string(MAX_DOWNSAMPLE));
    }
    const int quality = options.quality == "high" ? PF_Quality_HI : PF_Quality_LO;
    FrameChunk chunk;
    if (!options.chunkText.empty()) {
        if (!chunk.parse(options.chunkText, why)) return usage("--chunk " + options.chunkText + ": " + why);
        if (format != VideoFormat::NONE) return usage("--chunk writes frame files, not a video");
    }

    tavrix_host::Project project;
    if (!tavrix_host::ProjectFile::load(options.projectPath, project, why)) return fail(why);
    FrameRange range;
    range.start = options.start;
    range.end = options.end;
    range.step = options.step;
    std::vector<int> frames;
    if (!range.resolve(project.frameCount, frames, why)) return usage(why);
    chunk.select(frames);

    RuntimeOutput runtimeOutput(options.verbose);
    tavrix_host::Host host;
    const std::string plugin = pluginLocation(options);
    if (!host.open(plugin, why)) return fail("the effect plug-in " + plugin + " cannot be used: " + why);
    tavrix_host::ProjectRenderer renderer(host);
    std::vector<std::string> warnings;
    const bool opened = renderer.open(project, why, warnings);
    for (const std::string& warning : warnings) std::fprintf(stderr, "tavrix render: %s\n", warning.c_str());
    if (!opened) return fail(why);

    FrameSink sink;
    if (!sink.open(options, pattern, format, static_cast<int>(frames.size()), project, why)) return fail(why);

    const Verbosity verbosity =
        options.quiet ? Verbosity::QUIET : options.verbose ? Verbosity::VERBOSE : Verbosity::NORMAL;
    Progress progress("rendered", static_cast<int>(frames.size()), verbosity);
    interrupted = 0;
    auto previousHandler = std::signal(SIGINT, onInterrupt);
    bool stopped = false;
    for (int frame : frames) {
        if (interrupted) {
            std::fprintf(stderr, "tavrix render: interrupted before frame %d\n", frame);
            stopped = true;
            break;
        }
        RgbaImage image;
        int32_t width = 0;
        int32_t height = 0;
        std::string error;
        if (renderer.renderFrame(frame, options.downsample, quality, image.pixels, width, height, error)) {
            image.width = static_cast<unsigned>(width);
            image.height = static_cast<unsigned>(height);
            sink.write(frame, image, error);
        }
        progress.frameDone(frame, error);
        // A video cannot skip a frame: it stops at the first failure.
        if (!error.empty() && (!options.keepGoing || format != VideoFormat::NONE)) {
            stopped = true;
            break;
        }
    }
    std::signal(SIGINT, previousHandler);

    const bool complete = !stopped;
    bool finished = sink.finish(complete, why);
    if (!finished) std::fprintf(stderr, "tavrix render: %s\n", why.c_str());
    progress.finish(pattern.text());

    if (complete && !options.savePath.empty()) {
        std::vector<std::string> states;
        if (!renderer.saveStates(states, false, why) ||
            !tavrix_host::ProjectFile::save(project, states, options.savePath, why)) {
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
        "Example:\n  tavrix render shot.json -o out/shot_####.png -s 0 -e 47 --downsample 2 --save shot_saved.json");
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
    command->add_option("--chunk", options->chunkText, "render the K-th of N equal runs of the frames")
        ->type_name("K/N");
    command->add_option("--save", options->savePath, "after rendering, save the project with the effects' saved states")
        ->type_name("PROJECT_OUT.json");
    command->add_flag("--continue", options->keepGoing, "go on after a frame fails, and exit 0");
    command->add_option("--plugin", options->pluginPath, "the effect plug-in to load")->type_name("PATH");
    command->add_option("--background", options->backgroundText, "what .mp4 frames are laid over (default black)")
        ->type_name("COLOR");
    command->add_option("--crf", options->crf, "video quality: the codec's constant rate factor")->type_name("N");
    command->add_option("--bitrate", options->bitrateText, "video bit rate, such as 8M")->type_name("RATE");
    command->add_flag("-q,--quiet", options->quiet, "no progress, only errors and failures");
    command->add_flag("-v,--verbose", options->verbose, "a line per frame, the runtime's diagnostics, host reports");
    table.add(command, [options] { return runRender(*options); });
}

} // namespace tavrix_tool
