// One "Tavrix Puppet" source as OBS sees it: its settings, properties,
// hotkeys and lip-sync tap on OBS's threads, its picture uploaded on the
// graphics thread. What needs the model runtime or drawing goes to the
// render thread, to the source's LivePuppet.
#pragma once

#include <atomic>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <obs.h>

#include "AudioTap.h"
#include "FrameMailbox.h"
#include "LivePuppet.h"

namespace tavrix_obs {

class PuppetSource {
public:
    PuppetSource(obs_data_t* settings, obs_source_t* source);
    // Waits for nothing: the render thread frees the puppet when it gets there.
    ~PuppetSource();

    // OBS's callbacks.
    void update(obs_data_t* settings);
    void tick(float seconds);
    void render(gs_effect_t* effect);
    uint32_t width() const { return mailbox->width(); }
    uint32_t height() const { return mailbox->height(); }
    obs_properties_t* properties();

    // What the properties need of the loaded model: its facts once the
    // model named in settings has loaded, waiting for that up to waitMs.
    LivePuppet::Facts factsFor(obs_data_t* settings, int waitMs);
    // The source's own settings go back to the model's rest values.
    void resetParameters();

    PuppetSource(const PuppetSource&) = delete;
    PuppetSource& operator=(const PuppetSource&) = delete;

private:
    struct Hotkey {
        PuppetSource* owner;
        std::string motion;
        obs_hotkey_id id;
    };
    static void onHotkey(void* data, obs_hotkey_id id, obs_hotkey_t* hotkey, bool pressed);
    // Reads settings and hands them to the render thread.
    void post(obs_data_t* settings);
    void registerHotkeys(const std::vector<std::string>& motions);
    void unregisterHotkeys();
    void destroyTexture();

    obs_source_t* source;
    std::shared_ptr<FrameMailbox> mailbox;
    std::shared_ptr<LivePuppet> live;
    AudioTap audio;
    std::set<std::string> reported; // setting problems already in the log

    // Frames: the tick posts one at a time, with the time since the last.
    std::shared_ptr<std::atomic<bool>> framePending;
    double unplayedSeconds = 0;

    std::vector<std::unique_ptr<Hotkey>> hotkeys;
    unsigned hotkeysOfGeneration = 0;

    // Graphics thread only.
    gs_texture_t* texture = nullptr;
    tavrix_media::RgbaImage upload;
};

} // namespace tavrix_obs
