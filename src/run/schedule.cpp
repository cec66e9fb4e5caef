#include "schedule.h"

#include <algorithm>

Schedule::Clock::time_point Schedule::begin(Clock::time_point now, double ownSeconds)
{
    // Later than the page's own time means the next page would be due before this one began: counted from the plan,
    // every page missed meanwhile would follow at once. The page keeps its planned start, so its lateness is reported
    // once, on the page that found it.
    const double late = std::chrono::duration<double>(now - next_).count();
    current_ = late > std::max(1.0, ownSeconds) ? now : next_;
    return next_;
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
