// What the tool's commands share: frame file names, frame ranges, option
// values, PNG files written whole or not at all, frames written beside the
// drawing in order, and the alpha conversions.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <lodepng.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "TextValues.h"
#include "FrameChunk.h"
#include "FrameOutput.h"
#include "FramePipeline.h"
#include "FrameRange.h"
#include "ImageFile.h"
#include "OutputPattern.h"
#include "support/Files.h"

using namespace tavrix_media;
using ::testing::HasSubstr;

TEST(OutputPatternTest, FrameFieldsExpand)
{
    struct Case {
        const char* pattern;
        int frame;
        const char* expected;
    } cases[] = {
        {"out/frame_####.png", 7, "out/frame_0007.png"},
        {"out/frame_##.png", 1234, "out/frame_1234.png"},
        {"f%04d.png", 42, "f0042.png"},
        {"f%d.png", 42, "f42.png"},
        {"100%%_%03d.png", 5, "100%_005.png"},
        {"still.png", 9, "still.png"},
    };
    for (const Case& c : cases) {
        OutputPattern pattern;
        std::string why;
        ASSERT_TRUE(pattern.parse(c.pattern, why)) << c.pattern << ": " << why;
        EXPECT_EQ(pattern.pathFor(c.frame), c.expected) << c.pattern;
    }
}

TEST(OutputPatternTest, RefusesAmbiguousNames)
{
    for (const char* text : {"a_##_##.png", "a_%d_####.png", "a_%s.png", "a_%4d.png", "a_%", ""}) {
        OutputPattern pattern;
        std::string why;
        EXPECT_FALSE(pattern.parse(text, why)) << text;
        EXPECT_FALSE(why.empty()) << text;
    }
}

TEST(OutputPatternTest, ExtensionAndFolder)
{
    OutputPattern pattern;
    std::string why;
    ASSERT_TRUE(pattern.parse("clips.v2/Shot.MP4", why));
    EXPECT_EQ(pattern.extension(), "mp4");
    ASSERT_TRUE(pattern.parse("clips.v2/shot", why));
    EXPECT_EQ(pattern.extension(), "");

    tavrix_test::ScratchFolder root("pattern");
    ASSERT_TRUE(pattern.parse(root / "a/b/f_####.png", why));
    ASSERT_TRUE(pattern.createFolder(why)) << why;
    EXPECT_TRUE(std::filesystem::is_directory(root / "a/b"));
    // A file where a folder should be is an error, not a silent pass.
    ASSERT_TRUE(pattern.parse(root / "a/b/f_####.png/x.png", why));
    tavrix_test::writeFile(root / "a/b/f_0000.png", "");
    EXPECT_FALSE(pattern.createFolder(why));
}

TEST(FrameRangeTest, Resolves)
{
    struct Case {
        FrameRange range;
        int count;
        std::vector<int> frames; // empty: refused
    } cases[] = {
        {{}, 4, {0, 1, 2, 3}},
        {{1, 3, 1}, 10, {1, 2, 3}},
        {{0, 9, 4}, 10, {0, 4, 8}},
        {{5, std::nullopt, 2}, 9, {5, 7}},
        {{-5, 2, 1}, 10, {}},
        {{std::nullopt, -3, 1}, 10, {}},
        {{3, 3, 1}, 4, {3}},
        {{4, 2, 1}, 10, {}},
        {{0, 10, 1}, 10, {}},
        {{0, 3, 0}, 10, {}},
        {{}, 0, {}},
    };
    for (const Case& c : cases) {
        std::vector<int> frames;
        std::string why;
        bool ok = c.range.resolve(c.count, frames, why);
        EXPECT_EQ(ok, !c.frames.empty()) << c.range.start.value_or(-1) << ".." << c.range.end.value_or(-1) << " of "
                                         << c.count;
        if (ok) EXPECT_EQ(frames, c.frames);
        else EXPECT_FALSE(why.empty());
    }
}

TEST(FrameChunkTest, SplitsFramesIntoContiguousNearEqualRuns)
{
    // Every frame lands in exactly one chunk, in order, and sizes differ by
    // at most one; a chunk past the last frame is empty.
    for (int frames : {1, 2, 7, 10, 100, 101}) {
        for (int n : {1, 2, 3, 8, 13}) {
            std::vector<int> all(static_cast<size_t>(frames));
            for (int f = 0; f < frames; ++f) all[static_cast<size_t>(f)] = 5 + 2 * f;
            std::vector<int> joined;
            size_t smallest = all.size(), largest = 0;
            for (int k = 1; k <= n; ++k) {
                FrameChunk chunk;
                std::string why;
                ASSERT_TRUE(chunk.parse(std::to_string(k) + "/" + std::to_string(n), why)) << why;
                std::vector<int> share = all;
                chunk.select(share);
                joined.insert(joined.end(), share.begin(), share.end());
                smallest = std::min(smallest, share.size());
                largest = std::max(largest, share.size());
            }
            EXPECT_EQ(joined, all) << frames << " frames in " << n;
            EXPECT_LE(largest - smallest, 1u) << frames << " frames in " << n;
        }
    }
    FrameChunk chunk;
    std::string why;
    ASSERT_TRUE(chunk.parse("2/3", why));
    std::vector<int> frames{0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    chunk.select(frames);
    EXPECT_EQ(frames, (std::vector<int>{4, 5, 6}));
}

TEST(FrameChunkTest, RefusesChunksThatDoNotExist)
{
    for (const char* bad : {"0/3", "4/3", "a/b", "1/0", "3", "/3", "1/", "-1/3", "1/3/4", " 1/3", "1.5/3",
                            "1/99999999999999999999"}) {
        FrameChunk chunk;
        std::string why;
        EXPECT_FALSE(chunk.parse(bad, why)) << bad;
        EXPECT_THAT(why, HasSubstr(bad));
    }
}

TEST(FrameOutputTest, RefusesNamesAndSettingsBeforeRendering)
{
    struct Case {
        const char* name;
        OutputSettings settings;
        bool chunked;
        const char* expected; // part of the reason; null: accepted
    } cases[] = {
        {"out/f_####.png", {}, false, nullptr},
        {"out/f_####.png", {"#102030", -1, ""}, true, nullptr},
        {"clip.mp4", {"white", 18, "4M"}, false, nullptr},
        {"clips/part_####.webm", {}, true, nullptr},
        {"clip.avi", {}, false, "unknown extension '.avi'"},
        {"out/frame_####", {}, false, "no extension"},
        {"f_####.png", {"", 20, ""}, false, "--crf applies to video"},
        {"f_####.png", {"", -1, "1M"}, false, "--bitrate applies to video"},
        {"clip.webm", {}, true, "needs a frame field"},
        {"clip.mp4", {"pink", -1, ""}, false, "--background"},
        {"clip.mp4", {"", -1, "fast"}, false, "--bitrate"},
        {"f_##_##.png", {}, false, "more than one frame field"},
    };
    for (const Case& c : cases) {
        FrameOutput output;
        std::string why;
        bool ok = output.prepare(c.name, c.settings, c.chunked, why);
        EXPECT_EQ(ok, c.expected == nullptr) << c.name << ": " << why;
        if (c.expected) {
            EXPECT_THAT(why, HasSubstr(c.expected));
        }
    }
}

TEST(FrameOutputTest, OneFileNameTakesOneFrameOnly)
{
    tavrix_test::ScratchFolder scratch("output");
    const std::string& dir = scratch.path();
    FrameOutput output;
    std::string why;
    ASSERT_TRUE(output.prepare(dir + "/still.png", OutputSettings{}, false, why)) << why;
    EXPECT_FALSE(output.start(2, 2, 24, {3, 4}, false, nullptr, why));
    EXPECT_THAT(why, HasSubstr("####"));
    ASSERT_TRUE(output.start(2, 2, 24, {3}, false, nullptr, why)) << why;
    ASSERT_TRUE(output.write(3, RgbaImage{2, 2, std::vector<uint8_t>(16, 200)}));
    EXPECT_TRUE(output.finish(why));
    RgbaImage back;
    EXPECT_TRUE(readPng(dir + "/still.png", back, why)) << why;
}

TEST(CommandOptionsTest, ParsesValuesAndRefusesOthers)
{
    std::pair<std::string, float> set;
    std::string why;
    EXPECT_TRUE(parseParamAssignment("PARAM_ANGLE_X=-12.5", set, why));
    EXPECT_EQ(set.first, "PARAM_ANGLE_X");
    EXPECT_EQ(set.second, -12.5f);
    for (const char* bad : {"NOVALUE", "=3", "X=", "X=abc", "X=1e99", "X=nan"})
        EXPECT_FALSE(parseParamAssignment(bad, set, why)) << bad;

    int w = 0, h = 0;
    EXPECT_TRUE(parseImageSize("1920x1080", w, h, why));
    EXPECT_EQ(w, 1920);
    EXPECT_EQ(h, 1080);
    for (const char* bad : {"0x10", "10x0", "16385x1", "x10", "10x", "-5x5", "10x10x", "ax b"})
        EXPECT_FALSE(parseImageSize(bad, w, h, why)) << bad;

    Rgba8 color;
    EXPECT_TRUE(parseColor("#ff8000", color, why));
    EXPECT_EQ(color.r, 255);
    EXPECT_EQ(color.g, 128);
    EXPECT_EQ(color.b, 0);
    EXPECT_EQ(color.a, 255);
    EXPECT_TRUE(parseColor("10203040", color, why));
    EXPECT_EQ(color.a, 0x40);
    for (const char* bad : {"#fff", "#gg0000", "red", "#ff00001"}) EXPECT_FALSE(parseColor(bad, color, why)) << bad;

    long long bitrate = 0;
    for (auto good : {std::make_pair("800k", 800000LL), {"2.5M", 2500000LL}, {"64000", 64000LL}}) {
        EXPECT_TRUE(parseBitrate(good.first, bitrate, why)) << good.first;
        EXPECT_EQ(bitrate, good.second) << good.first;
    }
    for (const char* bad : {"", "k", "0", "999", "-5M", "5G", "1e20", "nan", "5 M"})
        EXPECT_FALSE(parseBitrate(bad, bitrate, why)) << bad;
}

TEST(ImageFileTest, AlphaConversions)
{
    RgbaImage image{3, 1, {100, 50, 25, 128, 255, 255, 255, 255, 7, 7, 7, 0}};
    unpremultiply(image);
    EXPECT_EQ(image.pixels, (std::vector<uint8_t>{199, 100, 50, 128, 255, 255, 255, 255, 0, 0, 0, 0}));

    RgbaImage over{2, 1, {255, 0, 0, 128, 0, 0, 0, 0}};
    compositeOver(over, Rgba8{0, 0, 255, 255});
    EXPECT_EQ(over.pixels, (std::vector<uint8_t>{128, 0, 127, 255, 0, 0, 255, 255}));
}

// The encoder writes the file itself around the compressor's stream:
// another decoder reads back the same pixels (and checks every CRC), RGB for
// opaque pictures and RGBA otherwise, whatever the row length, noise that
// does not compress included.
TEST(ImageFileTest, EncodedPicturesDecodeToTheSamePixels)
{
    struct Case {
        unsigned width, height;
        bool opaque;
        bool noise;
    };
    for (const Case& c : {Case{1, 1, true, false}, Case{1, 1, false, false}, Case{5, 3, true, false},
                          Case{7, 4, false, false}, Case{300, 2, false, false}, Case{640, 480, false, true}}) {
        RgbaImage image{c.width, c.height, std::vector<uint8_t>(size_t(c.width) * c.height * 4)};
        std::mt19937 random(7);
        for (size_t i = 0; i < image.pixels.size(); ++i) {
            image.pixels[i] = static_cast<uint8_t>(c.noise ? random() : i * 37 + i / 5);
        }
        for (size_t i = 3; i < image.pixels.size(); i += 4) {
            if (c.opaque || i % 3) image.pixels[i] = 255;
        }
        std::vector<uint8_t> png;
        std::string why;
        ASSERT_TRUE(encodePng(image, png, why)) << why;
        EXPECT_EQ(png[25], c.opaque ? 2 : 6) << "colour type, " << c.width << " x " << c.height;
        unsigned char* decoded = nullptr;
        unsigned width = 0, height = 0;
        ASSERT_EQ(lodepng_decode32(&decoded, &width, &height, png.data(), png.size()), 0u);
        const std::vector<uint8_t> back(decoded, decoded + size_t(width) * height * 4);
        std::free(decoded);
        EXPECT_EQ(back, image.pixels) << c.width << " x " << c.height;
    }
    std::vector<uint8_t> png;
    std::string why;
    EXPECT_FALSE(encodePng(RgbaImage{}, png, why));
}

TEST(ImageFileTest, WritesWholeFilesOrNothing)
{
    tavrix_test::ScratchFolder scratch("png");
    const std::string& dir = scratch.path();
    RgbaImage image{2, 2, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16}};
    std::string why;
    ASSERT_TRUE(writePngAtomically(dir + "/a.png", image, why)) << why;
    RgbaImage back;
    ASSERT_TRUE(readPng(dir + "/a.png", back, why)) << why;
    EXPECT_EQ(back.width, 2u);
    EXPECT_EQ(back.pixels, image.pixels);

    EXPECT_FALSE(writePngAtomically(dir + "/missing/a.png", image, why));
    EXPECT_THAT(why, HasSubstr("missing/a.png"));
    EXPECT_FALSE(readPng(dir + "/absent.png", back, why));
    EXPECT_THAT(why, HasSubstr("absent.png"));
    EXPECT_EQ(tavrix_test::filesIn(dir), std::vector<std::string>{"a.png"}) << "no temporaries";
}

// Whatever the workers' timing: frames are completed and reported in order;
// in stop mode a failure on a worker ends the run there and the frames after
// it are dropped, what they prepared undone; otherwise each fails alone; and
// no more frames are held than the pipeline allows.
TEST(FramePipelineTest, KeepsOrderAndStopsAtTheFirstFailure)
{
    const int frames = 20;
    const int inFlight = 4;
    for (bool stop : {true, false}) {
        std::mutex lock;
        std::vector<int> completed, discarded;
        std::vector<std::pair<int, std::string>> reports;
        auto held = std::make_shared<int>(0);
        long mostHeld = 0;
        {
            FramePipeline pipeline(3, inFlight, stop,
                                   [&](int frame, const std::string& error) { reports.emplace_back(frame, error); });
            for (int f = 0; f < frames; ++f) {
                FramePipeline::Steps steps;
                steps.prepare = [f, held](std::string& why) {
                    // Uneven work, so that later frames often get ready first.
                    std::this_thread::sleep_for(std::chrono::microseconds((f * 7) % 5 * 400));
                    if (f == 7) why = "frame 7 cannot be encoded";
                    return f != 7;
                };
                steps.complete = [f, &lock, &completed](std::string& why) {
                    std::lock_guard<std::mutex> guard(lock);
                    completed.push_back(f);
                    if (f == 12) why = "frame 12 cannot be renamed";
                    return f != 12;
                };
                steps.discard = [f, &lock, &discarded] {
                    std::lock_guard<std::mutex> guard(lock);
                    discarded.push_back(f);
                };
                const bool taken = pipeline.submit(f, std::move(steps));
                mostHeld = std::max(mostHeld, held.use_count() - 1);
                if (!taken) break;
            }
            pipeline.drain();
            EXPECT_EQ(pipeline.stopped(), stop);
        }
        EXPECT_LE(mostHeld, inFlight);
        EXPECT_EQ(held.use_count(), 1) << "every frame's steps are released";
        const int last = stop ? 7 : frames - 1;
        ASSERT_EQ(reports.size(), static_cast<size_t>(last + 1)) << "stop " << stop;
        for (int f = 0; f <= last; ++f) {
            EXPECT_EQ(reports[f].first, f);
            const std::string expected = f == 7 ? "frame 7 cannot be encoded" : f == 12 ? "frame 12 cannot be renamed" : "";
            EXPECT_EQ(reports[f].second, expected) << "frame " << f;
        }
        std::vector<int> expectedCompleted;
        for (int f = 0; f <= last; ++f)
            if (f != 7) expectedCompleted.push_back(f);
        EXPECT_EQ(completed, expectedCompleted) << "stop " << stop;
        // The failed frames are undone, and in stop mode whatever came after.
        std::sort(discarded.begin(), discarded.end());
        EXPECT_TRUE(std::binary_search(discarded.begin(), discarded.end(), 7));
        EXPECT_EQ(std::binary_search(discarded.begin(), discarded.end(), 12), !stop);
        for (int f : discarded) EXPECT_TRUE(f == 7 || f == 12 || (stop && f > 7)) << f;
    }
}

// A PNG frame that cannot be written on a worker, from a full disk (its
// temporary file leads to /dev/full) or a folder in the way of its name:
// the frames before it are complete files, it leaves nothing, and the
// frames after it are dropped unless the run keeps going; the report names
// the file and the reason.
TEST(FrameOutputTest, AFrameThatCannotBeWrittenStopsTheRunAndLeavesNoPartialFile)
{
    struct Case {
        bool fullDisk; // else a folder in the way
        bool keepGoing;
        const char* reason;
    } cases[] = {
        {true, false, "No space left on device"},
        {false, false, "Is a directory"},
        {true, true, "No space left on device"},
    };
    for (const Case& c : cases) {
        tavrix_test::ScratchFolder scratch("stop");
        const std::string& dir = scratch.path();
        const std::string blocked = dir + "/f_0003.png";
        if (c.fullDisk) {
            std::filesystem::create_symlink("/dev/full", temporaryPathFor(blocked));
        } else {
            ASSERT_TRUE(std::filesystem::create_directory(blocked));
            std::ofstream(blocked + "/keep") << "x";
        }
        FrameOutput output;
        std::string why;
        std::vector<std::pair<int, std::string>> reports;
        ASSERT_TRUE(output.prepare(dir + "/f_####.png", OutputSettings{}, false, why)) << why;
        ASSERT_TRUE(output.start(16, 16, 24, {0, 1, 2, 3, 4, 5, 6, 7}, c.keepGoing,
                                 [&](int frame, const std::string& error) { reports.emplace_back(frame, error); },
                                 why))
            << why;
        for (int f = 0; f < 8; ++f) {
            if (!output.write(f, RgbaImage{16, 16, std::vector<uint8_t>(16 * 16 * 4, static_cast<uint8_t>(f * 30))}))
                break;
        }
        output.flush();
        EXPECT_EQ(output.stopped(), !c.keepGoing);
        if (output.stopped()) output.abandon();
        else EXPECT_TRUE(output.finish(why)) << why;

        const int last = c.keepGoing ? 7 : 3;
        ASSERT_EQ(reports.size(), static_cast<size_t>(last + 1)) << c.reason;
        std::vector<std::string> expectedFiles;
        for (int f = 0; f <= last; ++f) {
            EXPECT_EQ(reports[f].first, f);
            if (f != 3) {
                EXPECT_EQ(reports[f].second, "") << "frame " << f;
                expectedFiles.push_back("f_000" + std::to_string(f) + ".png");
                RgbaImage back;
                ASSERT_TRUE(readPng(dir + "/" + expectedFiles.back(), back, why)) << why;
                EXPECT_EQ(back.pixels, std::vector<uint8_t>(16 * 16 * 4, static_cast<uint8_t>(f * 30)));
            }
        }
        EXPECT_THAT(reports[3].second, HasSubstr("cannot write '" + blocked + "': " + c.reason))
            << reports[3].second;
        EXPECT_EQ(output.failure(), reports[3].second);
        if (!c.fullDisk) expectedFiles.push_back("f_0003.png"); // the folder, left alone
        std::sort(expectedFiles.begin(), expectedFiles.end());
        EXPECT_EQ(tavrix_test::filesIn(dir), expectedFiles) << "no temporary or partial files";
    }
}
