#pragma once

// The threads a run's actions run on. Actions of successive pages may overlap, so each needs a thread of its own while
// it lasts; but a thread that has finished its action waits for the next one instead of ending. A new thread costs
// more than the precision a page asks for: on X11 it also opens a display connection of its own (the backend keeps one
// per thread), which made every click page start a millisecond or more late, by a varying amount. Not QThreadPool:
// past its bound start() queues the action and returns, so the run would go on as if the action had begun, and it
// wakes an idle thread no sooner than this pool does.

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class ActionPool {
public:
    // The most actions that run at once. A project of pages that go on at once ("即時") after long actions would
    // otherwise start threads (and X connections) without end until the desktop refuses them; past this, a new
    // action waits for a thread to come free, so the run is late rather than broken.
    static constexpr std::size_t MaxThreads = 32;

    ActionPool() = default;
    ActionPool(const ActionPool&) = delete;
    ActionPool& operator=(const ActionPool&) = delete;
    // Waits for the running actions, then ends every thread.
    ~ActionPool();

    // Runs body at once on an idle thread, or on a new one when every thread is busy; with MaxThreads busy, waits
    // for one to come free first. Any thread.
    void run(std::function<void()> body);
    // Blocks until every action handed over so far has returned. Not from an action.
    void waitIdle();
    // Threads that exist now (busy or idle): the most actions that ever ran at once.
    std::size_t threadCount() const;

private:
    void workerLoop();

    mutable std::mutex mutex_;
    std::condition_variable work_; // a job was queued, or the pool ends
    std::condition_variable idle_; // a job returned
    std::deque<std::function<void()>> jobs_;
    std::vector<std::thread> threads_;
    std::size_t idleThreads_ = 0; // threads waiting that no queued job has claimed yet
    std::size_t running_ = 0;     // jobs queued or running
    bool ending_ = false;
};
