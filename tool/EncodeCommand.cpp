// tavrix encode: PNG frames (those of a render split over several machines)
// into one clip, encoded exactly as `render -o CLIP` encodes its frames.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "CommandTable.h"
#include "FrameOutput.h"
#include "ImageFile.h"
#include "Interruption.h"
#include "OutputOptions.h"
#include "OutputPattern.h"
#include "Progress.h"

namespace tavrix_tool {

using namespace tavrix_media;

namespace {

const double MAX_RATE = 1000;

struct EncodeOptions {
    std::string framesPattern;
    std::string videoPath;
    double rate = 0;
    int step = 1;
    bool quiet = false;
    bool verbose = false;
    OutputSettings output;
};

int fail(const std::string& why, int status = EXIT_FAILED)
{
    std::fprintf(stderr, "tavrix encode: %s\n", why.c_str());
    return status;
}

// The frames there, every step-th from the first to the last with none
// missing, their size, and whether every one is opaque (no PNG of them can
// hold a transparent pixel: the frames of a render without alpha).
bool findFrames(const OutputPattern& pattern, int step, std::vector<int>& frames, unsigned& width,
                unsigned& height, bool& opaque, std::string& why)
{
    std::vector<int> present;
    if (!pattern.listFrames(present, why)) return false;
    if (present.empty()) {
        why = "no frames match '" + pattern.text() + "'";
        return false;
    }
    // Checked one by one, so that two files far apart claim no memory for
    // the frames between them.
    const long long last = present.front() + (present.back() - present.front()) / step * step;
    frames.clear();
    opaque = true;
    size_t next = 0; // the first of the present frames not yet passed
    for (long long number = present.front(); number <= last; number += step) {
        const int frame = static_cast<int>(number);
        while (present[next] < frame) ++next;
        if (present[next] != frame) {
            why = "frame " + std::to_string(frame) + " is missing (" + pattern.pathFor(frame) + "); frames " +
                  std::to_string(present.front()) + " to " + std::to_string(last) +
                  (step > 1 ? " in steps of " + std::to_string(step) : std::string()) + " are needed";
            return false;
        }
        frames.push_back(frame);
        const std::string path = pattern.pathFor(frame);
        unsigned frameWidth = 0, frameHeight = 0;
        bool mayBeTransparent = false;
        if (!inspectPng(path, frameWidth, frameHeight, mayBeTransparent, why)) return false;
        if (frames.size() == 1) {
            width = frameWidth;
            height = frameHeight;
        } else if (frameWidth != width || frameHeight != height) {
            why = "'" + path + "' is " + std::to_string(frameWidth) + "x" + std::to_string(frameHeight) +
                  ", the frames before it " + std::to_string(width) + "x" + std::to_string(height);
            return false;
        }
        if (mayBeTransparent) opaque = false;
    }
    return true;
}

int runEncode(const EncodeOptions& options)
{
    std::string why;
    OutputPattern pattern;
    if (!pattern.parse(options.framesPattern, why)) return fail(why, EXIT_USAGE);
    if (pattern.extension() != "png") return fail("the frames must be PNG files: '" + pattern.text() + "'", EXIT_USAGE);
    FrameOutput output;
    if (!output.prepare(options.videoPath, options.output, false, why)) return fail(why, EXIT_USAGE);
    if (!output.isVideo()) return fail("'" + options.videoPath + "' must end in .mp4, .webm or .mov", EXIT_USAGE);
    if (!(options.rate > 0 && options.rate <= MAX_RATE)) {
        return fail("--rate must lie above 0 and at most 1000", EXIT_USAGE);
    }
    if (options.step < 1) return fail("--step must be at least 1", EXIT_USAGE);

    std::vector<int> frames;
    unsigned width = 0, height = 0;
    bool opaque = false;
    if (!findFrames(pattern, options.step, frames, width, height, opaque, why)) return fail(why);
    output.setOpaqueFrames(opaque);

    const Verbosity verbosity =
        options.quiet ? Verbosity::QUIET : options.verbose ? Verbosity::VERBOSE : Verbosity::NORMAL;
    Progress progress("encoded", static_cast<int>(frames.size()), verbosity);
    if (!output.start(static_cast<int>(width), static_cast<int>(height), options.rate, frames, false,
                      [&progress](int frame, const std::string& error) { progress.frameDone(frame, error); }, why)) {
        return fail(why);
    }
    if (!output.note().empty()) std::fprintf(stderr, "tavrix encode: %s\n", output.note().c_str());

    // Frames are read while the ones before them are encoded.
    Interruption interruption;
    bool stopped = false;
    for (int frame : frames) {
        if (interruption.requested()) {
            std::fprintf(stderr, "tavrix encode: interrupted before frame %d\n", frame);
            stopped = true;
            break;
        }
        RgbaImage image;
        std::string error;
        if (!readPng(pattern.pathFor(frame), image, error) || image.width != width || image.height != height) {
            if (error.empty()) error = "'" + pattern.pathFor(frame) + "' changed size while it was encoded";
            output.flush();
            progress.frameDone(frame, error);
            stopped = true;
            break;
        }
        if (!output.write(frame, std::move(image))) {
            stopped = true;
            break;
        }
    }
    output.flush();
    bool finished = false;
    if (!stopped && !output.stopped()) finished = output.finish(why);
    else output.abandon();
    if (!finished && !why.empty()) std::fprintf(stderr, "tavrix encode: %s\n", why.c_str());
    progress.finish(output.destination());
    return finished ? EXIT_OK : EXIT_FAILED;
}

} // namespace

void addEncodeCommand(CLI::App& tool, CommandTable& table)
{
    auto options = std::make_shared<EncodeOptions>();
    CLI::App* command =
        tool.add_subcommand("encode", "encode PNG frames into one clip, as render writes a clip of its frames");
    command->footer(
        "Reads the frames FRAMES names, from the first one there to the last (none may be missing; all of one\n"
        "size), and encodes them as 'tavrix render -o VIDEO' encodes its frames: a clip of the frames of a\n"
        "render split into chunks (--chunk) decodes like the clip of the render in one piece. When no frame\n"
        "can hold a transparent pixel (render writes opaque frames without alpha), a .webm or .mov has no\n"
        "alpha plane.\n\n"
        "Example:\n  tavrix encode 'out/shot_####.png' -o out/shot.webm --rate 24");
    command->add_option("FRAMES", options->framesPattern, "the frame files, #### or %04d standing for the frame number")
        ->required();
    command->add_option("-o,--output", options->videoPath, "the clip: a .mp4, .webm or .mov name")
        ->type_name("VIDEO")
        ->required();
    command->add_option("-r,--rate", options->rate, "frames per second")->type_name("FPS")->required();
    command->add_option("-i,--step", options->step,
                        "take every STEP-th frame from the first, as render -i STEP wrote them (default 1)")
        ->type_name("STEP");
    addOutputOptions(command, options->output, false);
    command->add_flag("-q,--quiet", options->quiet, "no progress, only errors");
    command->add_flag("-v,--verbose", options->verbose, "a line per frame");
    table.add(command, [options] { return runEncode(*options); });
}

} // namespace tavrix_tool
