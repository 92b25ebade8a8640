#include "RenderWorker.h"

#include <algorithm>
#include <exception>

#include "JsonText.h"
#include "ViewerSession.h"

namespace tavrix_viewer {

RenderWorker::~RenderWorker()
{
    stop();
}

bool RenderWorker::start(std::string& why)
{
    thread = std::thread([this] { loop(); });
    std::unique_lock<std::mutex> lock(mutex);
    finished.wait(lock, [this] { return openDone; });
    if (!opened) why = openFailure;
    return opened;
}

void RenderWorker::stop()
{
    {
        std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
        wake.notify_all();
    }
    if (thread.joinable()) thread.join();
}

void RenderWorker::run(const std::function<void(ViewerSession&)>& work)
{
    Task task{work, false};
    std::unique_lock<std::mutex> lock(mutex);
    if (stopping || !opened) return;
    tasks.push_back(&task);
    wake.notify_all();
    finished.wait(lock, [&] { return task.done; });
}

void RenderWorker::requestFrame(const std::shared_ptr<WebSocketLink>& link, const Json::Value& request)
{
    std::lock_guard<std::mutex> lock(mutex);
    if (stopping) return;
    const uint64_t id = link->id();
    if (!frames.count(id)) turns.push_back(id);
    frames[id] = FrameRequest{link, request};
    wake.notify_all();
}

void RenderWorker::forget(uint64_t linkId)
{
    std::lock_guard<std::mutex> lock(mutex);
    frames.erase(linkId);
    turns.erase(std::remove(turns.begin(), turns.end(), linkId), turns.end());
}

void RenderWorker::renderOne(FrameRequest request)
{
    std::shared_ptr<WebSocketLink> link = request.link.lock();
    if (!link || !link->isOpen()) return;
    std::string message;
    Failure failure;
    bool rendered = false;
    try {
        rendered = session.frame(request.request, message, failure);
    } catch (const std::exception& fault) {
        failure = Failure{500, std::string("the viewer failed: ") + fault.what()};
    }
    if (rendered) {
        link->sendFrame(std::move(message));
        return;
    }
    Json::Value answer(Json::objectValue);
    answer["type"] = "error";
    answer["id"] = request.request.isObject() ? request.request.get("id", 0) : Json::Value(0);
    answer["status"] = failure.status;
    answer["reason"] = failure.reason;
    link->sendText(tavrix_media::compactJsonText(answer));
}

void RenderWorker::loop()
{
    std::string why;
    const bool ready = session.open(why);
    {
        std::lock_guard<std::mutex> lock(mutex);
        opened = ready;
        openFailure = why;
        openDone = true;
        finished.notify_all();
    }
    while (ready) {
        Task* task = nullptr;
        FrameRequest frame;
        bool haveFrame = false;
        {
            std::unique_lock<std::mutex> lock(mutex);
            wake.wait(lock, [this] { return stopping || !tasks.empty() || !turns.empty(); });
            if (stopping) break;
            if (!tasks.empty()) {
                task = tasks.front();
                tasks.pop_front();
            } else {
                const uint64_t id = turns.front();
                turns.pop_front();
                frame = std::move(frames[id]);
                frames.erase(id);
                haveFrame = true;
            }
        }
        if (task) {
            // Tasks answer their own faults (ViewerService); one that does
            // not still leaves the render thread going.
            try {
                task->work(session);
            } catch (...) {
            }
            std::lock_guard<std::mutex> lock(mutex);
            task->done = true;
            finished.notify_all();
        } else if (haveFrame) {
            renderOne(std::move(frame));
        }
    }
    // Tasks still waiting are answered by not running; their callers see
    // the answer they prepared for that.
    {
        std::lock_guard<std::mutex> lock(mutex);
        for (Task* waiting : tasks) waiting->done = true;
        tasks.clear();
        finished.notify_all();
    }
    session.close();
}

} // namespace tavrix_viewer
