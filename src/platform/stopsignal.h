#pragma once

// A one-way "stop" event that threads can block on. A run's waits end either at their deadline or the moment a stop
// is requested, without polling; every thread of the run shares one signal.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace platform {

class StopSignal {
public:
    using Clock = std::chrono::steady_clock;

    StopSignal() = default;
    StopSignal(const StopSignal&) = delete;
    StopSignal& operator=(const StopSignal&) = delete;

    // Sets the signal and wakes every waiter. Any thread; never blocks for long.
    void request();
    // Clears the signal (for a run object that is reused). Any thread.
    void reset();
    // Any thread; never blocks.
    bool isRequested() const { return requested_.load(std::memory_order_acquire); }

    // Blocks until the deadline on the monotonic clock or until a stop is requested, whichever comes first. Never
    // returns before the deadline unless stopped. Returns true when stopped. Any thread.
    bool waitUntil(Clock::time_point deadline) const;
    template <class Rep, class Period> bool waitFor(std::chrono::duration<Rep, Period> duration) const
    {
        return waitUntil(Clock::now() + std::chrono::duration_cast<Clock::duration>(duration));
    }

private:
    std::atomic<bool> requested_{false};
    mutable std::mutex mutex_;
    mutable std::condition_variable wake_;
};

} // namespace platform
