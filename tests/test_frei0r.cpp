// The frei0r plug-ins in the hosts users run: ffmpeg, melt (MLT) and
// gst-launch-1.0 (GStreamer) draw the demo puppet through the source and the
// filter into lossless frames, which must equal what tavrix play draws for
// the same options (within 1 per channel); MLT's frame threads change
// nothing; ffmpeg's piped video holds nothing of ours; bad input leaves the
// host running, the frame passed through or transparent, and one line on
// standard error.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

#include "HostString.h"
#include "ImageFile.h"
#include "support/tool/ToolProcess.h"
#include "support/audio/SyntheticSound.h"

using tavrix_media::RgbaImage;
using tavrix_test::ToolRun;

using ::testing::HasSubstr;

namespace {

const std::string MOTIONS = TAVRIX_EXAMPLES_DIR "/motions";

RgbaImage readImage(const std::string& path)
{
    RgbaImage image;
    std::string why;
    EXPECT_TRUE(tavrix_media::readPng(path, image, why)) << why;
    return image;
}

// The frame a filter should give: the puppet (straight alpha) painted over
// the input's colours, the input's alpha kept.
RgbaImage paintedOver(const RgbaImage& puppet, const RgbaImage& input)
{
    RgbaImage out = input;
    for (size_t i = 0; i + 3 < out.pixels.size() && i + 3 < puppet.pixels.size(); i += 4) {
        const unsigned alpha = puppet.pixels[i + 3];
        for (int c = 0; c < 3; ++c) {
            out.pixels[i + c] =
                static_cast<uint8_t>((puppet.pixels[i + c] * alpha + input.pixels[i + c] * (255 - alpha) + 127) / 255);
        }
    }
    return out;
}

// The largest difference of any channel; 256 when the sizes differ.
int largestDifference(const RgbaImage& a, const RgbaImage& b)
{
    if (a.width != b.width || a.height != b.height || a.pixels.size() != b.pixels.size()) return 256;
    int largest = 0;
    for (size_t i = 0; i < a.pixels.size(); ++i) largest = std::max(largest, std::abs(a.pixels[i] - b.pixels[i]));
    return largest;
}

// Numbered frame files: pattern with one %d field, numbered from first.
struct Frames {
    std::string pattern;
    int first = 0;

    std::string name(int index) const
    {
        char name[512];
        std::snprintf(name, sizeof name, pattern.c_str(), first + index);
        return name;
    }
};

// Lines of text that start with prefix.
int linesStartingWith(const std::string& text, const std::string& prefix)
{
    std::istringstream lines(text);
    std::string line;
    int count = 0;
    while (std::getline(lines, line)) count += line.rfind(prefix, 0) == 0;
    return count;
}

class Frei0rTest : public tavrix_test::ToolTest {
protected:
    void SetUp() override
    {
        for (const char* host : {"ffmpeg", "melt", "gst-launch-1.0"}) {
            const std::string check = std::string("command -v ") + host + " > /dev/null";
            if (std::system(check.c_str()) == 0) continue;
            const char* ci = std::getenv("CI");
            if (ci && std::string(ci) == "true") FAIL() << host << " is missing: ./scripts/install-deps.sh --test";
            GTEST_SKIP() << host << " is missing: ./scripts/install-deps.sh --test installs it";
        }
        tavrix_test::generateDemo(dir + "/demo");
        model = dir + "/demo/demo.json";
    }

    // Runs a host's command line in the scratch folder, with the plug-ins
    // on the frei0r path and a registry of GStreamer's own.
    ToolRun host(const std::string& command)
    {
        const std::string outPath = dir + "/host.out";
        const std::string errPath = dir + "/host.err";
        const std::string line = "cd '" + dir + "' && FREI0R_PATH='" + TAVRIX_FREI0R_DIR + "' GST_REGISTRY='" + dir +
                                 "/gst-registry.bin' " + TAVRIX_HOST_ENV + " timeout 120 " + command + " > '" +
                                 outPath + "' 2> '" + errPath + "'";
        const int raw = std::system(line.c_str());
        ToolRun r;
        r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        r.out = tavrix_test::readFile(outPath);
        r.err = tavrix_test::readFile(errPath);
        return r;
    }

    // tavrix play of the demo puppet into dir/NAME/frame_####.png.
    Frames play(const std::string& name, const std::string& options)
    {
        ToolRun r = run("play '" + model + "' " + options + " -q -o '" + dir + "/" + name + "/frame_%04d.png'");
        EXPECT_EQ(r.status, 0) << r.err;
        return Frames{dir + "/" + name + "/frame_%04d.png", 0};
    }

    // count host frames against the reference frames, painted over the
    // background frames when there are any.
    void expectFrames(const Frames& host, const Frames& reference, int count, const Frames& background = {})
    {
        for (int i = 0; i < count; ++i) {
            const RgbaImage drawn = readImage(host.name(i));
            RgbaImage expected = readImage(reference.name(i));
            if (!background.pattern.empty()) expected = paintedOver(expected, readImage(background.name(i)));
            EXPECT_LE(largestDifference(drawn, expected), 1) << host.name(i) << " against " << reference.name(i);
        }
    }

    std::string model;
};

// The animated puppet: motion, blinking, hairs, a voice moving the mouth
// form, held parameters, placed and scaled; at 25 frames per second (time
// unit, fps) as tavrix play draws it.
const char* const PLAY_OPTIONS = "--fps 25 --size 160x120 --duration 0.2 --place 0.5,0.7,0.6 --blink 7 "
                                 "--set PARAM_ANGLE_Z=12 --set PARAM_MOUTH_OPEN_Y=1";

class AnimatedFrei0rTest : public Frei0rTest {
protected:
    void SetUp() override
    {
        Frei0rTest::SetUp();
        tavrix_test::writeWav(dir + "/voice.wav", tavrix_test::toneBurst(44100, 0.5, 0.05, 0.5, 0.1), 44100, 1);
    }
    Frames playAnimation()
    {
        return play("play", " --motion '" + MOTIONS + "/demo_wave.mtn' --physics '" + MOTIONS +
                                "/demo_hair.json' --lipsync '" + dir + "/voice.wav:PARAM_MOUTH_FORM' " + PLAY_OPTIONS);
    }
};

TEST_F(AnimatedFrei0rTest, FfmpegSourceAndFilterDrawWhatPlayDraws)
{
    const Frames reference = playAnimation();
    // Positional parameters; quoted for the filter graph (';'), ':' escaped
    // for the filter's options.
    const std::string params = "filter_params='" + model + "|0.001|0.5|0.7|0.15|" + MOTIONS + "/demo_wave.mtn|7|" +
                               MOTIONS + "/demo_hair.json|voice.wav\\:PARAM_MOUTH_FORM|PARAM_ANGLE_Z=12;PARAM_MOUTH_OPEN_Y=1|n|25'";
    ToolRun source = host("ffmpeg -v error -f lavfi -i \"frei0r_src=size=160x120:framerate=25:filter_name="
                          "tavrix_puppet_src:" + params + "\" -frames:v 5 src_%02d.png");
    ASSERT_EQ(source.status, 0) << source.err;
    EXPECT_EQ(source.err, "");
    expectFrames({dir + "/src_%02d.png", 1}, reference, 5);

    const std::string clip = "-f lavfi -i testsrc2=size=160x120:rate=25:duration=0.2";
    ASSERT_EQ(host("ffmpeg -v error " + clip + " -pix_fmt rgba clip_%02d.png").status, 0);
    ToolRun filter = host("ffmpeg -v error " + clip + " -vf \"frei0r=filter_name=tavrix_puppet:" + params +
                          "\" -pix_fmt rgba over_%02d.png");
    ASSERT_EQ(filter.status, 0) << filter.err;
    expectFrames({dir + "/over_%02d.png", 1}, reference, 5, {dir + "/clip_%02d.png", 1});
}

TEST_F(Frei0rTest, FfmpegPipesTheSameVideoItWritesToAFile)
{
    const std::string graph = "-f lavfi -i testsrc2=size=96x64:rate=25:duration=0.2 -vf \"frei0r=filter_name="
                              "tavrix_puppet:filter_params=" + model + "|0.001|0.5|0.5|0.2|" + MOTIONS +
                              "/demo_wave.mtn\" -f rawvideo -pix_fmt rgba";
    ASSERT_EQ(host("ffmpeg -v error " + graph + " -y piped.rgba").status, 0);
    ToolRun piped = host("sh -c 'ffmpeg -v error " + graph + " - | cat'");
    ASSERT_EQ(piped.status, 0) << piped.err;
    EXPECT_EQ(piped.out.size(), 96u * 64 * 4 * 5);
    EXPECT_TRUE(piped.out == tavrix_test::readFile(dir + "/piped.rgba")) << "the piped bytes differ";
}

// melt: the filter twice in one graph, over a clip, with keyframed sliders;
// four frame threads (real_time=-4, each with instances of its own) give
// the frames of one thread, which are play's; the source is a producer.
TEST_F(AnimatedFrei0rTest, MeltWithFourThreadsDrawsWhatOneThreadAndPlayDraw)
{
    const std::string consumer = " width=160 height=120 progressive=1 frame_rate_num=25 frame_rate_den=1 "
                                 "mlt_image_format=rgba vcodec=png pix_fmt=rgba";
    ASSERT_EQ(host("ffmpeg -v error -f lavfi -i testsrc2=size=160x120:rate=25:duration=0.4 -c:v ffv1 "
                   "-pix_fmt rgba clip.mkv").status, 0);
    const std::string graph = "clip.mkv in=0 out=9 -attach frei0r.tavrix_puppet model=" + model +
                              " x=0.3 y=0.8 scale=0.1 motion=" + MOTIONS + "/demo_wave.mtn physics=" + MOTIONS +
                              "/demo_hair.json fps=25 -attach frei0r.tavrix_puppet model=" + model +
                              " x=0.75 y=0.6 scale=0.08 fps=0.025 sliders=PARAM_ANGLE_X\\;PARAM_EYE_L_OPEN"
                              " 'slider 1=0=0.5;9=1' 14=0";
    ToolRun one = host("melt -silent -quiet " + graph + " -consumer avformat:one_%02d.png real_time=-1" + consumer);
    ASSERT_EQ(one.status, 0) << one.err;
    ToolRun four = host("melt -silent -quiet " + graph + " -consumer avformat:four_%02d.png real_time=-4" + consumer);
    ASSERT_EQ(four.status, 0) << four.err;
    ASSERT_EQ(host("melt -silent -quiet clip.mkv in=0 out=9 -consumer avformat:clip_%02d.png" + consumer).status, 0);
    expectFrames({dir + "/four_%02d.png", 1}, {dir + "/one_%02d.png", 1}, 10);

    // The second puppet alone at its first and last keyframe, over the
    // first puppet's frames.
    ToolRun first = host("melt -silent -quiet clip.mkv in=0 out=9 -attach frei0r.tavrix_puppet model=" + model +
                         " x=0.3 y=0.8 scale=0.1 motion=" + MOTIONS + "/demo_wave.mtn physics=" + MOTIONS +
                         "/demo_hair.json fps=25 -consumer avformat:first_%02d.png real_time=-1" + consumer);
    ASSERT_EQ(first.status, 0) << first.err;
    const Frames firstPuppet = play("first", "--fps 25 --size 160x120 --duration 0.4 --place 0.3,0.8,0.4 "
                                                  "--motion '" + MOTIONS + "/demo_wave.mtn' --physics '" + MOTIONS +
                                                  "/demo_hair.json'");
    expectFrames({dir + "/first_%02d.png", 1}, firstPuppet, 10, {dir + "/clip_%02d.png", 1});
    const Frames start = play("start", "--size 160x120 --duration 0.04 --place 0.75,0.6,0.32 "
                                            "--set PARAM_ANGLE_X=0 --set PARAM_EYE_L_OPEN=0");
    expectFrames({dir + "/one_%02d.png", 1}, start, 1, {dir + "/first_%02d.png", 1});
    const Frames end = play("end", "--size 160x120 --duration 0.04 --place 0.75,0.6,0.32 "
                                        "--set PARAM_ANGLE_X=30 --set PARAM_EYE_L_OPEN=0");
    expectFrames({dir + "/one_%02d.png", 10}, end, 1, {dir + "/first_%02d.png", 10});

    ToolRun source = host("melt -silent -quiet frei0r.tavrix_puppet_src in=0 out=4 model=" + model +
                          " x=0.5 y=0.7 scale=0.15 motion=" + MOTIONS + "/demo_wave.mtn physics=" + MOTIONS +
                          "/demo_hair.json blink=7 lipsync=voice.wav:PARAM_MOUTH_FORM set=PARAM_ANGLE_Z:12\\;PARAM_MOUTH_OPEN_Y:1"
                          " fps=25"
                          " -consumer avformat:src_%02d.png" + consumer);
    ASSERT_EQ(source.status, 0) << source.err;
    expectFrames({dir + "/src_%02d.png", 1}, playAnimation(), 5);
}

// kdenlive and Shotcut title and bound the sliders from the descriptions
// installed beside MLT's own: MLT must read them.
TEST_F(Frei0rTest, MeltReadsTheSliderDescriptions)
{
    const std::string mltData = "/usr/share/mlt-7";
    namespace fs = std::filesystem;
    // MLT's own data, with the frei0r descriptions ours joined to.
    const fs::path mlt = path("mlt");
    fs::create_directories(mlt / "frei0r");
    for (const fs::directory_entry& entry : fs::directory_iterator(mltData)) {
        if (entry.path().filename() != "frei0r") fs::create_symlink(entry.path(), mlt / entry.path().filename());
    }
    for (const fs::directory_entry& entry : fs::directory_iterator(mltData + "/frei0r")) {
        fs::copy_file(entry.path(), mlt / "frei0r" / entry.path().filename());
    }
    for (const fs::directory_entry& entry : fs::directory_iterator(TAVRIX_FREI0R_SOURCE_DIR "/mlt")) {
        if (entry.path().extension() == ".yml") fs::copy_file(entry.path(), mlt / "frei0r" / entry.path().filename());
    }
    for (const char* service : {"filter=frei0r.tavrix_puppet", "producer=frei0r.tavrix_puppet_src"}) {
        ToolRun query = host(std::string("env MLT_DATA=mlt melt -query ") + service);
        ASSERT_EQ(query.status, 0) << query.err;
        EXPECT_THAT(query.out, HasSubstr("title: Slider parameters"));
        EXPECT_THAT(query.out, HasSubstr("title: Slider 8"));
    }
}

TEST_F(AnimatedFrei0rTest, GstreamerSourceAndFilterDrawWhatPlayDraws)
{
    const Frames reference = playAnimation();
    const std::string properties = "model=" + model + " x=0.5 y=0.7 scale=0.15 motion=" + MOTIONS +
                                   "/demo_wave.mtn physics=" + MOTIONS + "/demo_hair.json blink=7 "
                                   "lipsync=voice.wav:PARAM_MOUTH_FORM set='PARAM_ANGLE_Z=12;PARAM_MOUTH_OPEN_Y=1' "
                                   "fps=0.025";
    const std::string caps = " ! video/x-raw,format=RGBA,width=160,height=120,framerate=25/1 ! ";
    ToolRun source = host("gst-launch-1.0 -q frei0r-src-tavrix-puppet-src " + properties + " num-buffers=5" + caps +
                          "pngenc ! multifilesink location=src_%02d.png");
    ASSERT_EQ(source.status, 0) << source.err;
    expectFrames({dir + "/src_%02d.png", 0}, reference, 5);

    const std::string clip = "gst-launch-1.0 -q videotestsrc pattern=smpte num-buffers=5" + caps;
    ASSERT_EQ(host(clip + "pngenc ! multifilesink location=clip_%02d.png").status, 0);
    ToolRun filter = host(clip + "frei0r-filter-tavrix-puppet " + properties +
                          " ! pngenc ! multifilesink location=over_%02d.png");
    ASSERT_EQ(filter.status, 0) << filter.err;
    expectFrames({dir + "/over_%02d.png", 0}, reference, 5, {dir + "/clip_%02d.png", 0});
}

// Bad files and values (damaged files, and hostile ones that once broke a
// loader, from the fuzz targets' regressions), each in an instance of its own
// along one filter chain: the clip passes through unchanged, each fault is
// one line. Sources
// with a bad model give transparent frames; absurd sizes draw or are drawn
// smaller and enlarged, with a line.
TEST_F(Frei0rTest, BadInputLeavesTheFramesAloneWithOneLineEach)
{
    const std::string damaged = dir + "/damaged.moc";
    const std::string whole = tavrix_test::readFile(dir + "/demo/demo.moc");
    write("damaged.moc", whole.substr(0, whole.size() / 2));
    write("noise.wav", std::string(5000, 'x'));
    write("bad.mtn", std::string(300, '\0'));
    const std::vector<std::string> bad = {
        "/no/such/puppet.moc",
        damaged,
        std::string(FUZZ_REGRESSIONS) + "/model_json/deep-nesting.json",
        model + "|0.001|0.5|0.5|0.25|" + dir + "/bad.mtn",
        model + "|0.001|0.5|0.5|0.25||seven",
        model + "|0.001|0.5|0.5|0.25|||" + FUZZ_REGRESSIONS + "/physics/deep-nesting.json",
        model + "|0.001|0.5|0.5|0.25||||" + dir + "/noise.wav",
        model + "|0.001|0.5|0.5|0.25|||||PARAM_ANGLE_X=wide",
    };
    std::string chain;
    for (const std::string& params : bad) {
        chain += (chain.empty() ? "" : ",") + std::string("frei0r=filter_name=tavrix_puppet:filter_params='") + params +
                 "'";
    }
    const std::string clip = "-f lavfi -i testsrc2=size=64x48:rate=25:duration=0.12 -f rawvideo -pix_fmt rgba";
    ToolRun plain = host("ffmpeg -v error " + clip + " -");
    ToolRun filtered = host("ffmpeg -v error " + clip + " -vf \"" + chain + "\" -");
    ASSERT_EQ(filtered.status, 0) << filtered.err;
    EXPECT_TRUE(filtered.out == plain.out) << "a frame was changed";
    EXPECT_EQ(linesStartingWith(filtered.err, "tavrix_puppet: "), static_cast<int>(bad.size())) << filtered.err;
    EXPECT_EQ(linesStartingWith(filtered.err, "tavrix_puppet: "), linesStartingWith(filtered.err, "")) << filtered.err;

    ToolRun source = host("ffmpeg -v error -f lavfi -i \"frei0r_src=size=32x24:framerate=25:filter_name="
                          "tavrix_puppet_src:filter_params=" + damaged + "\" -frames:v 3 -f rawvideo -pix_fmt rgba -");
    ASSERT_EQ(source.status, 0) << source.err;
    EXPECT_TRUE(source.out == std::string(32 * 24 * 4 * 3, '\0')) << "not transparent black";
    EXPECT_EQ(linesStartingWith(source.err, "tavrix_puppet_src: "), 1) << source.err;

    // A frame taller than OpenGL draws (Mesa's software renderer: 16384) is
    // drawn smaller and enlarged, with a line; a 1 x 1 frame draws.
    for (const char* size : {"16x20000", "1x1"}) {
        ToolRun odd = host(std::string("ffmpeg -v error -f lavfi -i \"frei0r_src=size=") + size +
                           ":framerate=25:filter_name=tavrix_puppet_src:filter_params=" + model +
                           "|1|0.5|0.5|1\" -frames:v 2 -f rawvideo -pix_fmt rgba -");
        EXPECT_EQ(odd.status, 0) << size << ": " << odd.err;
        const bool large = std::string(size) != "1x1";
        EXPECT_EQ(linesStartingWith(odd.err, ""), large ? 1 : 0) << odd.err;
        EXPECT_EQ(linesStartingWith(odd.err, "tavrix_puppet_src: frames of 16 x 20000 are larger than OpenGL draws "
                                             "here: the puppet is drawn at "),
                  large ? 1 : 0)
            << odd.err;
        if (large) {
            EXPECT_NE(odd.out.find_first_not_of('\0'), std::string::npos) << "no puppet drawn";
        }
    }
}

// GStreamer hands a string property changed while playing over as the
// char array itself instead of a pointer to its char*.
TEST(HostStringTest, TakesAPointerToTheTextAndTheTextItself)
{
    std::string path = "/models/puppet.json";
    const char* text = path.c_str();
    EXPECT_EQ(tavrix_frei0r::hostString(&text), path);
    EXPECT_EQ(tavrix_frei0r::hostString(text), path);
    const char* none = nullptr;
    EXPECT_EQ(tavrix_frei0r::hostString(&none), "");
    EXPECT_EQ(tavrix_frei0r::hostString(nullptr), "");
}

} // namespace
