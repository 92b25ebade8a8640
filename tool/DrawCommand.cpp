// tavrix draw: one still image of a posed model.
#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "TextValues.h"
#include "CommandTable.h"
#include "ImageFile.h"
#include "ModelDrawing.h"
#include "ModelFiles.h"
#include "OutputPattern.h"
#include "RuntimeMessages.h"

namespace tavrix_tool {

using namespace tavrix_media;
using namespace tavrix_stage;

namespace {

struct DrawOptions {
    std::string modelPath;
    std::vector<std::string> texturePaths;
    std::vector<std::string> setTexts;
    std::string sizeText;
    std::string backgroundText;
    std::string outputPath;
    bool verbose = false;
};

int fail(const std::string& why, int status = EXIT_FAILED)
{
    std::fprintf(stderr, "tavrix draw: %s\n", why.c_str());
    return status;
}

int runDraw(const DrawOptions& options)
{
    std::string why;
    std::vector<std::pair<std::string, float>> sets;
    if (!parseParamAssignments(options.setTexts, sets, why)) return fail("--set " + why, EXIT_USAGE);
    int width = 0;
    int height = 0;
    const bool sizeGiven = !options.sizeText.empty();
    if (sizeGiven && !parseImageSize(options.sizeText, width, height, why)) return fail("--size: " + why, EXIT_USAGE);
    Rgba8 background;
    const bool backgroundGiven = !options.backgroundText.empty();
    if (backgroundGiven && !parseColor(options.backgroundText, background, why)) {
        return fail("--background: " + why, EXIT_USAGE);
    }
    if (fileExtension(options.outputPath) != "png") {
        return fail("output '" + options.outputPath + "': draw writes a PNG image, so the name ends in .png", EXIT_USAGE);
    }
    if (!options.texturePaths.empty() && isModelJson(options.modelPath)) {
        return fail(options.modelPath + ": a model JSON file names its own textures; --texture goes with a .moc model",
                    EXIT_USAGE);
    }
    ModelFiles files;
    if (!resolveModelFiles(options.modelPath, options.texturePaths, files, why)) return fail(why);

    showRuntimeMessages(options.verbose);
    tavrix_stage::Stage stage;
    std::unique_ptr<tavrix_stage::Puppet> puppet =
        startModelDrawing(stage, files, sizeGiven, width, height, "draw", why);
    if (!puppet) return fail(why);
    for (const auto& set : sets) {
        // Set all the same: keys may name parameters the model never defines.
        if (!puppet->findParam(set.first)) {
            std::fprintf(stderr, "tavrix draw: warning: --set %s: the model defines no parameter of that name\n",
                         set.first.c_str());
        }
        puppet->setParam(set.first, set.second);
    }
    puppet->update();
    RgbaImage image;
    if (!stage.draw(*puppet, width, height, image, why)) return fail(why);
    if (backgroundGiven) compositeOver(image, background);
    if (!writePngAtomically(options.outputPath, image, why)) return fail(why);
    std::printf("wrote %s (%d x %d)\n", options.outputPath.c_str(), width, height);
    return EXIT_OK;
}

} // namespace

void addDrawCommand(CLI::App& tool, CommandTable& table)
{
    auto options = std::make_shared<DrawOptions>();
    CLI::App* command = tool.add_subcommand("draw", "draw a posed model into a PNG image");
    command->footer(
        "Loads a model with its textures, applies each --set in order (weight 1.0), evaluates it once and\n"
        "draws it with OpenGL (headless) into a straight-alpha RGBA PNG. MODEL is a .moc file, its textures\n"
        "given with --texture in texture-number order, or a model JSON file\n"
        "  {\"model\": \"a.moc\", \"textures\": [\"t0.png\", ...]}\n"
        "whose relative paths count from the JSON file's folder. The image has the model's canvas size\n"
        "(scaled down to at most 4096 on either side) unless --size is given; the canvas width spans the\n"
        "image's width, and y runs down from the top edge at the same scale.\n\n"
        "Examples:\n"
        "  tavrix draw puppet.moc --texture body.png --texture face.png -o still.png\n"
        "  tavrix draw puppet.json --set PARAM_ANGLE_X=20 --size 1920x1080 --background '#ffffff' -o still.png");
    command->add_option("MODEL", options->modelPath, "the .moc model file or a model JSON file")->required();
    command->add_option("-o,--output", options->outputPath, "the PNG file to write")->required()->type_name("OUT.png");
    addRepeatedOption(command, "--texture", options->texturePaths, "PNG",
                      "PNG texture of the next texture number (repeatable)");
    addRepeatedOption(command, "--set", options->setTexts, "ID=VALUE",
                      "set parameter ID to VALUE before drawing (repeatable)");
    command->add_option("--size", options->sizeText, "image size, each side from 1 to 16384")->type_name("WxH");
    command->add_option("--background", options->backgroundText,
                        "colour under the model (#rrggbb, #rrggbbaa, black, white); transparent if not given")
        ->type_name("COLOR");
    command->add_flag("--verbose", options->verbose, "show the runtime's own diagnostics on standard error");
    table.add(command, [options] { return runDraw(*options); });
}

} // namespace tavrix_tool
