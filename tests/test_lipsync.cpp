// Lip sync from synthetic sounds: silence and quiet noise keep the mouth
// closed, a burst opens it within a frame and closes it within the
// smoothing window, louder sound opens it wider up to fully open.
#include <gtest/gtest.h>

#include "AudioFile.h"
#include "LipSync.h"
#include "LipSyncStream.h"
#include "support/audio/SyntheticSound.h"

using tavrix_media::AudioTrack;
using tavrix_media::LipSync;
using tavrix_media::LipSyncSettings;
using tavrix_media::LipSyncStream;

namespace {

const int RATE = AudioTrack::SAMPLE_RATE;

AudioTrack burst(double length, double start, double end, double amplitude)
{
    AudioTrack track;
    track.samples = tavrix_test::toneBurst(RATE, length, start, end, amplitude);
    return track;
}

TEST(LipSyncTest, SilenceAndSoundBelowTheGateKeepTheMouthClosed)
{
    struct Case {
        const char* name;
        AudioTrack track;
    } cases[] = {
        {"silence", burst(2.0, 0, 0, 0)},
        {"hum below the gate", burst(2.0, 0, 2.0, 0.012)}, // RMS 0.0085
        {"empty track", AudioTrack()},
    };
    for (const Case& c : cases) {
        LipSync lipSync(c.track, LipSyncSettings());
        for (int frame = -3; frame < 70; ++frame) EXPECT_EQ(lipSync.opennessAt(frame / 30.0), 0.0) << c.name << " " << frame;
    }
}

TEST(LipSyncTest, ABurstOpensWithinAFrameAndClosesWithinTheSmoothingWindow)
{
    const double start = 1.0;
    const double end = 1.5;
    AudioTrack track = burst(2.5, start, end, 0.3);
    for (double smoothing : {LipSync::LOUDNESS_WINDOW_SECONDS, 0.1, 0.3}) {
        for (int fps : {24, 30, 60}) {
            LipSyncSettings settings;
            settings.smoothingSeconds = smoothing;
            LipSync lipSync(track, settings);
            const std::string label = "fps " + std::to_string(fps) + ", smoothing " + std::to_string(smoothing);
            for (int frame = 0; frame < 2.5 * fps; ++frame) {
                const double t = static_cast<double>(frame) / fps;
                const double openness = lipSync.opennessAt(t);
                const std::string at = label + ", frame " + std::to_string(frame);
                if (t <= start) {
                    EXPECT_EQ(openness, 0.0) << at;
                } else if (t >= start + 1.0 / fps && t <= end) {
                    // A frame in, the window hears mostly the tone (RMS 0.21).
                    EXPECT_GT(openness, 0.6) << at;
                } else if (t >= end + smoothing) {
                    EXPECT_EQ(openness, 0.0) << at;
                }
            }
            // The mouth closes gradually, not at once, when there is a release.
            if (smoothing > 0.2) {
                EXPECT_GT(lipSync.opennessAt(end + smoothing / 2), 0.2) << label;
            }
        }
    }
}

TEST(LipSyncTest, LouderSoundOpensWiderUpToTheTop)
{
    double previous = 0.0;
    for (double amplitude : {0.02, 0.05, 0.1, 0.2, 0.3, 0.6, 1.0}) {
        AudioTrack track = burst(1.0, 0.2, 0.8, amplitude);
        const double openness = LipSync(track, LipSyncSettings()).opennessAt(0.5);
        const double rms = amplitude / std::sqrt(2.0);
        // Linear in loudness until it is fully open.
        EXPECT_NEAR(openness, std::min(1.0, rms * LipSyncSettings().gain), 0.01) << amplitude;
        EXPECT_GE(openness, previous) << amplitude;
        previous = openness;
    }
    EXPECT_EQ(previous, 1.0);

    // Gain scales; the top of the range is the parameter's maximum.
    AudioTrack quiet = burst(1.0, 0.2, 0.8, 0.05);
    LipSyncSettings doubled;
    doubled.gain *= 2;
    EXPECT_NEAR(LipSync(quiet, doubled).opennessAt(0.5), 2 * LipSync(quiet, LipSyncSettings()).opennessAt(0.5), 1e-9);
    EXPECT_EQ(LipSync::onRange(0.0, -1.0, 1.0), -1.0);
    EXPECT_EQ(LipSync::onRange(1.0, -1.0, 1.0), 1.0);
    EXPECT_EQ(LipSync::onRange(0.25, 0.0, 2.0), 0.5);
}


// A live stream gives, after each block of samples, the opening the sound
// file gives at the block's end: stereo blocks of the same sound in both
// channels, in blocks of the size audio hosts deliver, with a muted stretch.
TEST(LipSyncTest, ALiveStreamOpensTheMouthAsTheSoundFileDoes)
{
    AudioTrack track = burst(3.0, 0.5, 1.2, 0.15);
    const AudioTrack louder = burst(3.0, 1.6, 2.2, 0.6);
    track.mix(louder, 0.0);
    const size_t mutedFrom = 94 * 1024; // about 2.0 s, on a block boundary
    const size_t mutedTo = 100 * 1024;
    AudioTrack heard = track;
    for (size_t i = mutedFrom; i < mutedTo; ++i) heard.samples[i] = 0.0f;
    for (double smoothing : {LipSync::LOUDNESS_WINDOW_SECONDS, 0.1, 0.5}) {
        LipSyncSettings settings;
        settings.smoothingSeconds = smoothing;
        const LipSync file(heard, settings);
        LipSyncStream stream(settings, RATE);
        int opened = 0;
        for (size_t at = 0; at < track.samples.size(); at += 1024) {
            const size_t frames = std::min<size_t>(1024, track.samples.size() - at);
            const float* planes[2] = {track.samples.data() + at, track.samples.data() + at};
            stream.addPlanes(planes, 2, frames, at >= mutedFrom && at < mutedTo);
            const double seconds = static_cast<double>(at + frames) / RATE;
            ASSERT_EQ(stream.samplesHeard(), static_cast<int64_t>(at + frames));
            EXPECT_NEAR(stream.openness(), file.opennessAt(seconds), 1e-6) << "smoothing " << smoothing << " at " << seconds;
            opened += stream.openness() > 0.5;
        }
        EXPECT_GT(opened, 20) << smoothing;
    }
}

} // namespace
