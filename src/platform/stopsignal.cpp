#include "stopsignal.h"

namespace platform {

void StopSignal::request()
{
    {
        std::lock_guard lock(mutex_);
        requested_.store(true, std::memory_order_release);
    }
    wake_.notify_all();
}

void StopSignal::reset()
{
    std::lock_guard lock(mutex_);
    requested_.store(false, std::memory_order_release);
}

bool StopSignal::waitUntil(Clock::time_point deadline) const
{
    std::unique_lock lock(mutex_);
    // condition_variable::wait_until may wake early (spuriously or through a coarse timer); only the clock decides.
    while (!requested_.load(std::memory_order_acquire)) {
        if (Clock::now() >= deadline)
            return false;
        wake_.wait_until(lock, deadline);
    }
    return true;
}

} // namespace platform
