#include "schedule.h"

#include <algorithm>

Schedule::Clock::time_point Schedule::begin()
{
    current_ = next_;
    return current_;
}

void Schedule::after(double seconds)
{
    next_ = offset(current_, seconds);
}

Schedule::Clock::time_point Schedule::offset(Clock::time_point from, double seconds)
{
    if (!(seconds > 0))
        return from;
    // In double nanoseconds, so that a hand-edited time of 1e300 seconds saturates instead of overflowing; half the
    // remaining range keeps later additions (a wait's own arithmetic) clear of the end of the clock.
    const double limit = static_cast<double>((Clock::time_point::max() - from).count()) / 2.0;
    const double ns = std::min(seconds * 1e9, limit);
    return from + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double, std::nano>(ns));
}
