// The one thread of a plug-in that does all of its OpenGL and model work.
// An EGL context is current on one thread, and a host's own threads may
// have contexts of their own (MLT's movit, GStreamer's GL elements), so ours
// is never made current on a host thread: host threads post work here and
// wait for it. The thread starts with the first piece of work and is joined
// when the last instance goes; instances are counted from their making, so
// a host that makes and drops instances without drawing (GStreamer's plug-in
// scan) never starts it.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

namespace tavrix_frei0r {

class RenderResources;

class RenderThread {
public:
    // The plug-in's render thread. Never destroyed: hosts exit with
    // instances alive (MLT never destroys its producers), and a thread
    // object destroyed while its thread runs would end the process.
    static RenderThread& get();

    // An instance was made.
    void attach();
    // An instance went; after the last one the thread is stopped and joined.
    void detach();

    // Runs task on the render thread and waits for it. False with why when
    // the task threw (memory exhausted, say).
    bool run(const std::function<void(RenderResources&)>& task, std::string& why);

    RenderThread(const RenderThread&) = delete;
    RenderThread& operator=(const RenderThread&) = delete;

private:
    struct Job {
        const std::function<void(RenderResources&)>* task;
        bool finished = false;
        std::string failure;
    };

    RenderThread() = default;
    void loop();

    // Held while the thread starts or stops, and while instances are counted.
    std::mutex lifeMutex;
    int instances = 0;
    std::thread thread;
    bool running = false;

    std::mutex queueMutex;
    std::condition_variable wake;
    std::condition_variable finished;
    std::deque<Job*> queue;
    bool stopping = false;
};

} // namespace tavrix_frei0r
