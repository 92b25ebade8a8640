// The render thread: the one thread that uses the runtime, the plug-in and
// OpenGL. Requests that must be answered (describe, export, save) wait in
// order and go first; frame requests wait one per page, a newer one
// replacing the older, and pages take turns, so neither a flood of slider
// events nor a slow page queues up work.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include <json/json.h>

#include "WebSocketLink.h"

namespace tavrix_viewer {

class ViewerSession;

class RenderWorker {
public:
    explicit RenderWorker(ViewerSession& session) : session(session) {}
    ~RenderWorker();

    // Starts the thread and opens the session on it; false with the reason
    // the session gave.
    bool start(std::string& why);
    // Finishes the task under way, closes the session and ends the thread.
    void stop();

    // Runs task on the render thread and returns when it has run.
    void run(const std::function<void(ViewerSession&)>& task);
    // A page's newest frame request.
    void requestFrame(const std::shared_ptr<WebSocketLink>& link, const Json::Value& request);
    void forget(uint64_t linkId);

    RenderWorker(const RenderWorker&) = delete;
    RenderWorker& operator=(const RenderWorker&) = delete;

private:
    struct Task {
        std::function<void(ViewerSession&)> work;
        bool done = false;
    };
    struct FrameRequest {
        std::weak_ptr<WebSocketLink> link;
        Json::Value request;
    };
    void loop();
    void renderOne(FrameRequest request);

    ViewerSession& session;
    std::thread thread;
    std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable finished;
    std::deque<Task*> tasks;
    std::map<uint64_t, FrameRequest> frames;
    std::deque<uint64_t> turns;
    bool stopping = false;
    bool opened = false;
    bool openDone = false;
    std::string openFailure;
};

} // namespace tavrix_viewer
