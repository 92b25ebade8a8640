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

class Playback {
public:
    // fps: frames per second of the frame clock (1 or more). The model's
    // parameter values as they stand now are those before frame 0.
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
    // sync at the frame's exact time (frame / fps seconds), less the time
    // offsetSeconds at which the sound starts, from min when silent to max.
    // lipSync must outlive the playback.
    void setLipSync(const tavrix_media::LipSync& lipSync, int paramIndex, float min, float max,
                    double offsetSeconds = 0);
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

    // Back to before frame 0: the parameter values found at construction, a
    // new queue, motions, blink and hairs.
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
        int paramIndex = -1;
        float min = 0;
        float max = 1;
        double offsetSeconds = 0;
    } mouth;
    bool blinking = false;
    unsigned blinkSeed = 0;
    // The blink's random numbers: the C library's generator state of this
    // playback alone, so that several puppets blink independently.
    std::vector<char> randomState;
    std::unique_ptr<tavrix::EyeBlinkMotion> blink;
    std::vector<HairSetup> hairSetups;
    std::vector<std::unique_ptr<tavrix::PhysicsHair>> hairs;
    // Parameter names the hairs refer to; a deque keeps them in place.
    std::deque<std::string> hairParamNames;
    std::map<int, float> overrides;
    // The parameter table before frame 0; rows added later (hairs' targets
    // the model lacks) start at 0, as a model adds them.
    std::vector<float> initialValues;
};

} // namespace tavrix_stage
