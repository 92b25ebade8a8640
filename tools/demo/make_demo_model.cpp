// Writes the demo puppet into a folder: demo.moc, its three PNG textures and
// the model JSON file demo.json naming them relative to the folder.
#include <CLI/CLI.hpp>
#include <json/json.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "DemoTextures.h"
#include "DemoModel.h"
#include "ImageFile.h"
#include "mocwriter/MocFile.h"

namespace {

const char* const MODEL_FILE = "demo.moc";
const char* const JSON_FILE = "demo.json";

int fail(const std::string& why)
{
    std::fprintf(stderr, "tavrix-make-demo-model: %s\n", why.c_str());
    return 1;
}

std::vector<uint8_t> bytesOf(const std::string& text) { return std::vector<uint8_t>(text.begin(), text.end()); }

} // namespace

int main(int argc, char** argv)
{
    CLI::App app("Writes the bundled demo puppet (format version 10) into FOLDER: " + std::string(MODEL_FILE) +
                     ", its textures and the model JSON file " + JSON_FILE + ".",
                 "tavrix-make-demo-model");
    std::string folder;
    app.add_option("FOLDER", folder, "the folder to write into; made if missing")->required();
    app.footer("Example:\n  tavrix-make-demo-model out/demo && tavrix draw out/demo/demo.json -o still.png");
    CLI11_PARSE(app, argc, argv);

    const mocwriter::MocModel model = tavrix_demo::demoModel();
    const std::vector<std::string> problems = model.problems(10);
    for (const std::string& p : problems) std::fprintf(stderr, "demo model: %s\n", p.c_str());
    if (!problems.empty()) return 1;

    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) return fail("cannot make folder '" + folder + "': " + error.message());
    const std::string prefix = folder + "/";
    std::string why;

    const std::vector<uint8_t> bytes = mocwriter::MocFile::build(model);
    if (!tavrix_media::writeFileAtomically(prefix + MODEL_FILE, bytes, why)) return fail(why);

    Json::Value json;
    json["model"] = MODEL_FILE;
    json["textures"] = Json::arrayValue;
    const std::vector<tavrix_demo::DemoTexture> textures = tavrix_demo::demoTextures();
    for (size_t i = 0; i < textures.size(); ++i) {
        tavrix_media::RgbaImage image;
        image.width = static_cast<unsigned>(textures[i].width);
        image.height = static_cast<unsigned>(textures[i].height);
        image.pixels = textures[i].rgba;
        const std::string name = tavrix_demo::DEMO_TEXTURE_FILES[i];
        if (!tavrix_media::writePngAtomically(prefix + name, image, why)) return fail(why);
        json["textures"].append(name);
    }
    Json::StreamWriterBuilder writer;
    writer["indentation"] = "  ";
    if (!tavrix_media::writeFileAtomically(prefix + JSON_FILE, bytesOf(Json::writeString(writer, json) + "\n"), why))
        return fail(why);

    std::printf("wrote %s%s (%zu bytes), %zu textures and %s%s\n", prefix.c_str(), MODEL_FILE, bytes.size(),
                textures.size(), prefix.c_str(), JSON_FILE);
    return 0;
}
