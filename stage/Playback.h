// A puppet's animation by time: motions through the queue with their fades,
// eye blinking, hair physics and lip sync, advanced frame by frame at a
// fixed frame rate in a fixed order. Any frame can be reached from any other
// (going back puts the parameters back as they were before frame 0 and plays
// again from there), and a frame's parameter values depend only on the
// set-up and its number, whatever was asked before.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "LipSync.h"
#include "LipSyncStream.h"
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
    // The same, started by the first frame whose time is at or after
    // startMSec (a frame's timeOfFrame starts it at that frame). Motions
    // added again and again share their bytes.
    bool addMotionAt(std::shared_ptr<const std::vector<char>> bytes, int64_t startMSec, bool loop, std::string& why);
    // A looping motion that plays from frame 0 and again, faded in,
    // whenever the queue has nothing left to play (after another motion
    // ended); false with a reason when the bytes are no motion.
    bool setIdleMotion(std::shared_ptr<const std::vector<char>> bytes, std::string& why);
    // Blinks at random intervals drawn from its own generator, seeded so;
    // the intervals average intervalMSec.
    void enableBlink(unsigned seed, int intervalMSec = 4000);
    void addHairs(const std::vector<HairSetup>& hairs);
    // Each frame sets the parameter in row paramIndex from the sound's lip
    // sync at the frame's exact time (frame / fps seconds), less the time
    // offsetSeconds at which the sound starts, from min when silent to max.
    // lipSync must outlive the playback.
    void setLipSync(const tavrix_media::LipSync& lipSync, int paramIndex, float min, float max,
                    double offsetSeconds = 0);
    // The same with a lip sync of sound that the playback keeps.
    void setLipSync(std::shared_ptr<const tavrix_media::AudioTrack> sound, const tavrix_media::LipSyncSettings& settings,
                    int paramIndex, float min, float max);
    // The same from a live stream: each frame takes the opening after the
    // latest samples heard. stream must outlive the playback.
    void setLipSync(const tavrix_media::LipSyncStream& stream, int paramIndex, float min, float max);
    // No lip sync from now on.
    void clearLipSync();
    // After the animation of every frame, the parameter in row paramIndex
    // takes value: a value the user set wins over the animation, and the
    // next frame's animation (fades, hairs) starts from it.
    void setOverride(int paramIndex, float value);
    void clearOverride(int paramIndex);
    // setOverride by parameter id; an id the model does not define gets a
    // row of its own, as setting it on the model would.
    void holdParam(const std::string& id, float value);
    // After advanceTo, the parameter in row paramIndex shows value in the
    // pose of that frame alone: the next advanceTo first puts back what the
    // animation left, so a pose that changes from frame to frame (a slider
    // a host animates) never feeds into the animation of later frames.
    void setPose(int paramIndex, float value);
    void clearPoses();

    // The user-clock time of a frame: trunc(frame * 1000 / fps) ms.
    int64_t timeOfFrame(int frame) const;
    // The frame a time in seconds falls in.
    int frameAt(double seconds) const;
    // The last frame played; -1 before the first.
    int lastPlayedFrame() const { return lastFrame; }
    // Frames from 0 up to and including the one at which the longest motion
    // ends (one round of a looping one); 0 without motions.
    int framesToCoverMotions() const;

    // Sets the model's parameters for the frame: plays every frame after
    // the last one played up to this one (from frame 0 when it lies before
    // the last one played), then lays the pose over them. The model's own
    // update comes after.
    void advanceTo(int frame);

    Playback(const Playback&) = delete;
    Playback& operator=(const Playback&) = delete;

private:
    struct PlannedMotion {
        std::shared_ptr<const std::vector<char>> bytes;
        bool binary;
        bool loop;
        double startSeconds;
        int64_t startMSec; // the first frame time that starts it
        int lengthMSec;
        tavrix::AMotion* motion; // owned until started, then the queue's
        bool started;
    };

    // A new motion of the bytes, checked: null with a reason when they are
    // no motion; lengthMSec receives one round's length.
    static tavrix::AMotion* checkedMotion(const std::vector<char>& bytes, bool loop, int& lengthMSec, std::string& why);
    // Back to before frame 0: the parameter values the model had when the
    // playback was made, a new queue, motions, blink and hairs.
    void restart();
    // The parameter values before a pose was laid over them.
    void liftPose();
    // Everything of one frame before the model's own update: the user clock,
    // motions whose start has come (queued in the order they were added),
    // the idle motion when nothing else plays, the queue, the lip sync, the blink, the hairs in file order, the
    // overrides.
    void step(int frame);
    void releaseMotions();

    tavrix::ATavrixModel& model;
    int fps;
    int lastFrame = -1;
    std::unique_ptr<tavrix::MotionQueueManager> queue;
    std::vector<PlannedMotion> motions;
    std::shared_ptr<const std::vector<char>> idleBytes;
    struct Mouth {
        const tavrix_media::LipSync* lipSync = nullptr;
        const tavrix_media::LipSyncStream* stream = nullptr;
        int paramIndex = -1;
        float min = 0;
        float max = 1;
        double offsetSeconds = 0;
    } mouth;
    bool blinking = false;
    unsigned blinkSeed = 0;
    int blinkIntervalMSec = 4000;
    // The blink's random numbers, this playback's alone, so that several
    // puppets blink independently.
    std::unique_ptr<SeededRandom> random;
    std::unique_ptr<tavrix::EyeBlinkMotion> blink;
    std::vector<HairSetup> hairSetups;
    std::vector<std::unique_ptr<tavrix::PhysicsHair>> hairs;
    // Parameter names the hairs refer to; a deque keeps them in place.
    std::deque<std::string> hairParamNames;
    std::map<int, float> overrides;
    // The lip sync refers to the sound: declared after it, gone before it.
    std::shared_ptr<const tavrix_media::AudioTrack> ownedSound;
    std::unique_ptr<tavrix_media::LipSync> ownedLipSync;
    // Every row's value when the playback was made; rows added later
    // started at 0.
    std::vector<float> initialValues;
    std::map<int, float> poses;
    // What the animation left in the rows a pose changed, while it shows.
    std::vector<std::pair<int, float>> underPose;
};

} // namespace tavrix_stage
