#include "RenderThread.h"

#include <exception>

#include "RenderResources.h"
#include "util/UtDebug.h"

namespace tavrix_frei0r {

RenderThread& RenderThread::get()
{
    static RenderThread* renderThread = new RenderThread();
    return *renderThread;
}

void RenderThread::attach()
{
    std::lock_guard<std::mutex> life(lifeMutex);
    ++instances;
}

void RenderThread::detach()
{
    std::lock_guard<std::mutex> life(lifeMutex);
    if (instances > 0) --instances;
    if (instances > 0 || !running) return;
    {
        std::lock_guard<std::mutex> lock(queueMutex);
        stopping = true;
    }
    wake.notify_all();
    thread.join();
    running = false;
    stopping = false;
}

bool RenderThread::run(const std::function<void(RenderResources&)>& task, std::string& why)
{
    {
        std::lock_guard<std::mutex> life(lifeMutex);
        if (!running) {
            try {
                thread = std::thread([this] { loop(); });
            } catch (const std::exception& e) {
                why = std::string("cannot start the render thread: ") + e.what();
                return false;
            }
            running = true;
        }
    }
    Job job;
    job.task = &task;
    std::unique_lock<std::mutex> lock(queueMutex);
    queue.push_back(&job);
    wake.notify_all();
    finished.wait(lock, [&] { return job.finished; });
    if (job.failure.empty()) return true;
    why = job.failure;
    return false;
}

void RenderThread::loop()
{
    // The runtime's own text would reach the host's standard output; the
    // plug-in words its failures itself, with the runtime's last message.
    tavrix::UtDebug::setSink(tavrix::UtDebug::discardingSink, nullptr);
    RenderResources resources;
    for (;;) {
        Job* job = nullptr;
        {
            std::unique_lock<std::mutex> lock(queueMutex);
            wake.wait(lock, [&] { return !queue.empty() || stopping; });
            if (queue.empty()) break;
            job = queue.front();
            queue.pop_front();
        }
        std::string failure;
        try {
            (*job->task)(resources);
        } catch (const std::exception& e) {
            failure = *e.what() ? e.what() : "unknown failure";
        } catch (...) {
            failure = "unknown failure";
        }
        {
            std::lock_guard<std::mutex> lock(queueMutex);
            job->failure = failure;
            job->finished = true;
        }
        finished.notify_all();
    }
}

} // namespace tavrix_frei0r
