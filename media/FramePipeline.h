// Frames handed on by the drawing thread and finished on worker threads, so
// that the next frame is drawn while earlier ones are encoded and written.
// Each frame's first step (encoding, writing a temporary file) runs on any
// free worker; its second step (renaming the file into place, feeding a
// video encoder) runs in frame order, one frame at a time. At most a fixed
// number of frames are in flight, so memory stays bounded whatever the frame
// count. Results are reported in frame order on the thread that hands the
// frames on, inside submit() and drain().
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tavrix_media {

class FramePipeline {
public:
    struct Steps {
        // Any order, on any worker, several at a time.
        std::function<bool(std::string& why)> prepare;
        // In frame order, one at a time, after this frame's prepare and the
        // completion of every earlier frame.
        std::function<bool(std::string& why)> complete;
        // Instead of complete, when prepare or complete failed, or when the
        // pipeline stopped at an earlier frame: undoes what prepare left.
        std::function<void()> discard;
    };
    // A frame finished: error is empty on success. Frames dropped because
    // an earlier one failed are not reported.
    using Report = std::function<void(int frame, const std::string& error)>;

    // stopAtFirstFailure: a failed frame drops every later one; otherwise
    // each frame succeeds or fails on its own.
    FramePipeline(int workers, int maxInFlight, bool stopAtFirstFailure, Report report);
    // Finishes the frames in flight, then stops the workers.
    ~FramePipeline();

    // Waits for room, then queues the frame; false, queueing nothing, once
    // the pipeline has stopped at a failure.
    bool submit(int frame, Steps steps);
    // Waits until every frame handed on is finished and reported.
    void drain();
    bool stopped() const;

    // The workers and the frames in flight for frames of frameBytes each:
    // as many workers as processors (at most 8), two frames more in flight
    // than workers so that none waits for the drawing, fewer when that
    // much pixel data would pass IN_FLIGHT_BYTES.
    static int workersForThisMachine();
    static int inFlightFor(int workers, size_t frameBytes);
    static constexpr size_t IN_FLIGHT_BYTES = size_t(512) << 20;

    FramePipeline(const FramePipeline&) = delete;
    FramePipeline& operator=(const FramePipeline&) = delete;

private:
    struct Entry;
    void work();
    // Takes the finished frames off the front; reported after unlocking.
    void collectFinished(std::vector<std::unique_ptr<Entry>>& finished);
    void report(std::vector<std::unique_ptr<Entry>>& finished);
    // Reports finished frames, unlocked, until done() holds (locked).
    void reportWhileWaiting(std::unique_lock<std::mutex>& held, const std::function<bool()>& done);

    const int maxInFlight;
    const bool stopAtFirstFailure;
    Report reportFrame;
    mutable std::mutex lock;
    std::condition_variable workChanged; // a frame queued, prepared or completed; closing
    std::deque<std::unique_ptr<Entry>> entries; // in frame order, until reported
    bool completing = false;                   // a worker runs a complete or discard step
    bool failed = false;    // a frame failed and stopAtFirstFailure
    bool cancelled = false; // the pipeline is going away: frames not completed are dropped
    bool closing = false;
    std::vector<std::thread> workers;
};

} // namespace tavrix_media
