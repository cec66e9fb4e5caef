#pragma once

// The benchmark driver's own X connections, shared by the X11 rows (orvane_bench.cpp) and the rows that start the
// whole program (orvane_bench_program.cpp): one records every raw key and button event, the other plays the user.
// Xlib's macros clash with Qt's headers: include this after every Qt header.

#include "orvane_bench.h"

#include <atomic>
#include <mutex>
#include <poll.h>
#include <thread>
#include <vector>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
#include <X11/extensions/XTest.h>

namespace bench {

struct RawEvent {
    bool key = false; // else a button
    bool down = false;
    int detail = 0; // keycode or button
    qint64 at = 0;  // steady_clock ns when read
    qint64 serverMs = 0;
};

// A separate client that records every raw key and button event of the server.
class Observer {
public:
    Observer() : display_(XOpenDisplay(nullptr))
    {
        int event = 0, error = 0, major = 2, minor = 2;
        if (!display_ || !XQueryExtension(display_, "XInputExtension", &opcode_, &event, &error) ||
            XIQueryVersion(display_, &major, &minor) != Success)
            return;
        unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
        for (int type : {XI_RawKeyPress, XI_RawKeyRelease, XI_RawButtonPress, XI_RawButtonRelease})
            XISetMask(bits, type);
        XIEventMask mask{XIAllMasterDevices, sizeof bits, bits};
        XISelectEvents(display_, DefaultRootWindow(display_), &mask, 1);
        XSync(display_, False);
        thread_ = std::thread([this] { loop(); });
    }
    ~Observer()
    {
        quit_ = true;
        if (thread_.joinable())
            thread_.join();
        if (display_)
            XCloseDisplay(display_);
    }
    bool isOpen() const { return thread_.joinable(); }

    std::vector<RawEvent> between(qint64 from, qint64 to)
    {
        std::lock_guard lock(mutex_);
        std::vector<RawEvent> result;
        for (const RawEvent& e : events_)
            if (e.at >= from && e.at <= to)
                result.push_back(e);
        return result;
    }

private:
    void loop()
    {
        pollfd fd{ConnectionNumber(display_), POLLIN, 0};
        while (!quit_) {
            if (XPending(display_) == 0 && poll(&fd, 1, 100) <= 0)
                continue;
            XEvent event;
            XNextEvent(display_, &event);
            const qint64 at = nowNs();
            XGenericEventCookie* cookie = &event.xcookie;
            if (cookie->type != GenericEvent || cookie->extension != opcode_ || !XGetEventData(display_, cookie))
                continue;
            const int type = cookie->evtype;
            const auto* raw = static_cast<const XIRawEvent*>(cookie->data);
            const bool key = type == XI_RawKeyPress || type == XI_RawKeyRelease;
            const bool down = type == XI_RawKeyPress || type == XI_RawButtonPress;
            {
                std::lock_guard lock(mutex_);
                events_.push_back({key, down, raw->detail, at, static_cast<qint64>(raw->time)});
            }
            XFreeEventData(display_, cookie);
        }
    }

    Display* display_;
    int opcode_ = 0;
    std::thread thread_;
    std::atomic<bool> quit_{false};
    std::mutex mutex_;
    std::vector<RawEvent> events_;
};

// The user's keyboard: XTest on a connection of its own.
class User {
public:
    User() : display_(XOpenDisplay(nullptr)) {}
    ~User()
    {
        if (display_)
            XCloseDisplay(display_);
    }
    Display* display() const { return display_; }
    void key(const char* name, bool down)
    {
        XTestFakeKeyEvent(display_, XKeysymToKeycode(display_, XStringToKeysym(name)), down, CurrentTime);
        XSync(display_, False);
    }
    // Ctrl+Alt+S, the stop command of every bench project.
    void stopCombination(bool down)
    {
        const char* names[] = {"Control_L", "Alt_L", "s"};
        for (int i = 0; i < 3; ++i)
            key(names[down ? i : 2 - i], down); // released in reverse
    }
    void pointTo(int x, int y)
    {
        XTestFakeMotionEvent(display_, -1, x, y, CurrentTime);
        XSync(display_, False);
    }

private:
    Display* display_;
};

// The rows that start the whole program (orvane_bench_program.cpp).
QString startup(const QString& program, const QString& home);
QString recordedGaps(Observer& observer, User& user, const QString& program, const QString& home);

} // namespace bench
