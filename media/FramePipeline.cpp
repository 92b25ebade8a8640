#include "FramePipeline.h"

#include <algorithm>

namespace tavrix_media {

struct FramePipeline::Entry {
    enum class State { QUEUED, PREPARING, PREPARED, FINISHED };
    int frame = 0;
    Steps steps;
    State state = State::QUEUED;
    bool prepared = false; // prepare ran and succeeded
    bool dropped = false;  // finished without being completed; not reported
    std::string error;
};

FramePipeline::FramePipeline(int workerCount, int inFlight, bool stopAtFirstFailure, Report report)
    : maxInFlight(std::max(1, inFlight)), stopAtFirstFailure(stopAtFirstFailure), reportFrame(std::move(report))
{
    for (int i = 0; i < std::max(1, workerCount); ++i) workers.emplace_back([this] { work(); });
}

FramePipeline::~FramePipeline()
{
    {
        // Frames not yet completed are dropped: whoever reads the reports
        // may be gone already.
        std::unique_lock<std::mutex> held(lock);
        cancelled = true;
        workChanged.notify_all();
        workChanged.wait(held, [this] {
            return std::all_of(entries.begin(), entries.end(),
                               [](const std::unique_ptr<Entry>& entry) { return entry->state == Entry::State::FINISHED; });
        });
        closing = true;
        workChanged.notify_all();
    }
    for (std::thread& worker : workers) worker.join();
}

int FramePipeline::workersForThisMachine()
{
    const int processors = static_cast<int>(std::thread::hardware_concurrency());
    return std::clamp(processors, 1, 8);
}

int FramePipeline::inFlightFor(int workers, size_t frameBytes)
{
    const size_t fitting = IN_FLIGHT_BYTES / std::max<size_t>(frameBytes, 1);
    return static_cast<int>(std::clamp<size_t>(fitting, 1, static_cast<size_t>(std::max(1, workers)) + 2));
}

void FramePipeline::work()
{
    std::unique_lock<std::mutex> held(lock);
    for (;;) {
        // Completing comes first: it keeps the frames moving in order and
        // frees their memory.
        auto unfinished = std::find_if(entries.begin(), entries.end(), [](const std::unique_ptr<Entry>& entry) {
            return entry->state != Entry::State::FINISHED;
        });
        Entry* next = unfinished == entries.end() ? nullptr : unfinished->get();
        const bool dropping = failed || cancelled;
        if (next && !completing &&
            (next->state == Entry::State::PREPARED || (next->state == Entry::State::QUEUED && dropping))) {
            completing = true;
            const bool ran = next->state == Entry::State::PREPARED;
            held.unlock();
            std::string why;
            const bool completed = !dropping && next->prepared && next->steps.complete(why);
            if (ran && !completed && next->steps.discard) next->steps.discard();
            held.lock();
            if (dropping) {
                next->dropped = true;
            } else if (!completed) {
                if (next->error.empty()) next->error = why;
                if (stopAtFirstFailure) failed = true;
            }
            next->state = Entry::State::FINISHED;
            completing = false;
            workChanged.notify_all();
            continue;
        }
        auto queued = std::find_if(entries.begin(), entries.end(), [](const std::unique_ptr<Entry>& entry) {
            return entry->state == Entry::State::QUEUED;
        });
        if (queued != entries.end() && !dropping) {
            Entry* entry = queued->get();
            entry->state = Entry::State::PREPARING;
            held.unlock();
            std::string why;
            const bool prepared = !entry->steps.prepare || entry->steps.prepare(why);
            held.lock();
            entry->prepared = prepared;
            if (!prepared) entry->error = why.empty() ? "the frame could not be prepared" : why;
            entry->state = Entry::State::PREPARED;
            workChanged.notify_all();
            continue;
        }
        if (closing) return;
        workChanged.wait(held);
    }
}

void FramePipeline::collectFinished(std::vector<std::unique_ptr<Entry>>& finished)
{
    while (!entries.empty() && entries.front()->state == Entry::State::FINISHED) {
        finished.push_back(std::move(entries.front()));
        entries.pop_front();
    }
}

void FramePipeline::report(std::vector<std::unique_ptr<Entry>>& finished)
{
    for (const std::unique_ptr<Entry>& entry : finished) {
        if (!entry->dropped && reportFrame) reportFrame(entry->frame, entry->error);
    }
    finished.clear();
}

void FramePipeline::reportWhileWaiting(std::unique_lock<std::mutex>& held, const std::function<bool()>& done)
{
    std::vector<std::unique_ptr<Entry>> finished;
    for (;;) {
        collectFinished(finished);
        if (!finished.empty()) {
            // Reports may take a while (progress on a slow terminal): the
            // workers go on meanwhile.
            held.unlock();
            report(finished);
            held.lock();
            continue;
        }
        if (done()) return;
        workChanged.wait(held);
    }
}

bool FramePipeline::submit(int frame, Steps steps)
{
    std::unique_lock<std::mutex> held(lock);
    reportWhileWaiting(held, [this] { return failed || static_cast<int>(entries.size()) < maxInFlight; });
    if (failed) return false;
    auto entry = std::make_unique<Entry>();
    entry->frame = frame;
    entry->steps = std::move(steps);
    entries.push_back(std::move(entry));
    workChanged.notify_all();
    return true;
}

void FramePipeline::drain()
{
    std::unique_lock<std::mutex> held(lock);
    reportWhileWaiting(held, [this] { return entries.empty(); });
}

bool FramePipeline::stopped() const
{
    std::lock_guard<std::mutex> held(lock);
    return failed;
}

} // namespace tavrix_media
