#include "RenderThread.h"

#include <chrono>
#include <memory>

#include "ObsLog.h"

namespace tavrix_obs {

namespace {

std::mutex instanceLock;
std::unique_ptr<RenderThread> running;

} // namespace

RenderThread& RenderThread::instance()
{
    std::lock_guard<std::mutex> guard(instanceLock);
    if (!running) running.reset(new RenderThread());
    return *running;
}

void RenderThread::shutdown()
{
    std::lock_guard<std::mutex> guard(instanceLock);
    running.reset();
}

RenderThread::RenderThread() : thread(&RenderThread::run, this) {}

RenderThread::~RenderThread()
{
    {
        std::lock_guard<std::mutex> guard(lock);
        stopping = true;
    }
    wake.notify_all();
    thread.join();
}

void RenderThread::post(Job job)
{
    {
        std::lock_guard<std::mutex> guard(lock);
        jobs.push_back(std::move(job));
    }
    wake.notify_one();
}

bool RenderThread::call(Job job, int timeoutMs)
{
    struct Done {
        std::mutex lock;
        std::condition_variable signal;
        bool done = false;
    };
    auto done = std::make_shared<Done>();
    post([job = std::move(job), done](tavrix_stage::Stage* stage) {
        job(stage);
        std::lock_guard<std::mutex> guard(done->lock);
        done->done = true;
        done->signal.notify_all();
    });
    std::unique_lock<std::mutex> guard(done->lock);
    return done->signal.wait_for(guard, std::chrono::milliseconds(timeoutMs), [&] { return done->done; });
}

void RenderThread::run()
{
    tavrix_stage::Stage stage;
    std::string why;
    const bool opened = stage.open(why);
    if (!opened) logLine(LOG_ERROR, "cannot open the drawing context; puppet sources stay empty: " + why);
    for (;;) {
        Job job;
        {
            std::unique_lock<std::mutex> guard(lock);
            wake.wait(guard, [&] { return stopping || !jobs.empty(); });
            if (jobs.empty()) break;
            job = std::move(jobs.front());
            jobs.pop_front();
        }
        job(opened ? &stage : nullptr);
    }
}

} // namespace tavrix_obs
