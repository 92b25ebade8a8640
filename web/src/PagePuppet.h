// One puppet on a page: the stage on the page's canvas, the puppet loaded
// from the bytes the page fetched, its playback (motions, blink, hairs, the
// parameters the page set) and the lip sync of the sound the page hears.
// The web module holds one (each puppet of a page runs in a module
// instance of its own), and Exports.cpp hands its calls to the page.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "LipSyncStream.h"
#include "Playback.h"
#include "Puppet.h"
#include "RgbaImage.h"
#include "Stage.h"

namespace tavrix_web {

class PagePuppet {
public:
    // Opens the stage on the canvas; false with the reason in message().
    bool open();
    // Loads the puppet (replacing any earlier one) with a frame clock of
    // fps; files names the files in messages. The textures' warnings are
    // left in message() on success; false with the reason, and the load
    // result in loadResult, on failure.
    bool load(const tavrix_stage::ModelFiles& files, const std::vector<unsigned char>& model,
              const std::vector<std::vector<unsigned char>>& pngs, int fps, int& loadResult);
    bool loaded() const { return puppet != nullptr; }
    const std::vector<tavrix_stage::PuppetParam>& params() const;

    // A value the page sets wins over the animation until cleared; false
    // for an id the model does not define.
    bool setParam(const std::string& id, float value);
    void clearParam(const std::string& id);
    // The parameter's value as last evaluated (0 for an unknown id).
    float paramValue(const std::string& id);

    bool addMotion(const std::vector<char>& bytes, double startSeconds, bool loop);
    void enableBlink(unsigned seed);
    void addHairs(const std::vector<tavrix_stage::HairSetup>& hairs);
    // The mouth follows the sound the page hears from now on, sampleRate
    // samples a second; false for a parameter the model does not define.
    bool startLipSync(const std::string& paramId, const tavrix_media::LipSyncSettings& settings, int sampleRate);
    void stopLipSync();
    // Room for count samples just heard (mono), which the page writes
    // before calling hear(count).
    float* heardSamples(int count);
    // Adds the samples to the sound heard; each frame's mouth follows the
    // latest of them.
    void hear(int count);

    void place(double x, double y, float scale);
    void fillWidth();
    int frameAt(double seconds) const;
    // Milliseconds per model update over count updates, each moving two
    // parameters first as an animation would (bench_model's demo update
    // does the same natively); 0 without them.
    double timeUpdates(const std::string& first, const std::string& second, int count);
    // Plays up to frame, evaluates and draws it on the canvas at width x
    // height; false with the reason.
    bool render(int frame, int width, int height);
    // The same, read back with straight alpha into picture(); false with
    // the reason.
    bool draw(int frame, int width, int height);
    const tavrix_media::RgbaImage& picture() const { return image; }
    // Plays up to frame and evaluates it; facts() then holds the model's
    // facts and evaluated geometry as `tavrix inspect --json` prints them.
    bool inspect(int frame);
    const std::string& facts() const { return factsJson; }

    // The last failure's reason, or the warnings of the last load.
    const std::string& message() const { return text; }

private:
    bool fail(const std::string& why);
    bool pose(int frame);

    tavrix_stage::Stage stage;
    bool opened = false;
    std::unique_ptr<tavrix_stage::Puppet> puppet;
    std::unique_ptr<tavrix_stage::Playback> playback;
    std::vector<float> heard;
    std::string factsJson;
    std::unique_ptr<tavrix_media::LipSyncStream> lipSync;
    tavrix_media::RgbaImage image;
    std::string text;
};

} // namespace tavrix_web
