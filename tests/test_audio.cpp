// Sound files decoded to one channel at the fixed rate, the files that are
// refused and why, and clips that carry a sound: decoded back, their sound
// lasts as long as their frames and its start lines up with the first frame.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <string>

#include "AudioFile.h"
#include "VideoWriter.h"
#include "support/Files.h"
#include "support/audio/SyntheticSound.h"
#include "support/video/ClipDecoder.h"

using namespace tavrix_media;
using ::testing::HasSubstr;
using ::testing::StartsWith;

namespace {

const int RATE = AudioTrack::SAMPLE_RATE;

class AudioTest : public ::testing::Test {
protected:
    tavrix_test::ScratchFolder scratch{"audio"};
    const std::string dir = scratch.path();
};

double firstSound(const AudioTrack& track)
{
    return tavrix_test::firstSound(track.samples, RATE);
}

float peak(const AudioTrack& track)
{
    float most = 0;
    for (float sample : track.samples) most = std::max(most, std::fabs(sample));
    return most;
}

// Loudness from one time to another: a lossy codec keeps it, where single
// peaks ring at a sudden start.
double rms(const AudioTrack& track, double from, double to)
{
    double energy = 0;
    const int64_t first = AudioTrack::sampleAt(from);
    const int64_t last = AudioTrack::sampleAt(to);
    for (int64_t i = first; i < last; ++i) energy += track.at(i) * track.at(i);
    return std::sqrt(energy / static_cast<double>(last - first));
}

TEST_F(AudioTest, FilesDecodeToOneChannelAtTheFixedRate)
{
    struct Case {
        int rate;
        int channels;
    } cases[] = {{48000, 1}, {44100, 2}, {16000, 1}, {22050, 2}};
    for (const Case& c : cases) {
        // 1.5 s with a burst from 0.5 to 1.0 s; in stereo the burst is on
        // both channels, which mixing down keeps at its level.
        std::vector<float> mono = tavrix_test::toneBurst(c.rate, 1.5, 0.5, 1.0, 0.6);
        std::vector<float> interleaved;
        for (float sample : mono) interleaved.insert(interleaved.end(), c.channels, sample);
        const std::string path = dir + "/tone.wav";
        tavrix_test::writeWav(path, interleaved, c.rate, c.channels);

        AudioTrack track;
        std::string why;
        ASSERT_TRUE(readAudioFile(path, track, why)) << why;
        const std::string label = std::to_string(c.rate) + " x " + std::to_string(c.channels);
        EXPECT_NEAR(track.seconds(), 1.5, 0.002) << label;
        EXPECT_NEAR(firstSound(track), 0.5, 0.002) << label;
        EXPECT_NEAR(peak(track), 0.6f, 0.03f) << label;
        EXPECT_LT(std::fabs(track.at(AudioTrack::sampleAt(1.2))), 0.01f) << label;
    }
}

TEST_F(AudioTest, SamplesThatAreNotNumbersBecomeSilence)
{
    // Float samples: a tone with one value that is not a number and one
    // infinite one in its middle.
    std::vector<float> samples = tavrix_test::toneBurst(RATE, 0.5, 0.0, 0.5, 0.5);
    samples[samples.size() / 2] = std::nanf("");
    samples[samples.size() / 2 + 100] = INFINITY;
    const std::vector<uint8_t> bytes = tavrix_test::floatWavBytes(samples, RATE);
    const std::string path = tavrix_test::writeFile(dir + "/damaged.wav", bytes);

    AudioTrack track;
    std::string why;
    ASSERT_TRUE(readAudioFile(path, track, why)) << why;
    EXPECT_NEAR(track.seconds(), 0.5, 0.002);
    size_t notFinite = 0;
    for (float sample : track.samples) notFinite += std::isfinite(sample) ? 0 : 1;
    EXPECT_EQ(notFinite, 0u);
    // The tone around the damage is kept.
    EXPECT_NEAR(rms(track, 0.05, 0.2), 0.5 / std::sqrt(2.0), 0.03);
}

TEST_F(AudioTest, FilesWithoutUsableSoundAreRefusedWithTheReason)
{
    std::ofstream(dir + "/notes.txt") << "not a sound at all\n";
    tavrix_test::writeWav(dir + "/empty.wav", {}, 44100, 1);
    // 4000 samples at one a second: more than an hour at the fixed rate.
    tavrix_test::writeWav(dir + "/slow.wav", std::vector<float>(4000, 0.1f), 1, 1);
    {
        // A clip of frames alone.
        VideoWriter writer;
        VideoSettings settings;
        settings.width = settings.height = 16;
        settings.frameRate = 24;
        RgbaImage frame{16, 16, std::vector<uint8_t>(16 * 16 * 4, 200)};
        std::string why;
        ASSERT_TRUE(writer.open(dir + "/silent.mov", VideoFormat::MOV, settings, why)) << why;
        ASSERT_TRUE(writer.writeFrame(frame, why) && writer.finish(why)) << why;
    }
    struct Case {
        std::string file;
        std::string reason;
    } cases[] = {
        {"missing.wav", "cannot be opened"},
        {"notes.txt", "cannot be"},
        {"empty.wav", "holds no sound"},
        {"silent.mov", "has no audio stream"},
        {"slow.wav", "is longer than 3600 seconds"},
    };
    for (const Case& c : cases) {
        AudioTrack track;
        track.samples.assign(10, 0.5f);
        std::string why;
        EXPECT_FALSE(readAudioFile(dir + "/" + c.file, track, why)) << c.file;
        EXPECT_THAT(why, StartsWith("'" + dir + "/" + c.file + "' "));
        EXPECT_THAT(why, HasSubstr(c.reason));
        EXPECT_TRUE(track.samples.empty()) << c.file;
    }
}

TEST_F(AudioTest, ClipsCarryTheirSoundFromTheFirstFrameForTheFramesLength)
{
    const double fps = 24;
    const int frameCount = 12; // half a second
    // Sound from 1 s on; the clip's first frame stands at 1 s of it.
    AudioTrack longer;
    longer.samples = tavrix_test::toneBurst(RATE, 3.0, 1.0, 1.2, 0.5);
    // A short sound: the rest of the clip is silent.
    AudioTrack shorter;
    shorter.samples = tavrix_test::toneBurst(RATE, 0.1, 0.0, 0.1, 0.5);
    struct Case {
        VideoFormat format;
        const char* extension;
        const AudioTrack* sound;
        double start;
    } cases[] = {
        {VideoFormat::MP4, "mp4", &longer, 1.0}, {VideoFormat::WEBM, "webm", &longer, 1.0},
        {VideoFormat::MOV, "mov", &longer, 1.0}, {VideoFormat::WEBM, "webm", &shorter, 0.0},
    };
    for (const Case& c : cases) {
        const std::string path = dir + "/clip." + c.extension;
        VideoWriter writer;
        VideoSettings settings;
        settings.width = 32;
        settings.height = 32;
        settings.frameRate = fps;
        settings.sound = c.sound;
        settings.soundStart = AudioTrack::sampleAt(c.start);
        RgbaImage frame{32, 32, std::vector<uint8_t>(32 * 32 * 4, 255)};
        std::string why;
        ASSERT_TRUE(writer.open(path, c.format, settings, why)) << why;
        for (int i = 0; i < frameCount; ++i) ASSERT_TRUE(writer.writeFrame(frame, why)) << why;
        ASSERT_TRUE(writer.finish(why)) << why;

        const std::string label = std::string(c.extension) + (c.sound == &shorter ? ", short sound" : "");
        tavrix_test::DecodedClip clip;
        ASSERT_TRUE(tavrix_test::decodeClip(path, clip, why)) << why;
        EXPECT_EQ(clip.frames.size(), static_cast<size_t>(frameCount)) << label;
        AudioTrack decoded;
        ASSERT_TRUE(readAudioFile(path, decoded, why)) << why;
        EXPECT_NEAR(decoded.seconds(), frameCount / fps, 1 / fps) << label;
        EXPECT_NEAR(firstSound(decoded), 0.0, 1 / fps) << label;
        // The burst ends 0.2 s (0.1 s) in; after it the clip is silent.
        AudioTrack after;
        after.samples.assign(decoded.samples.begin() + AudioTrack::sampleAt(0.3), decoded.samples.end());
        EXPECT_LT(peak(after), 0.02f) << label;
        EXPECT_NEAR(rms(decoded, 0.02, 0.08), 0.5 / std::sqrt(2.0), 0.03) << label;
    }
}

} // namespace
