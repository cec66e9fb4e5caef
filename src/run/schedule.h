#pragma once

// The run's timetable on the monotonic clock. A page's time condition means "go on T seconds after this page began";
// "began" is the page's planned start, not the moment its thread woke up, so the small lateness of each start never
// adds up over a long run. A key condition has no planned end: the next page is due the moment it is met. A run that
// finds itself far behind (the program was stopped, the machine suspended) goes on from the present instead of
// replaying the pages it missed in a burst.

#include <chrono>

// When one page of a run was due and when it began. repetition and page count from 0.
struct PageTiming {
    int repetition = 0;
    int page = 0;
    std::chrono::steady_clock::time_point planned;
    std::chrono::steady_clock::time_point actual;
};

class Schedule {
public:
    using Clock = std::chrono::steady_clock;

    // The first page is due at origin.
    explicit Schedule(Clock::time_point origin) : current_(origin), next_(origin) {}

    // When the next page is due.
    Clock::time_point nextStart() const { return next_; }
    // The next page begins at now: returns its planned start. Its own time condition (ownSeconds; 0 for any other)
    // counts from the planned start, or from now when now is later than that by more than max(1 s, ownSeconds).
    Clock::time_point begin(Clock::time_point now, double ownSeconds);
    // The current page's time condition: the next page is due this many seconds after the current one was due.
    // Negative or unreadable (NaN) times count as 0.
    void after(double seconds);
    // A key condition was met at this moment: the next page is due then.
    void reanchor(Clock::time_point moment) { next_ = moment; }

    // from + seconds, saturating far in the future instead of overflowing; from itself for seconds <= 0 or NaN.
    static Clock::time_point offset(Clock::time_point from, double seconds);

private:
    Clock::time_point current_;
    Clock::time_point next_;
};
