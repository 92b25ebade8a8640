// tavrix render and tavrix play writing video: clips of each kind decoded
// back and compared with the PNG frames of the same run, clips of chunks,
// frames joined by tavrix encode, and the one-line refusals that come before
// any frame is rendered.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <json/json.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "ImageFile.h"
#include "support/plugin/PluginFixture.h"
#include "support/tool/ToolProcess.h"
#include "support/video/ClipDecoder.h"

using namespace tavrix_test;
using tavrix_media::RgbaImage;
using ::testing::StartsWith;

namespace {

const Rgba8 SQUARE{220, 60, 30, 160};

class VideoCommandTest : public ToolTest {
protected:
    // A composition of 8 frames at 24 frames/s: a half-transparent square
    // (40 x 40 pixels) moving right over nothing.
    void writeProject(int width, int height)
    {
        write("shot.json", movingEffectProject(width, height, centredSquareState(SQUARE)).toStyledString());
    }

    ToolRun render(const std::string& args) { return run("render shot.json -q " + args); }

    RgbaImage pngFrame(int frame)
    {
        RgbaImage image;
        std::string why;
        char name[32];
        std::snprintf(name, sizeof name, "png/f_%04d.png", frame);
        EXPECT_TRUE(tavrix_media::readPng(path(name), image, why)) << why;
        return image;
    }

    DecodedClip decode(const std::string& name)
    {
        DecodedClip clip;
        std::string why;
        EXPECT_TRUE(decodeClip(path(name), clip, why)) << why;
        return clip;
    }
};

// Mean and largest difference of colour (premultiplied, as a compositor
// sees it) and of alpha.
struct Difference {
    double meanColor = 0;
    int maxAlpha = 0;
};

Difference compare(const RgbaImage& expected, const RgbaImage& actual)
{
    Difference d;
    long long sum = 0;
    for (size_t i = 0; i + 3 < expected.pixels.size(); i += 4) {
        for (int c = 0; c < 3; ++c) {
            sum += std::abs(expected.pixels[i + c] * expected.pixels[i + 3] / 255 -
                            actual.pixels[i + c] * actual.pixels[i + 3] / 255);
        }
        d.maxAlpha = std::max(d.maxAlpha, std::abs(expected.pixels[i + 3] - actual.pixels[i + 3]));
    }
    d.meanColor = static_cast<double>(sum) / static_cast<double>(expected.pixels.size() / 4 * 3);
    return d;
}

TEST_F(VideoCommandTest, ClipsHoldTheRangeOfFramesAsThePngFramesShowThem)
{
    writeProject(200, 100);
    ToolRun png = render("-o 'png/f_####.png'");
    ASSERT_EQ(png.status, 0) << png.err;

    struct Case {
        const char* name;
        const char* options;
        bool alpha;
    } cases[] = {
        {"clip.webm", "", true},
        {"clip.mov", "", true},
        {"clip.mp4", "--background '#204060'", false},
        // Frames over an opaque background need no alpha plane.
        {"opaque.webm", "--background '#204060'", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ToolRun r = render(std::string(c.options) + " -s 2 -e 6 -o " + c.name);
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "");
        const DecodedClip clip = decode(c.name);
        EXPECT_EQ(clip.width, 200);
        EXPECT_EQ(clip.height, 100);
        EXPECT_NEAR(clip.frameRate, 24, 0.001);
        EXPECT_EQ(clip.alphaPlane, c.alpha);
        ASSERT_EQ(clip.frames.size(), 5u) << "frames 2 to 6";
        for (int i = 0; i < 5; ++i) {
            RgbaImage expected = pngFrame(2 + i);
            if (!c.alpha) tavrix_media::compositeOver(expected, tavrix_media::Rgba8{0x20, 0x40, 0x60, 255});
            Difference d = compare(expected, clip.frames[static_cast<size_t>(i)]);
            EXPECT_LE(d.meanColor, 1.5) << "frame " << 2 + i;
            // Away from the square's edges alpha comes back as it went in.
            const int centre = (60 + 10 * (2 + i)) * 4 + 50 * 200 * 4;
            EXPECT_NEAR(clip.frames[static_cast<size_t>(i)].pixels[static_cast<size_t>(centre) + 3],
                        c.alpha ? SQUARE.a : 255, 2);
            EXPECT_NEAR(clip.frames[static_cast<size_t>(i)].pixels[3], c.alpha ? 0 : 255, 2);
        }
    }
}

TEST_F(VideoCommandTest, ClipsLeaveOutAlphaOnlyOverABackdropThatHidesEverything)
{
    struct Case {
        const char* name;
        const char* colour;
        int width; // of the backdrop; 0: the composition's
        bool alpha;
        int cornerAlpha;
    } cases[] = {
        {"covered.webm", "#204060", 0, false, 255},
        {"covered.mov", "#204060", 0, false, 255},
        {"see-through.webm", "#20406080", 0, true, 128},
        {"narrow.mov", "#204060", 150, true, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Json::Value project = movingEffectProject(200, 100, centredSquareState(SQUARE));
        Json::Value& backdrop = project["layers"].append(Json::Value());
        backdrop["source"]["type"] = "solid";
        backdrop["source"]["color"] = c.colour;
        if (c.width) backdrop["width"] = c.width;
        write("shot.json", project.toStyledString());
        ToolRun r = render(std::string("-e 1 -o ") + c.name);
        ASSERT_EQ(r.status, 0) << r.err;
        const DecodedClip clip = decode(c.name);
        EXPECT_EQ(clip.alphaPlane, c.alpha);
        ASSERT_EQ(clip.frames.size(), 2u);
        const uint8_t* corner = clip.frames[0].pixels.data();
        EXPECT_NEAR(corner[3], c.cornerAlpha, 2);
        if (c.cornerAlpha) {
            EXPECT_NEAR(corner[2], 0x60, 3);
        }
    }
}

TEST_F(VideoCommandTest, ChunksInParallelMakeOneClipEach)
{
    writeProject(200, 100);
    ASSERT_TRUE(runToolChunks(dir, "render shot.json -o 'parts/part_####.mov' -q", 3));
    // 8 frames in 3 chunks: 0-2, 3-5, 6-7.
    const struct {
        const char* name;
        size_t frames;
    } parts[] = {{"part_0000.mov", 3}, {"part_0003.mov", 3}, {"part_0006.mov", 2}};
    for (const auto& part : parts) EXPECT_EQ(decode(std::string("parts/") + part.name).frames.size(), part.frames);
    EXPECT_EQ(filesIn(path("parts")).size(), 3u);
}

TEST_F(VideoCommandTest, EncodedFramesMakeTheClipRenderMakes)
{
    writeProject(200, 100);
    const struct {
        const char* name;
        const char* options; // of both renders
    } cases[] = {{"clip.webm", ""}, {"clip.mp4", ""}, {"opaque.mov", "--background '#204060'"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ToolRun r = render(std::string(c.options) + " -o 'frames/f_%03d.png' -s 2 -e 6");
        ASSERT_EQ(r.status, 0) << r.err;
        r = render(std::string(c.options) + " -o rendered/" + c.name + " -s 2 -e 6");
        ASSERT_EQ(r.status, 0) << r.err;
        r = run(std::string("encode 'frames/f_###.png' --rate 24 -q -o encoded/") + c.name);
        ASSERT_EQ(r.status, 0) << r.err;
        const DecodedClip rendered = decode(std::string("rendered/") + c.name);
        const DecodedClip encoded = decode(std::string("encoded/") + c.name);
        EXPECT_EQ(encoded.alphaPlane, rendered.alphaPlane);
        ASSERT_EQ(encoded.frames.size(), 5u);
        for (size_t i = 0; i < 5; ++i) EXPECT_TRUE(encoded.frames[i].pixels == rendered.frames[i].pixels) << i;
    }
    std::filesystem::remove(path("frames/f_004.png"));
    const struct {
        std::string args;
        int status;
        const char* message;
    } refusals[] = {
        {"'frames/f_###.png' -o bad/clip.webm", 1,
         "tavrix encode: frame 4 is missing (frames/f_004.png); frames 2 to 6 are needed\n"},
        {"'frames/g_###.png' -o bad/clip.webm", 1, "tavrix encode: no frames match 'frames/g_###.png'\n"},
        {"'frames/f_###.png' -o 'bad/f_###.png'", 2, "tavrix encode: 'bad/f_###.png' must end in .mp4, .webm or .mov\n"},
    };
    for (const auto& c : refusals) {
        ToolRun r = run("encode --rate 24 -q " + c.args);
        EXPECT_EQ(r.status, c.status) << c.args;
        EXPECT_EQ(r.err, c.message);
    }
    EXPECT_TRUE(filesIn(path("bad")).empty());
}

TEST_F(VideoCommandTest, OddSizesAreTakenOrPaddedWithANote)
{
    writeProject(201, 101);
    ToolRun r = render("-e 1 -o odd.webm");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    r = render("-e 1 -o odd.mp4");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "tavrix render: H.264 needs even sides: the clip is 202x102, the 201x101 frames with their last "
                     "column/row repeated\n");
    for (const char* name : {"odd.webm", "odd.mp4"}) {
        const DecodedClip clip = decode(name);
        EXPECT_EQ(clip.frames.size(), 2u) << name;
        EXPECT_EQ(clip.width, std::string(name) == "odd.webm" ? 201 : 202) << name;
    }
}

TEST_F(VideoCommandTest, BadOutputsAndChunksAreRefusedBeforeAnyFrame)
{
    writeProject(200, 100);
    const struct {
        std::string args;
        int status;
        const char* message; // the start of the one line on standard error
    } cases[] = {
        {"-o out/clip.avi", 2, "tavrix render: output 'out/clip.avi': unknown extension '.avi'"},
        {"-o out/f_####.png --crf 20", 2, "tavrix render: --crf applies to video output"},
        {"-o out/clip.mp4 --bitrate lots", 2, "tavrix render: --bitrate: bitrate 'lots' is not bits per second"},
        {"-o out/clip.mp4 --background pink", 2, "tavrix render: --background: colour 'pink'"},
        {"-o out/clip.webm --chunk 1/3", 2, "tavrix render: output 'out/clip.webm': each chunk makes a clip"},
        {"-o 'out/f_####.png' --chunk 0/3", 2, "tavrix render: --chunk '0/3' names no chunk"},
        {"-o 'out/f_####.png' --chunk 4/3", 2, "tavrix render: --chunk '4/3' names no chunk"},
        {"-o 'out/f_####.png' --chunk a/b", 2, "tavrix render: --chunk 'a/b' is not K/N"},
        {"-o out/clip.mp4 --crf 60", 1, "tavrix render: --crf for H.264 (.mp4) is from 0 to 51"},
        {"-o out/clip.mov --bitrate 5M", 1, "tavrix render: ProRes 4444 with alpha (.mov) has no --bitrate"},
    };
    for (const auto& c : cases) {
        ToolRun r = run("render shot.json " + c.args);
        EXPECT_EQ(r.status, c.status) << c.args;
        EXPECT_THAT(r.err, StartsWith(c.message)) << c.args;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_TRUE(filesIn(path("out")).empty()) << c.args << ": nothing is written";
    }
}

TEST_F(VideoCommandTest, PlayWritesItsFramesIntoAClipAtItsFrameRate)
{
    writeDemoModel();
    const std::string play = "play demo.moc --duration 0.5 --fps 25 --size 80x100 -q ";
    ToolRun r = run(play + "-o 'png/f_####.png'");
    ASSERT_EQ(r.status, 0) << r.err;
    r = run(play + "--background '#ffffff' -o played.mp4");
    ASSERT_EQ(r.status, 0) << r.err;
    const DecodedClip clip = decode("played.mp4");
    EXPECT_EQ(clip.width, 80);
    EXPECT_EQ(clip.height, 100);
    EXPECT_NEAR(clip.frameRate, 25, 0.001);
    ASSERT_EQ(clip.frames.size(), 13u) << "0.5 s at 25 frames/s, rounded up";
    for (int i = 0; i < 13; i += 6) {
        RgbaImage expected = pngFrame(i);
        tavrix_media::compositeOver(expected, tavrix_media::Rgba8{255, 255, 255, 255});
        EXPECT_LE(compare(expected, clip.frames[static_cast<size_t>(i)]).meanColor, 3.0) << "frame " << i;
    }
    r = run(play + "-o played.mov --crf 20");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "tavrix play: ProRes 4444 with alpha (.mov) has no --crf setting\n");
}

} // namespace
