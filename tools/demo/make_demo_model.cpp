// Writes the demo puppet: the ".moc" file, its PNG textures and a model JSON
// file naming them, all in one folder.
#include <lodepng.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "DemoModel.h"
#include "DemoTextures.h"
#include "mocwriter/MocFile.h"

namespace {

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) {
        std::perror(path.c_str());
        return false;
    }
    bool written = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    written = std::fclose(out) == 0 && written;
    if (!written) std::fprintf(stderr, "%s: write failed\n", path.c_str());
    return written;
}

std::string folderOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The file name without folder and extension.
std::string stemOf(const std::string& path)
{
    std::string name = path.substr(folderOf(path).size());
    const size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        std::fprintf(argc == 2 ? stdout : stderr,
                     "usage: tavrix-make-demo-model OUT.moc\n"
                     "Writes the bundled demo puppet (format version 10), its textures OUT_texture0.png to\n"
                     "OUT_texture3.png and the model JSON file OUT.json beside it.\n");
        return argc == 2 ? 0 : 2;
    }
    mocwriter::MocModel model = tavrix_demo::demoModel();
    std::vector<std::string> problems = model.problems(10);
    for (const std::string& p : problems) std::fprintf(stderr, "demo model: %s\n", p.c_str());
    if (!problems.empty()) return 1;

    const std::string modelPath = argv[1];
    const std::string folder = folderOf(modelPath);
    const std::string stem = stemOf(modelPath);
    std::vector<uint8_t> bytes = mocwriter::MocFile::build(model);
    if (!writeFile(modelPath, bytes)) return 1;
    std::printf("wrote %s (%zu bytes)\n", modelPath.c_str(), bytes.size());

    // The JSON names its files relative to its own folder.
    std::string json = "{\n  \"model\": \"" + modelPath.substr(folder.size()) + "\",\n  \"textures\": [";
    const std::vector<tavrix_demo::DemoTexture> textures = tavrix_demo::demoTextures();
    for (size_t i = 0; i < textures.size(); ++i) {
        const std::string name = stem + "_texture" + std::to_string(i) + ".png";
        std::vector<uint8_t> png;
        const unsigned error = lodepng::encode(png, textures[i].rgba, textures[i].width, textures[i].height);
        if (error) {
            std::fprintf(stderr, "%s: %s\n", name.c_str(), lodepng_error_text(error));
            return 1;
        }
        if (!writeFile(folder + name, png)) return 1;
        json += std::string(i ? ", " : "") + "\"" + name + "\"";
    }
    json += "]\n}\n";
    if (!writeFile(folder + stem + ".json", std::vector<uint8_t>(json.begin(), json.end()))) return 1;
    std::printf("wrote %s%s.json and %zu textures\n", folder.c_str(), stem.c_str(), textures.size());
    return 0;
}
