// The watchdog on Linux/X11: a child forked at start-up, connected by a socket pair of sequenced packets. A pair of
// sockets rather than a pipe because each record then travels whole or not at all, and a send with MSG_NOSIGNAL to a
// watchdog that has gone raises no SIGPIPE in the program.
//
// Why fork without exec: at the top of main() nothing but libc is initialised, so the child inherits no toolkit or X
// state, needs no path to an executable and no hidden command-line mode; it only runs the plain code below and ends
// with _exit(), never returning into the program.

#include "guardian.h"
#include "ledgerrecords.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <pthread.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <utility>

#if defined(ORVANE_WITH_WAYLAND)
#include "platform/wayland/waylandrelease.h"
#endif
#if defined(ORVANE_WITH_X11)
#include "platform/x11/x11instancerecord.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#endif

namespace platform::guardian {

namespace {

pid_t g_watchdog = 0;
int g_channel = -1;
bool g_confirmed = false; // the watchdog said it has a session of its own
class SocketLedger;
SocketLedger* g_ledger = nullptr;

class SocketLedger final : public RecordLedger {
public:
    explicit SocketLedger(int fd) : fd_(fd) {}
    ~SocketLedger() override
    {
        {
            const std::lock_guard lock(wakeMutex_);
            quit_ = true;
        }
        wake_.notify_all();
        if (retrier_.joinable())
            retrier_.join();
    }

    // Beside the records, not in them: a connection cannot be sent again after a lost record. It goes out at the
    // backend's start, long before the channel could be full; a lost one leaves only the cut while stopped undone.
    void waylandConnection(int connection) override
    {
        auto record = encodeRecord(RecordKind::Wayland, connection >= 0 ? 1 : 0);
        iovec part{record.data(), record.size() * sizeof(std::uint32_t)};
        msghdr message{};
        message.msg_iov = &part;
        message.msg_iovlen = 1;
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
        if (connection >= 0) {
            message.msg_control = control;
            message.msg_controllen = sizeof control;
            cmsghdr* rights = CMSG_FIRSTHDR(&message);
            rights->cmsg_level = SOL_SOCKET;
            rights->cmsg_type = SCM_RIGHTS;
            rights->cmsg_len = CMSG_LEN(sizeof(int));
            std::memcpy(CMSG_DATA(rights), &connection, sizeof connection);
        }
        for (int attempt = 0; attempt < 2; ++attempt) {
            if (::sendmsg(fd_, &message, MSG_DONTWAIT | MSG_NOSIGNAL) == static_cast<ssize_t>(part.iov_len) ||
                errno != EAGAIN)
                return;
            pollfd room{fd_, POLLOUT, 0};
            ::poll(&room, 1, 500);
        }
    }

protected:
    bool write(const std::vector<std::uint32_t>& record, bool final) override
    {
        const std::size_t size = record.size() * sizeof(std::uint32_t);
        for (int attempt = 0; attempt < 2; ++attempt) {
            const ssize_t sent = ::send(fd_, record.data(), size, MSG_DONTWAIT | MSG_NOSIGNAL);
            if (sent == static_cast<ssize_t>(size))
                return true;
            if (sent >= 0 || errno != EAGAIN) {
                gone_ = true; // the watchdog is gone: nothing to retry
                return false;
            }
            if (!final) {
                retryLater();
                return false;
            }
            // Only the goodbye waits for room: a lost goodbye would make the watchdog undo a clean exit.
            pollfd room{fd_, POLLOUT, 0};
            ::poll(&room, 1, 500);
        }
        return false;
    }

private:
    // Called with the ledger's lock held, so that the retrier starts once.
    void retryLater()
    {
        {
            const std::lock_guard lock(wakeMutex_);
            due_ = true;
        }
        if (!retrier_.joinable()) {
            // The program's signals are handled elsewhere; this thread never takes one.
            sigset_t all, previous;
            sigfillset(&all);
            pthread_sigmask(SIG_SETMASK, &all, &previous);
            retrier_ = std::thread([this] { retryLoop(); });
            pthread_sigmask(SIG_SETMASK, &previous, nullptr);
        }
        wake_.notify_one();
    }

    // A record that did not fit waits for the watchdog to make room rather than for the program's next change, which
    // may not come before the end of a long hold.
    void retryLoop()
    {
        std::unique_lock lock(wakeMutex_);
        for (;;) {
            wake_.wait(lock, [this] { return quit_ || due_; });
            if (quit_)
                return;
            due_ = false;
            lock.unlock();
            do {
                pollfd room{fd_, POLLOUT, 0};
                ::poll(&room, 1, 50);
            } while (!retry() && !gone_ && !stopping());
            lock.lock();
        }
    }

    bool stopping()
    {
        const std::lock_guard lock(wakeMutex_);
        return quit_;
    }

    int fd_;
    std::mutex wakeMutex_;
    std::condition_variable wake_;
    bool due_ = false;
    bool quit_ = false;
    std::atomic<bool> gone_{false};
    std::thread retrier_;
};

// --- The watchdog child --------------------------------------------------------------------------------------------

volatile sig_atomic_t g_parentGone = 0;

void onParentDeath(int)
{
    g_parentGone = 1;
}

#if defined(ORVANE_WITH_X11)
// Whether keycode carries nothing but keysyms on every level it uses (none or only 0: nothing at all).
bool carriesExactly(Display* display, int keycode, const std::vector<unsigned long>& keysyms)
{
    int perKeycode = 0;
    KeySym* syms = XGetKeyboardMapping(display, static_cast<KeyCode>(keycode), 1, &perKeycode);
    bool exactly = std::all_of(keysyms.begin(), keysyms.end(), [](unsigned long k) { return k == 0; });
    for (int s = 0; syms && s < perKeycode; ++s) {
        if (syms[s] == NoSymbol)
            continue;
        exactly = syms[s] != 0 && std::find(keysyms.begin(), keysyms.end(), syms[s]) != keysyms.end();
        if (!exactly)
            break;
    }
    if (syms)
        XFree(syms);
    return exactly;
}
#endif

// The watchdog's copy of the program's Wayland connection; -1 when it has none.
int g_wayland = -1;

// Releases what the state holds. At the end (atEnd) it also gives rebound keycodes their mapping back, those that
// still carry what the program put there, and locks CapsLock again if typing had switched it off.
void undo(const LedgerState& state, bool atEnd = true)
{
#if defined(ORVANE_WITH_WAYLAND)
    // The compositor lets go of a virtual keyboard's keys only with its client: the program's connection is cut, and
    // a stopped program finds it broken when it continues, so its run ends as undelivered rather than going on.
    if (g_wayland >= 0 && state.keys.count(kWaylandKeys) != 0)
        ::shutdown(g_wayland, SHUT_RDWR);
    waylandReleaseButtons(state.buttons);
#endif
#if defined(ORVANE_WITH_X11)
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return;
    // Releases first, while the keycodes still carry what was pressed, so that clients see matching key symbols.
    for (int key : state.keys) {
#if defined(ORVANE_WITH_WAYLAND)
        if (key >= kWaylandKeys)
            continue;
#endif
        XTestFakeKeyEvent(display, static_cast<unsigned>(key), False, CurrentTime);
    }
    for (int button : state.buttons) {
#if defined(ORVANE_WITH_WAYLAND)
        if (button >= kWaylandLeftButton)
            continue;
#endif
        XTestFakeButtonEvent(display, static_cast<unsigned>(button), False, CurrentTime);
    }
    for (const auto& [keycode, prior] : state.rebound) {
        if (!atEnd)
            break;
        // Something else on it (a layout switched since, another program) is the user's now and stays.
        const auto ours = state.bound.find(keycode);
        if (ours != state.bound.end() && !carriesExactly(display, keycode, ours->second))
            continue;
        x11::InstanceRecord::giveBack(display, keycode, prior);
    }
    if (atEnd && state.capsLockSuspended)
        XkbLockModifiers(display, XkbUseCoreKbd, LockMask, LockMask);
    XSync(display, False);
    XCloseDisplay(display);
#else
    (void)state;
    (void)atEnd;
#endif
}

// Stopped by job control or held at a debugger's breakpoint.
bool isStopped(pid_t pid)
{
    char path[32];
    std::snprintf(path, sizeof path, "/proc/%d/stat", static_cast<int>(pid));
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    char text[512];
    const ssize_t got = read(fd, text, sizeof text - 1);
    close(fd);
    if (got <= 0)
        return false;
    text[got] = '\0';
    const char* end = std::strrchr(text, ')'); // the name before it may hold anything
    return end && end[1] == ' ' && (end[2] == 'T' || end[2] == 't');
}

[[noreturn]] void runWatchdog(int channel, pid_t parent)
{
    // The terminal's Ctrl+C and hang-up are the program's to handle; the watchdog ends with the channel instead.
    std::signal(SIGINT, SIG_IGN);
    std::signal(SIGHUP, SIG_IGN);
    std::signal(SIGTERM, SIG_IGN);
    std::signal(SIGQUIT, SIG_IGN);
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGTSTP, SIG_IGN);
    // A belt for the rare case that a copy of the program's end leaked into another process and keeps the channel
    // open: the parent's death interrupts the read below.
    struct sigaction death {};
    death.sa_handler = onParentDeath;
    sigemptyset(&death.sa_mask);
    sigaction(SIGUSR2, &death, nullptr);
    prctl(PR_SET_PDEATHSIG, SIGUSR2);
    if (getppid() != parent)
        g_parentGone = 1;
    prctl(PR_SET_NAME, "orvane-guardian");
    // A session of its own, so that a kill of the program's whole process group (a shell's job control, a
    // supervisor's group kill) leaves the watchdog to hand the desktop back. start() returns only once it has one.
    setsid();
    const char ready = 1;
    if (::send(channel, &ready, 1, MSG_NOSIGNAL) != 1)
        _exit(0);

    // Hold nothing of the session but the channel: no terminal, no output pipe of a caller, no working directory.
    if (channel != 3) {
        dup2(channel, 3);
        close(channel);
    }
    const int null = open("/dev/null", O_RDWR);
    for (int fd = 0; fd < 3; ++fd)
        dup2(null, fd);
    close_range(4, ~0u, 0);
    if (null > 3)
        close(null);
    if (chdir("/") != 0) {
        // Nothing depends on it; the directory is merely not kept busy.
    }

    RecordReader reader;
    std::uint32_t buffer[2 + kMaxKeysyms];
    bool releasedWhileStopped = false;
    for (;;) {
        const LedgerState& state = reader.state();
        if (!g_parentGone && (!state.keys.empty() || !state.buttons.empty())) {
            // A stopped program would keep its keys down for as long as it stays stopped, so they are let go of while
            // it is. Its keycodes stay as they are: it may go on typing with them once it continues.
            pollfd in{3, POLLIN, 0};
            if (::poll(&in, 1, 250) == 0) {
                const bool stopped = isStopped(parent);
                if (stopped && !releasedWhileStopped)
                    undo(state, false);
                releasedWhileStopped = stopped;
                continue;
            }
        }
        // Once the parent is gone, only what it managed to send before is still read, without waiting for more.
        iovec part{buffer, sizeof buffer};
        alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))];
        msghdr message{};
        message.msg_iov = &part;
        message.msg_iovlen = 1;
        message.msg_control = control;
        message.msg_controllen = sizeof control;
        const ssize_t got = recvmsg(3, &message, MSG_CMSG_CLOEXEC | (g_parentGone ? MSG_DONTWAIT : 0));
        int connection = -1;
        const cmsghdr* rights = got > 0 ? CMSG_FIRSTHDR(&message) : nullptr;
        if (rights && rights->cmsg_level == SOL_SOCKET && rights->cmsg_type == SCM_RIGHTS)
            std::memcpy(&connection, CMSG_DATA(rights), sizeof connection);
        if (got >= 8 && buffer[0] >> 24 == static_cast<std::uint32_t>(RecordKind::Wayland)) {
            if (g_wayland >= 0)
                close(g_wayland);
            g_wayland = std::exchange(connection, -1);
        }
        if (connection >= 0)
            close(connection); // came with no record that asks to keep it
        if (got > 0) {
            // A record arrives only from a program that has run since the last release: a stop after it is a new
            // one. (Records written before a stop are all read before the stop is noticed, which takes a quiet poll.)
            releasedWhileStopped = false;
            if (!reader.feed(buffer, static_cast<std::size_t>(got)))
                break;
            if (reader.state().goodbye)
                _exit(0);
            continue;
        }
        if (got < 0 && errno == EINTR)
            continue;
        break; // end of the channel: the program is gone without a goodbye
    }
    // Never outlive the program by more than a second, even against an X server that stopped answering.
    alarm(1);
    undo(reader.state());
    _exit(0);
}

} // namespace

int runWatchdogIfAsked(int, char**)
{
    return -1;
}

bool start(bool confirmLater)
{
    if (g_watchdog > 0)
        return confirmLater || confirmStarted();
    int pair[2];
    if (socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair) != 0)
        return false;
    const pid_t parent = getpid();
    const pid_t child = fork();
    if (child < 0) {
        close(pair[0]);
        close(pair[1]);
        return false;
    }
    if (child == 0) {
        close(pair[0]);
        runWatchdog(pair[1], parent);
    }
    close(pair[1]);
    g_watchdog = child;
    g_channel = pair[0];
    auto ledger = std::make_unique<SocketLedger>(g_channel);
    g_ledger = ledger.get();
    setLedger(std::move(ledger));
    return confirmLater || confirmStarted();
}

bool confirmStarted()
{
    if (g_watchdog <= 0)
        return false;
    if (g_confirmed)
        return true;
    // Until the watchdog has left the program's process group, a kill of the group would take it along. Its byte says
    // it has; bounded, so that a watchdog the system is slow to schedule does not hold the program up for long.
    pollfd ready{g_channel, POLLIN, 0};
    char byte = 0;
    if (::poll(&ready, 1, 2000) == 1 && ::recv(g_channel, &byte, 1, 0) != 1) {
        // It ended before it could watch anything (and nothing was recorded yet).
        g_ledger = nullptr;
        setLedger(nullptr);
        close(std::exchange(g_channel, -1));
        while (waitpid(std::exchange(g_watchdog, 0), nullptr, 0) < 0 && errno == EINTR) {
        }
        return false;
    }
    g_confirmed = true;
    return true;
}

void stop()
{
    if (g_watchdog <= 0)
        return;
    g_ledger->sayGoodbye();
    g_ledger = nullptr;
    setLedger(nullptr);
    close(g_channel);
    g_channel = -1;
    while (waitpid(g_watchdog, nullptr, 0) < 0 && errno == EINTR) {
    }
    g_watchdog = 0;
    g_confirmed = false;
}

long watchdogProcessId()
{
    return g_watchdog;
}

} // namespace platform::guardian
