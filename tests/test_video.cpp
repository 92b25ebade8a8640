// Video files: clips of each kind are decoded back with FFmpeg's libraries
// and compared with the frames that went in: count, size, frame rate, colour
// within the codec's tolerance, alpha; bad settings and failed encodes leave
// no file behind.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <csignal>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "FrameOutput.h"
#include "VideoWriter.h"
#include "YuvConversion.h"
#include "support/Files.h"
#include "support/video/ClipDecoder.h"

using namespace tavrix_media;
using tavrix_test::DecodedClip;
using tavrix_test::decodeClip;
using ::testing::HasSubstr;

namespace {

// Flat 16 x 16 blocks whose colours and alpha change from frame to frame.
RgbaImage testFrame(int width, int height, int index)
{
    RgbaImage image{static_cast<unsigned>(width), static_cast<unsigned>(height), {}};
    const uint8_t alphas[] = {255, 200, 128, 60};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            int bx = x / 16, by = y / 16;
            image.pixels.push_back(static_cast<uint8_t>(40 + (bx * 50 + index * 12) % 180));
            image.pixels.push_back(static_cast<uint8_t>(40 + (by * 70 + index * 5) % 180));
            image.pixels.push_back(static_cast<uint8_t>(40 + ((bx + by) * 30) % 180));
            image.pixels.push_back(alphas[(bx + by + index) % 4]);
        }
    }
    return image;
}

// Differences inside the blocks, away from the edges that 4:2:0 chroma and
// the codecs' transforms blur: what is left there is the colour pipeline
// (matrix, range, channel order) plus the codec's quantisation.
struct Difference {
    double meanColor = 0;
    int maxColor = 0;
    int maxAlpha = 0;
};

Difference compare(const RgbaImage& expected, const RgbaImage& actual)
{
    Difference d;
    long long sum = 0, count = 0;
    for (unsigned y = 0; y < expected.height; ++y) {
        for (unsigned x = 0; x < expected.width; ++x) {
            if (x % 16 < 3 || x % 16 > 12 || y % 16 < 3 || y % 16 > 12 || x + 3 > expected.width) continue;
            size_t at = (static_cast<size_t>(y) * expected.width + x) * 4;
            for (int c = 0; c < 3; ++c) {
                int error = std::abs(expected.pixels[at + c] - actual.pixels[at + c]);
                sum += error;
                d.maxColor = std::max(d.maxColor, error);
            }
            d.maxAlpha = std::max(d.maxAlpha, std::abs(expected.pixels[at + 3] - actual.pixels[at + 3]));
            count += 3;
        }
    }
    d.meanColor = count ? static_cast<double>(sum) / count : 0;
    return d;
}

VideoSettings sized(int width, int height, double frameRate)
{
    VideoSettings settings;
    settings.width = width;
    settings.height = height;
    settings.frameRate = frameRate;
    return settings;
}

class VideoTest : public ::testing::Test {
protected:
    int filesInDir() const { return static_cast<int>(tavrix_test::filesIn(dir).size()); }
    // Encodes `count` test frames; the writer's reason on failure.
    std::string encode(const std::string& name, VideoFormat format, const VideoSettings& settings, int count,
                       std::string* note = nullptr)
    {
        VideoWriter writer;
        std::string why;
        if (!writer.open(dir + "/" + name, format, settings, why)) return why;
        if (note) *note = writer.note();
        for (int i = 0; i < count; ++i)
            if (!writer.writeFrame(testFrame(settings.width, settings.height, i), why)) return why;
        return writer.finish(why) ? "" : why;
    }

    tavrix_test::ScratchFolder scratch{"video"};
    const std::string dir = scratch.path();
};

// The colours every player expects of BT.709 limited range, from either
// path, and the two paths alike on pictures whose sizes leave edges to each.
TEST(YuvConversionTest, GivesBt709LimitedRangeAlikeOnEveryPath)
{
    const struct {
        Rgba8 colour;
        int y, cb, cr; // 8-bit; 10-bit within 2 of four times these
    } colours[] = {
        {{255, 255, 255, 255}, 235, 128, 128}, {{0, 0, 0, 255}, 16, 128, 128},   {{255, 0, 0, 255}, 63, 102, 240},
        {{0, 255, 0, 255}, 173, 42, 26},       {{0, 0, 255, 128}, 32, 240, 118},
    };
    for (const auto& c : colours) {
        for (ConversionPath path : {ConversionPath::Fastest, ConversionPath::Portable}) {
            std::vector<uint8_t> pixels;
            for (int i = 0; i < 64 * 2; ++i) pixels.insert(pixels.end(), {c.colour.r, c.colour.g, c.colour.b, c.colour.a});
            uint8_t y[128], cb[32], cr[32], a[128];
            YuvPlanes planes;
            planes.data[0] = y, planes.data[1] = cb, planes.data[2] = cr, planes.data[3] = a;
            planes.linesize[0] = planes.linesize[3] = 64, planes.linesize[1] = planes.linesize[2] = 32;
            convertToYuv(pixels.data(), 64, 2, YuvLayout::Yuv420, planes, path);
            EXPECT_EQ(std::vector<int>({y[63], cb[31], cr[31], a[127]}), std::vector<int>({c.y, c.cb, c.cr, c.colour.a}));
            uint16_t y10[128], cb10[128], cr10[128], a10[128];
            YuvPlanes ten;
            ten.data[0] = reinterpret_cast<uint8_t*>(y10), ten.data[1] = reinterpret_cast<uint8_t*>(cb10);
            ten.data[2] = reinterpret_cast<uint8_t*>(cr10), ten.data[3] = reinterpret_cast<uint8_t*>(a10);
            for (int& bytes : ten.linesize) bytes = 128;
            convertToYuv(pixels.data(), 64, 2, YuvLayout::Yuv444Ten, ten, path);
            EXPECT_NEAR(y10[127], 4 * c.y, 2);
            EXPECT_NEAR(cb10[127], 4 * c.cb, 2);
            EXPECT_NEAR(cr10[127], 4 * c.cr, 2);
            EXPECT_EQ(a10[127], c.colour.a == 255 ? 1023 : 514);
        }
    }
    // Sizes around the 16 pixels taken at once, odd ones leaving half blocks.
    uint32_t seed = 7;
    for (int width : {1, 15, 16, 17, 47}) {
        for (int height : {1, 2, 5}) {
            for (YuvLayout layout : {YuvLayout::Yuv420, YuvLayout::Yuv444Ten}) {
                std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4);
                for (uint8_t& value : pixels) value = static_cast<uint8_t>((seed = seed * 1103515245 + 12345) >> 16);
                std::vector<uint8_t> made[2];
                for (int path = 0; path < 2; ++path) {
                    made[path].assign(4 * 200 * 5, 0);
                    YuvPlanes planes;
                    for (int plane = 0; plane < 4; ++plane) {
                        planes.data[plane] = made[path].data() + plane * 200 * 5;
                        planes.linesize[plane] = 200;
                    }
                    convertToYuv(pixels.data(), width, height, layout, planes,
                                 path ? ConversionPath::Portable : ConversionPath::Fastest);
                }
                EXPECT_TRUE(made[0] == made[1]) << width << "x" << height;
            }
        }
    }
}

TEST_F(VideoTest, ClipsDecodeBackToTheirFrames)
{
    struct Case {
        const char* name;
        VideoFormat format;
        int width, height;
        double rate;
        bool alpha;
        int maxColor; // per channel; the mean stays within a sixth of it
    } cases[] = {
        {"clip.mp4", VideoFormat::MP4, 64, 48, 24, false, 12},
        // VP9 runs its real-time mode, a little coarser on these tiny blocks.
        {"clip.webm", VideoFormat::WEBM, 64, 48, 30, true, 16},
        {"clip.mov", VideoFormat::MOV, 64, 48, 29.97, true, 2},
        // Odd sizes: VP9 and ProRes keep them exactly.
        {"odd.webm", VideoFormat::WEBM, 47, 33, 25, true, 16},
        {"odd.mov", VideoFormat::MOV, 47, 33, 25, true, 2},
    };
    const int frameCount = 12;
    const Rgba8 background{20, 90, 200, 255};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        VideoSettings settings = sized(c.width, c.height, c.rate);
        settings.background = background;
        std::string note;
        ASSERT_EQ(encode(c.name, c.format, settings, frameCount, &note), "");
        EXPECT_EQ(note, "");

        DecodedClip clip;
        std::string why;
        ASSERT_TRUE(decodeClip(dir + "/" + c.name, clip, why)) << why;
        EXPECT_EQ(clip.width, c.width);
        EXPECT_EQ(clip.height, c.height);
        EXPECT_NEAR(clip.frameRate, c.rate, 0.001);
        EXPECT_EQ(clip.alphaPlane, c.alpha);
        ASSERT_EQ(static_cast<int>(clip.frames.size()), frameCount);
        for (int i = 0; i < frameCount; ++i) {
            RgbaImage expected = testFrame(c.width, c.height, i);
            if (!c.alpha) compositeOver(expected, background);
            Difference d = compare(expected, clip.frames[i]);
            EXPECT_LE(d.meanColor, c.maxColor / 6.0) << "frame " << i;
            EXPECT_LE(d.maxColor, c.maxColor) << "frame " << i;
            EXPECT_LE(d.maxAlpha, c.alpha ? 4 : 0) << "frame " << i;
        }
    }
    EXPECT_EQ(filesInDir(), 5); // the clips alone, no temporaries
}

TEST_F(VideoTest, ChunkClipsAreNamedByTheirFirstFrameAndTakeTheBackground)
{
    FrameOutput output;
    std::string why;
    ASSERT_TRUE(output.prepare(dir + "/part_####.webm", OutputSettings{"#ff0000", -1, ""}, true, why)) << why;
    ASSERT_TRUE(output.start(32, 32, 24, {40, 41, 42, 43}, false, nullptr, why)) << why;
    for (int frame = 40; frame < 44; ++frame) ASSERT_TRUE(output.write(frame, testFrame(32, 32, frame)));
    ASSERT_TRUE(output.finish(why)) << why;
    EXPECT_EQ(output.destination(), dir + "/part_0040.webm");

    DecodedClip clip;
    ASSERT_TRUE(decodeClip(dir + "/part_0040.webm", clip, why)) << why;
    ASSERT_EQ(clip.frames.size(), 4u);
    RgbaImage expected = testFrame(32, 32, 40);
    compositeOver(expected, Rgba8{255, 0, 0, 255});
    Difference d = compare(expected, clip.frames[0]);
    EXPECT_LE(d.maxColor, 12);
    EXPECT_LE(d.maxAlpha, 1); // opaque after compositing

    // A chunk past the last frame makes no clip and no error.
    FrameOutput empty;
    ASSERT_TRUE(empty.prepare(dir + "/empty_####.mov", OutputSettings{}, true, why)) << why;
    ASSERT_TRUE(empty.start(32, 32, 24, {}, false, nullptr, why)) << why;
    EXPECT_TRUE(empty.finish(why)) << why;
    EXPECT_EQ(filesInDir(), 1);
}

TEST_F(VideoTest, OddSizeForH264IsPaddedAndSaysSo)
{
    VideoSettings settings = sized(47, 33, 24);
    std::string note;
    ASSERT_EQ(encode("odd.mp4", VideoFormat::MP4, settings, 3, &note), "");
    EXPECT_THAT(note, HasSubstr("48x34"));

    DecodedClip clip;
    std::string why;
    ASSERT_TRUE(decodeClip(dir + "/odd.mp4", clip, why)) << why;
    ASSERT_EQ(clip.frames.size(), 3u);
    EXPECT_EQ(clip.width, 48);
    EXPECT_EQ(clip.height, 34);
    // The repeated last column matches the column before it.
    const RgbaImage& frame = clip.frames[0];
    for (unsigned y = 0; y < 32; ++y) {
        const uint8_t* row = frame.pixels.data() + y * frame.width * 4;
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(row[47 * 4 + c], row[46 * 4 + c], 6) << "row " << y;
    }
}

TEST_F(VideoTest, RateSettingsReachTheEncoder)
{
    VideoSettings settings = sized(64, 64, 24);
    for (VideoFormat format : {VideoFormat::MP4, VideoFormat::WEBM}) {
        std::string low = format == VideoFormat::MP4 ? "low.mp4" : "low.webm";
        std::string high = format == VideoFormat::MP4 ? "high.mp4" : "high.webm";
        settings.crf = 0;
        ASSERT_EQ(encode(high, format, settings, 6), "");
        settings.crf = 50;
        ASSERT_EQ(encode(low, format, settings, 6), "");
        // Flat blocks cost little at any quality, and the alpha plane of the
        // VP9 clip takes a share that changes less: smaller is all that holds.
        EXPECT_LT(std::filesystem::file_size(dir + "/" + low), std::filesystem::file_size(dir + "/" + high)) << high;

        settings.crf = -1;
        settings.bitrate = 200000;
        EXPECT_EQ(encode("rate_" + high, format, settings, 6), "");
        settings.crf = 30;
        EXPECT_EQ(encode("capped_" + high, format, settings, 6), "");
        settings.bitrate = 0;
    }
}

TEST_F(VideoTest, RefusesWhatTheFormatCannotTakeAndLeavesNoFile)
{
    VideoSettings good = sized(32, 32, 24);
    struct Case {
        VideoFormat format;
        VideoSettings settings;
        const char* expected; // part of the reason
    } cases[] = {
        {VideoFormat::NONE, good, ".mp4, .webm or .mov"},
        {VideoFormat::MP4, [&] { auto s = good; s.crf = 52; return s; }(), "0 to 51"},
        {VideoFormat::WEBM, [&] { auto s = good; s.crf = 64; return s; }(), "0 to 63"},
        {VideoFormat::MOV, [&] { auto s = good; s.crf = 10; return s; }(), "no --crf"},
        {VideoFormat::MOV, [&] { auto s = good; s.bitrate = 1000000; return s; }(), "no --bitrate"},
        {VideoFormat::MP4, [&] { auto s = good; s.frameRate = 0; return s; }(), "frame rate"},
        {VideoFormat::MP4, [&] { auto s = good; s.frameRate = NAN; return s; }(), "frame rate"},
        {VideoFormat::WEBM, [&] { auto s = good; s.width = 0; return s; }(), "0x32"},
    };
    for (const Case& c : cases) {
        VideoWriter writer;
        std::string why;
        EXPECT_FALSE(writer.open(dir + "/refused.mp4", c.format, c.settings, why)) << c.expected;
        EXPECT_THAT(why, HasSubstr(c.expected));
    }
    VideoWriter writer;
    std::string why;
    EXPECT_FALSE(writer.open(dir + "/no/such/folder/clip.webm", VideoFormat::WEBM, good, why));
    EXPECT_THAT(why, HasSubstr("no/such/folder/clip.webm"));
    EXPECT_EQ(filesInDir(), 0);
}

TEST_F(VideoTest, FailedOrUnfinishedEncodesRemoveTheirFile)
{
    VideoSettings settings = sized(32, 32, 24);
    std::string why;
    {
        VideoWriter writer; // dropped before finish
        ASSERT_TRUE(writer.open(dir + "/dropped.mov", VideoFormat::MOV, settings, why)) << why;
        ASSERT_TRUE(writer.writeFrame(testFrame(32, 32, 0), why)) << why;
        EXPECT_EQ(filesInDir(), 1); // the temporary file, under another name
    }
    {
        VideoWriter writer;
        ASSERT_TRUE(writer.open(dir + "/wrong.webm", VideoFormat::WEBM, settings, why)) << why;
        EXPECT_FALSE(writer.writeFrame(testFrame(16, 32, 0), why));
        EXPECT_THAT(why, HasSubstr("16x32"));
        writer.abandon();
        EXPECT_FALSE(writer.finish(why));
    }
    // A file that cannot grow (as on a full disk) fails the encode; the
    // child process is limited, not this one.
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit{4096, 4096};
        setrlimit(RLIMIT_FSIZE, &limit);
        settings.width = settings.height = 256;
        std::string reason = encode("full.mov", VideoFormat::MOV, settings, 20);
        _exit(reason.find("cannot write") != std::string::npos ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    {
        VideoWriter writer;
        ASSERT_TRUE(writer.open(dir + "/empty.mp4", VideoFormat::MP4, settings, why)) << why;
        EXPECT_FALSE(writer.finish(why));
        EXPECT_THAT(why, HasSubstr("no frames"));
    }
    EXPECT_EQ(filesInDir(), 0);
}

} // namespace
