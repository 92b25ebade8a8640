// The one thread that draws every puppet source: it owns the stage (an
// OpenGL context of its own, current on this thread alone) and the model
// runtime, which allows one thread at a time. OBS's threads hand it work
// and never wait for a frame, except the settings dialog, which may wait
// briefly for a model's parameter list.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "Stage.h"

namespace tavrix_obs {

class RenderThread {
public:
    // Work on the render thread; stage is null when it could not be opened.
    using Job = std::function<void(tavrix_stage::Stage* stage)>;

    // The thread of the module, started on first use.
    static RenderThread& instance();
    // Runs what is queued and ends the thread (at module unload).
    static void shutdown();

    // Queues a job; it runs after the jobs queued before it.
    void post(Job job);
    // Queues a job and waits for it up to timeoutMs; false when it did not
    // finish in time (it still runs later).
    bool call(Job job, int timeoutMs);

    RenderThread(const RenderThread&) = delete;
    RenderThread& operator=(const RenderThread&) = delete;
    ~RenderThread();

private:
    RenderThread();
    void run();

    std::mutex lock;
    std::condition_variable wake;
    std::deque<Job> jobs;
    bool stopping = false;
    std::thread thread;
};

} // namespace tavrix_obs
