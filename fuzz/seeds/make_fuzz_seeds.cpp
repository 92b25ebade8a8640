// Writes the starting inputs of every fuzz target into FOLDER/TARGET/: the
// demo puppet and smaller models from the model writer, motions and hairs
// over the demo's parameters, its textures' sprites as PNG files of every
// colour type, and the JSON texts the tool and the effect read.
#include <lodepng.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "DemoModel.h"
#include "DemoTextures.h"
#include "FlatSequenceData.h"
#include "mocwriter/MocFile.h"
#include "mocwriter/ModelBuilders.h"
#include "support/MtnbWriter.h"
#include "support/audio/SyntheticSound.h"

namespace {

using Bytes = std::vector<uint8_t>;

std::string outputFolder;
int failures = 0;

void put(const std::string& target, const std::string& name, const Bytes& bytes)
{
    const std::string folder = outputFolder + "/" + target;
    mkdir(outputFolder.c_str(), 0777);
    mkdir(folder.c_str(), 0777);
    const std::string path = folder + "/" + name;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    const bool written = file && (bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size());
    if (!file || std::fclose(file) != 0 || !written) {
        std::fprintf(stderr, "make_fuzz_seeds: cannot write %s\n", path.c_str());
        ++failures;
    }
}

void put(const std::string& target, const std::string& name, const std::string& text)
{
    put(target, name, Bytes(text.begin(), text.end()));
}

// The demo with only its first part: the same kinds of element, fewer of them.
mocwriter::MocModel smallDemo()
{
    mocwriter::MocModel model = tavrix_demo::demoModel();
    model.parts.resize(1);
    return model;
}

void mocSeeds()
{
    using mocwriter::MocFile;
    put("moc", "demo-v10.moc", MocFile::build(tavrix_demo::demoModel()));
    put("moc", "small-demo-v10.moc", MocFile::build(smallDemo()));
    put("moc", "small-demo-v8.moc", MocFile::build(smallDemo(), 8));
    put("moc", "small-demo-v7.moc", MocFile::build(smallDemo(), 7));
    MocFile::Options shared;
    shared.shareIdentifiers = true;
    put("moc", "small-demo-shared-ids.moc", MocFile::build(smallDemo(), shared));
    put("moc", "one-param.moc", MocFile::build(mocwriter::ModelBuilders::oneParamModel()));
}

// A curve per demo parameter sweeping its whole range once.
struct Sweep {
    std::string id;
    std::vector<float> values;
    float min;
    float max;
};

std::vector<Sweep> demoSweeps(int frames)
{
    std::vector<Sweep> sweeps;
    for (const auto& param : tavrix_demo::demoModel().params) {
        Sweep sweep{param.id, {}, param.minValue, param.maxValue};
        for (int f = 0; f < frames; ++f) {
            const float phase = std::sin(6.2831853f * static_cast<float>(f) / static_cast<float>(frames));
            const float middle = 0.5f * (param.minValue + param.maxValue);
            sweep.values.push_back(middle + 0.5f * (param.maxValue - param.minValue) * phase);
        }
        sweeps.push_back(sweep);
    }
    return sweeps;
}

void motionSeeds()
{
    std::string text = "# the demo's parameters swinging once a second\n$fps=30\n$fadein=300\n$fadeout=500\n";
    for (const Sweep& sweep : demoSweeps(30)) {
        text += "$fadein:" + sweep.id + "=100\n" + sweep.id + "=";
        for (size_t i = 0; i < sweep.values.size(); ++i) text += (i ? "," : "") + std::to_string(sweep.values[i]);
        text += "\n";
    }
    text += "VISIBLE:PARTS_01=1\nLAYOUT:X=0.5\nLAYOUT:SCALE=1.2\nPARAM_MISSING=1,2,3\n";
    put("mtn", "demo-sweep.mtn", text);
    put("mtn", "short.mtn", "$fps=24\nPARAM_ANGLE_X=0,10,20\r\nPARAM_EYE_L_OPEN=1\n");

    std::vector<tavrix_test::BinCurve> curves;
    for (const Sweep& sweep : demoSweeps(12)) {
        tavrix_test::BinCurve curve{sweep.id, {}, {}, sweep.min, sweep.max};
        if (curves.size() % 2 == 0) {
            curve.floats = sweep.values;
        } else {
            for (float v : sweep.values) {
                curve.shorts.push_back(static_cast<uint16_t>(65535.0f * (v - sweep.min) / (sweep.max - sweep.min)));
            }
        }
        curves.push_back(curve);
    }
    put("mtnb", "demo-sweep-little.mtnb", tavrix_test::MtnbWriter(false).build(curves, 30, 300, 500));
    put("mtnb", "demo-sweep-big.mtnb", tavrix_test::MtnbWriter(true).build(curves, 24, -1, -1));
    curves.resize(2);
    put("mtnb", "two-curves-big.mtnb", tavrix_test::MtnbWriter(true).build(curves, 60));
}

std::string demoLoadInfo()
{
    return "{\"modelPath\":\"/models/demo.moc\",\"texturePaths\":[\"/models/demo_body.png\","
           "\"/models/demo_head.png\",\"/models/demo_face.png\"],\"dontResetParams\":false}";
}

void jsonSeeds()
{
    const std::string modelJson = "{\n  \"model\": \"demo.moc\",\n  \"textures\": [\"demo_body.png\", "
                                  "\"demo_head.png\", \"demo_face.png\"]\n}\n";
    put("model_json", "demo.json", modelJson);
    put("model_json", "absolute.json", "{\"model\": \"/m/a.moc\", \"textures\": []}");
    put("model_json", "no-textures.json", "{\"model\":\"a.moc\"}");

    const std::string kinds = "{\"number\": -12.5e3, \"int\": 7, \"true\": true, \"false\": false, \"null\": null,"
                              " \"text\": \"a \\\"quoted\\\" \\\\ \\/ \\n \\u00e9\", \"list\": [1, [2, [3, {}]], []],"
                              " \"map\": {\"a\": {\"b\": {\"c\": [0.5, -0]}}}}";
    put("runtime_json", "kinds.json", kinds);
    put("runtime_json", "model.json", modelJson);
    put("runtime_json", "load-info.json", demoLoadInfo());
    put("runtime_json", "array.json", "[1,2,3,\"x\",{\"k\":\"v\"}]");

    for (const std::string& text : {demoLoadInfo(), std::string(),
                                    std::string("{\"modelPath\":\"m.moc\"}"),
                                    std::string("{\"modelPath\":\"m.moc\",\"texturePaths\":[\"t\\u00e9.png\"]}")}) {
        Bytes block(FlatSequenceData::blockSize(text.size()));
        FlatSequenceData::write(block.data(), text);
        put("flat_sequence", "block-" + std::to_string(text.size()) + ".bin", block);
    }

    put("physics", "demo-hair.json",
        "[{\"length\": 0.2, \"air_resistance\": 0.5, \"mass\": 0.1, \"gravity_angle_deg\": 5,\n"
        "  \"sources\": [{\"kind\": 0, \"id\": \"PARAM_ANGLE_X\", \"scale\": 0.005, \"weight\": 1},\n"
        "              {\"kind\": 1, \"id\": \"PARAM_ANGLE_Y\", \"scale\": 0.01, \"weight\": 0.5},\n"
        "              {\"kind\": 2, \"id\": \"PARAM_BODY_ANGLE_X\", \"scale\": 0.01, \"weight\": 1}],\n"
        "  \"targets\": [{\"kind\": 0, \"id\": \"PARAM_HAIR_FRONT\", \"scale\": 0.05, \"weight\": 1},\n"
        "              {\"kind\": 1, \"id\": \"PARAM_HAIR_BACK\", \"scale\": -0.04, \"weight\": 1}]},\n"
        " {\"length\": 0.4, \"mass\": 0.2, \"targets\": [{\"id\": \"PARAM_NEW\"}]}]\n");
    put("physics", "empty.json", "[]");

    // The states the viewer's page sends: a pose, and a shot with keys and
    // an animation.
    put("view_state", "pose.json",
        "{\"document\": \"\", \"frame\": 0, \"composition\": {\"width\": 640, \"height\": 800, "
        "\"frameRate\": 30, \"frameCount\": 150}, \"background\": \"#ffffff\", "
        "\"values\": {\"3\": [320, 320], \"4\": 100, \"7\": 12.5, \"8\": 1}, \"pinned\": [7], \"rig\": true}");
    put("view_state", "shot.json",
        "{\"document\": \"shot.json\", \"frame\": 40, \"composition\": {\"width\": 320, \"height\": 400, "
        "\"frameRate\": 24, \"frameCount\": 72}, \"background\": null, \"values\": {\"9\": 0.5}, "
        "\"keys\": {\"7\": [[0, -20], [10, 25]], \"3\": [[0, [10, 20]], [5.5, [30, 40]]]}, \"pinned\": [], "
        "\"animation\": {\"motions\": [{\"file\": \"wave.mtn\", \"start\": 0}, {\"upload\": 2, \"start\": 1.5}], "
        "\"loop\": true, \"blink\": 7, \"physics\": {\"upload\": 1}, \"lipsync\": {\"file\": \"voice.wav\", "
        "\"param\": \"PARAM_MOUTH_OPEN_Y\", \"gain\": 5, \"gate\": 0.01, \"smoothing\": 0.1, \"offset\": -0.5}}}");

    put("dialog_result", "demo.json", demoLoadInfo());
    put("dialog_result", "unicode.json",
        "{\"modelPath\":\"/m/\u00e9t\u00e9/\xe6\xa8\xa1\xe5\x9e\x8b.moc\",\"texturePaths\":[\"/m/\xf0\x9f\x98\x80.png\"]}");
    put("dialog_result", "cancelled.txt", std::string());

    std::string state = demoLoadInfo();
    std::string escaped;
    for (char c : state) escaped += c == '"' ? std::string("\\\"") : std::string(1, c);
    put("project", "demo-project.json",
        "{\n  \"composition\": {\"width\": 640, \"height\": 800, \"frameRate\": 24, \"frameCount\": 72},\n"
        "  \"layers\": [\n    {\"name\": \"puppet\", \"effect\": {\"state\": \"" + escaped + "\",\n"
        "      \"params\": {\"Position\": [320, 320], \"4\": 80,\n"
        "        \"ANGLE_X\": {\"keys\": [{\"frame\": 0, \"value\": 0}, {\"frame\": 18, \"value\": 25}]},\n"
        "        \"Position\": {\"keys\": [{\"frame\": 0, \"value\": [1, 2]}, {\"frame\": 9.5, \"value\": [3, 4]}]}}}},\n"
        "    {\"name\": \"backdrop\", \"source\": {\"type\": \"solid\", \"color\": \"#eef2f7\"}},\n"
        "    {\"source\": {\"type\": \"transparent\"}, \"width\": 20, \"height\": 10},\n"
        "    {\"source\": {\"type\": \"png\", \"path\": \"missing.png\"}}\n  ]\n}\n");
    put("project", "minimal.json",
        "{\"composition\":{\"width\":1,\"height\":1,\"frameRate\":0.5,\"frameCount\":1},\"layers\":[]}");
}

// A corner of a sprite, small enough to decode quickly.
tavrix_demo::DemoTexture spriteCorner(tavrix_demo::Sprite sprite, int side)
{
    const tavrix_demo::DemoTexture painted = tavrix_demo::paintSprite(sprite);
    tavrix_demo::DemoTexture corner;
    corner.width = std::min(side, painted.width);
    corner.height = std::min(side, painted.height);
    for (int y = 0; y < corner.height; ++y) {
        const uint8_t* row = painted.rgba.data() + static_cast<size_t>(y) * painted.width * 4;
        corner.rgba.insert(corner.rgba.end(), row, row + corner.width * 4);
    }
    return corner;
}

void putPng(const std::string& name, const tavrix_demo::DemoTexture& image, lodepng::State& state)
{
    std::vector<unsigned char> png;
    if (lodepng::encode(png, image.rgba, static_cast<unsigned>(image.width), static_cast<unsigned>(image.height),
                        state) != 0) {
        std::fprintf(stderr, "make_fuzz_seeds: cannot encode %s\n", name.c_str());
        ++failures;
        return;
    }
    put("png_texture", name, png);
}

void pngSeeds()
{
    const tavrix_demo::DemoTexture iris = spriteCorner(tavrix_demo::Sprite::IRIS, 24);
    struct Kind {
        const char* name;
        LodePNGColorType type;
        unsigned depth;
        unsigned interlace;
    };
    const Kind kinds[] = {
        {"rgba8", LCT_RGBA, 8, 0},        {"rgb8", LCT_RGB, 8, 0},  {"grey8", LCT_GREY, 8, 0},
        {"grey-alpha8", LCT_GREY_ALPHA, 8, 0}, {"rgba16", LCT_RGBA, 16, 0}, {"grey1", LCT_GREY, 1, 0},
        {"rgba8-interlaced", LCT_RGBA, 8, 1},
    };
    for (const Kind& kind : kinds) {
        lodepng::State state;
        state.encoder.auto_convert = 0;
        state.info_png.color.colortype = kind.type;
        state.info_png.color.bitdepth = kind.depth;
        state.info_png.interlace_method = kind.interlace;
        putPng(std::string("iris-") + kind.name + ".png", iris, state);
    }
    // The encoder's own choice: a palette for few colours.
    lodepng::State automatic;
    putPng("mouth-line-auto.png", spriteCorner(tavrix_demo::Sprite::MOUTH_LINE, 16), automatic);
}

// Short sounds: a tone in mono and in stereo, and float samples with the
// values a damaged recording may carry.
void audioSeeds()
{
    using tavrix_test::toneBurst;
    put("audio", "tone-mono-8k.wav", tavrix_test::wavBytes(toneBurst(8000, 0.1, 0.02, 0.08, 0.5), 8000, 1));
    std::vector<float> stereo;
    for (float sample : toneBurst(44100, 0.02, 0.0, 0.02, 0.8)) {
        stereo.push_back(sample);
        stereo.push_back(-sample);
    }
    put("audio", "tone-stereo-44k.wav", tavrix_test::wavBytes(stereo, 44100, 2));
    std::vector<float> odd = toneBurst(16000, 0.05, 0.0, 0.05, 0.5);
    odd[10] = std::nanf("");
    odd[20] = INFINITY;
    odd[30] = -4.0f;
    put("audio", "odd-float-16k.wav", tavrix_test::floatWavBytes(odd, 16000));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_fuzz_seeds FOLDER\n");
        return 2;
    }
    outputFolder = argv[1];
    mocSeeds();
    motionSeeds();
    audioSeeds();
    jsonSeeds();
    pngSeeds();
    return failures ? 1 : 0;
}
