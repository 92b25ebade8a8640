// tavrix-contact-sheet: tiles PNG images into one contact sheet PNG.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <string>
#include <vector>

#include "ContactSheet.h"

using namespace tavrix_contact_sheet;
using namespace tavrix_media;

int main(int argc, char** argv)
{
    CLI::App app("Tiles PNG images, scaled to one width, into a contact sheet PNG.", "tavrix-contact-sheet");
    std::vector<std::string> inputs;
    std::string output, background = "white";
    SheetLayout layout;
    app.add_option("IMAGES", inputs, "the PNG images, in reading order")->required();
    app.add_option("-o,--output", output, "the contact sheet to write")->required()->type_name("OUT.png");
    app.add_option("--columns", layout.columns, "tiles per row")->capture_default_str()->check(CLI::Range(1, 64));
    app.add_option("--tile-width", layout.tileWidth, "width of each tile in pixels")
        ->capture_default_str()
        ->check(CLI::Range(1, 4096));
    app.add_option("--gap", layout.gap, "pixels between and around the tiles")
        ->capture_default_str()
        ->check(CLI::Range(0, 256));
    app.add_option("--background", background, "colour behind the tiles (#rrggbb, #rrggbbaa, black, white)")
        ->capture_default_str();
    app.footer("Example:\n  tavrix-contact-sheet out/demo/rest.png out/demo/wave.png --columns 2 -o sheet.png");
    CLI11_PARSE(app, argc, argv);

    std::string why;
    if (!parseColor(background, layout.background, why)) {
        std::fprintf(stderr, "tavrix-contact-sheet: --background: %s\n", why.c_str());
        return 2;
    }
    std::vector<RgbaImage> images(inputs.size());
    for (size_t i = 0; i < inputs.size(); ++i) {
        if (!readPng(inputs[i], images[i], why)) {
            std::fprintf(stderr, "tavrix-contact-sheet: %s\n", why.c_str());
            return 1;
        }
    }
    const RgbaImage sheet = contactSheet(images, layout);
    if (!writePngAtomically(output, sheet, why)) {
        std::fprintf(stderr, "tavrix-contact-sheet: %s\n", why.c_str());
        return 1;
    }
    std::printf("wrote %s (%u x %u, %zu images)\n", output.c_str(), sheet.width, sheet.height, images.size());
    return 0;
}
