// The animation steps `tavrix play` runs on a model once per frame, in a
// fixed order, so that any frame can be reproduced by simulating from frame 0.
#pragma once

#include <cstdint>
#include <deque>
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

namespace tavrix_tool {

class Playback {
public:
    // fps: frames per second of the frame clock (1 or more).
    Playback(tavrix::ATavrixModel& model, int fps);
    ~Playback();

    // Loads a text (".mtn") or binary (".mtnb", told by its signature)
    // motion to start at startSeconds; false with a reason when it cannot
    // be read. loop restarts it at its end instead of finishing.
    bool addMotion(const std::string& path, double startSeconds, bool loop, std::string& why);
    // Seeds the C library's random numbers, which only the blink draws.
    void enableBlink(unsigned seed);
    void addHairs(const std::vector<HairSetup>& hairs);
    // Each frame sets the parameter in row paramIndex from the sound's lip
    // sync at the frame's exact time (frame / fps seconds), from min when
    // silent to max. lipSync must outlive the playback.
    void setLipSync(const LipSync& lipSync, int paramIndex, float min, float max);

    // The user-clock time of a frame: trunc(frame * 1000 / fps) ms.
    int64_t timeOfFrame(int frame) const;
    // Frames from 0 up to and including the one at which the longest motion
    // ends (one round of a looping one); 0 without motions.
    int framesToCoverMotions() const;

    // Everything of one frame before the model's own update: the user clock,
    // motions whose start has come (queued in command-line order), the
    // queue, the lip sync, the blink, the hairs in file order.
    void step(int frame);

    Playback(const Playback&) = delete;
    Playback& operator=(const Playback&) = delete;

private:
    struct PlannedMotion {
        tavrix::AMotion* motion; // owned until started, then the queue's
        double startSeconds;
        int lengthMSec;
        bool started;
    };

    tavrix::ATavrixModel& model;
    int fps;
    std::unique_ptr<tavrix::MotionQueueManager> queue;
    std::vector<PlannedMotion> motions;
    struct Mouth {
        const LipSync* lipSync = nullptr;
        int paramIndex = -1;
        float min = 0;
        float max = 1;
    } mouth;
    std::unique_ptr<tavrix::EyeBlinkMotion> blink;
    std::vector<std::unique_ptr<tavrix::PhysicsHair>> hairs;
    // Parameter names the hairs refer to; a deque keeps them in place.
    std::deque<std::string> hairParamNames;
};

} // namespace tavrix_tool
