// A puppet's animation by time: motions through the queue with their fades,
// eye blinking, hair physics and lip sync, advanced frame by frame at a
// fixed frame rate in a fixed order. Any frame can be reached from any other
// (going back plays again from frame 0), and a frame's parameter values
// depend only on the set-up and its number, whatever was asked before.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "LipSync.h"
#include "PhysicsFile.h"

namespace tavrix {
class AMotion;
class ATavrixModel;
class EyeBlinkMotion;
class MotionQueueManager;
class PhysicsHair;
} // namespace tavrix

namespace tavrix_stage {

class SeededRandom;

class Playback {
public:
    // fps: frames per second of the frame clock (1 or more).
    Playback(tavrix::ATavrixModel& model, int fps);
    ~Playback();

    // Reads a text (".mtn") or binary (".mtnb", told by its signature)
    // motion to start at startSeconds; false with a reason when it cannot
    // be used. loop restarts it at its end instead of finishing.
    bool addMotion(const std::string& path, double startSeconds, bool loop, std::string& why);
    // The same for a motion file's bytes.
    bool addMotionBytes(const std::vector<char>& bytes, double startSeconds, bool loop, std::string& why);
    // Blinks at random intervals drawn from its own generator, seeded so.
    void enableBlink(unsigned seed);
    void addHairs(const std::vector<HairSetup>& hairs);
    // Each frame sets the parameter in row paramIndex from the sound's lip
    // sync at the frame's exact time (frame / fps seconds), from min when
    // silent to max. lipSync must outlive the playback.
    void setLipSync(const tavrix_media::LipSync& lipSync, int paramIndex, float min, float max);
    // Live sound instead (a microphone, a page's audio): each frame sets the
    // parameter from the openness last handed to setMouthOpenness (which the
    // caller measures with LipSync on the samples just heard), in the same
    // place of the frame's order as a sound file's.
    void setLiveLipSync(int paramIndex, float min, float max);
    void setMouthOpenness(double openness);
    // No lip sync from now on.
    void clearLipSync();
    // After the animation of every frame, the parameter in row paramIndex
    // takes value: a value the user set wins over the animation.
    void setOverride(int paramIndex, float value);
    void clearOverride(int paramIndex);

    // The user-clock time of a frame: trunc(frame * 1000 / fps) ms.
    int64_t timeOfFrame(int frame) const;
    // The frame a time in seconds falls in.
    int frameAt(double seconds) const;
    // Frames from 0 up to and including the one at which the longest motion
    // ends (one round of a looping one); 0 without motions.
    int framesToCoverMotions() const;

    // Sets the model's parameters for the frame: plays every frame after
    // the last one played up to this one (from frame 0 when it lies before
    // the last one played). The model's own update comes after.
    void advanceTo(int frame);

    Playback(const Playback&) = delete;
    Playback& operator=(const Playback&) = delete;

private:
    struct PlannedMotion {
        std::vector<char> bytes;
        bool binary;
        bool loop;
        double startSeconds;
        int lengthMSec;
        tavrix::AMotion* motion; // owned until started, then the queue's
        bool started;
    };

    // Back to before frame 0: a new queue, motions, blink and hairs.
    void restart();
    // Everything of one frame before the model's own update: the user clock,
    // motions whose start has come (queued in the order they were added),
    // the queue, the lip sync, the blink, the hairs in file order, the
    // overrides.
    void step(int frame);
    void releaseMotions();

    tavrix::ATavrixModel& model;
    int fps;
    int lastFrame = -1;
    std::unique_ptr<tavrix::MotionQueueManager> queue;
    std::vector<PlannedMotion> motions;
    struct Mouth {
        const tavrix_media::LipSync* lipSync = nullptr;
        bool live = false;
        double liveOpenness = 0.0;
        int paramIndex = -1;
        float min = 0;
        float max = 1;
    } mouth;
    bool blinking = false;
    unsigned blinkSeed = 0;
    // The blink's random numbers, this playback's alone, so that several
    // puppets blink independently.
    std::unique_ptr<SeededRandom> random;
    std::unique_ptr<tavrix::EyeBlinkMotion> blink;
    std::vector<HairSetup> hairSetups;
    std::vector<std::unique_ptr<tavrix::PhysicsHair>> hairs;
    // Parameter names the hairs refer to; a deque keeps them in place.
    std::deque<std::string> hairParamNames;
    std::map<int, float> overrides;
};

} // namespace tavrix_stage
