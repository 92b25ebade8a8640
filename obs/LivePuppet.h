// The render thread's side of a puppet source: its puppet on the stage, its
// playback (idle motion, motions on hotkeys, blinking, hair physics, lip
// sync, the sliders the user moved), and the pictures it draws for OBS.
// Every method but facts() runs on the render thread.
#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "FrameMailbox.h"
#include "LipSyncStream.h"
#include "Playback.h"
#include "Puppet.h"
#include "SourceSettings.h"
#include "Stage.h"

namespace tavrix_obs {

class LivePuppet {
public:
    // What the other threads may know of the puppet: the model file it
    // loaded (or failed to), its parameters and the motions beside it.
    struct Facts {
        std::string modelFile;
        bool loaded = false;
        std::vector<tavrix_stage::PuppetParam> params;
        std::vector<std::string> motions;
        unsigned generation = 0; // counts loads
    };

    // fps: the frame clock of the playback; pictures go to mailbox.
    LivePuppet(int fps, std::shared_ptr<FrameMailbox> mailbox);
    ~LivePuppet();

    // Takes new settings: loads the model when its file changed, sets the
    // playback up again when what it plays changed, and sets the sliders.
    // stream: the lip-sync sound, or null.
    void apply(tavrix_stage::Stage* stage, const std::string& sourceName, const SourceSettings& settings,
               std::shared_ptr<const tavrix_media::LipSyncStream> stream);
    // Moves the clock on by seconds, plays the frames up to it and, when
    // visible, draws the puppet into the mailbox.
    void advance(tavrix_stage::Stage* stage, double seconds, bool visible);
    // Starts a motion of the model's folder (by file name) at the next frame.
    void playMotion(const std::string& fileName);
    // Frees the puppet; the last call before the object goes.
    void release();

    Facts facts() const;

    LivePuppet(const LivePuppet&) = delete;
    LivePuppet& operator=(const LivePuppet&) = delete;

private:
    void load(tavrix_stage::Stage& stage);
    void readMotions();
    void setUpPlayback();
    void applySliders();
    bool pictureSize(int& width, int& height);
    void empty();
    void log(int level, const std::string& text) const;

    const int fps;
    std::shared_ptr<FrameMailbox> mailbox;
    std::string name;
    SourceSettings settings;
    bool configured = false;
    std::shared_ptr<const tavrix_media::LipSyncStream> stream;
    std::unique_ptr<tavrix_stage::Puppet> puppet;
    std::unique_ptr<tavrix_stage::Playback> playback;
    std::map<std::string, std::shared_ptr<const std::vector<char>>> motionBytes;
    std::set<int> overridden; // rows the sliders hold
    double elapsed = 0;       // seconds since the playback started
    bool dirty = true;        // something changed since the last picture
    std::string lastDrawFailure;
    tavrix_media::RgbaImage picture;

    mutable std::mutex factsLock;
    Facts known;
};

} // namespace tavrix_obs
