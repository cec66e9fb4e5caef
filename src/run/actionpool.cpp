#include "actionpool.h"

ActionPool::~ActionPool()
{
    waitIdle();
    {
        std::lock_guard lock(mutex_);
        ending_ = true;
    }
    work_.notify_all();
    for (auto& thread : threads_)
        thread.join();
}

void ActionPool::run(std::function<void()> body)
{
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return idleThreads_ > 0 || threads_.size() < MaxThreads; });
    jobs_.push_back(std::move(body));
    ++running_;
    // An idle thread is claimed here, not when it wakes: two actions handed over in a row must not both count on it.
    if (idleThreads_ > 0) {
        --idleThreads_;
        lock.unlock();
        work_.notify_one();
        return;
    }
    threads_.emplace_back([this] { workerLoop(); });
}

void ActionPool::workerLoop()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        work_.wait(lock, [this] { return ending_ || !jobs_.empty(); });
        if (jobs_.empty())
            return; // ending
        std::function<void()> job = std::move(jobs_.front());
        jobs_.pop_front();
        lock.unlock();
        job();
        job = nullptr; // what the action holds goes now, not when the next one comes
        lock.lock();
        ++idleThreads_;
        --running_;
        idle_.notify_all();
    }
}

void ActionPool::waitIdle()
{
    std::unique_lock lock(mutex_);
    idle_.wait(lock, [this] { return running_ == 0; });
}

std::size_t ActionPool::threadCount() const
{
    std::lock_guard lock(mutex_);
    return threads_.size();
}
