#include "quitsignals.h"

#include <QLoggingCategory>
#include <QSocketNotifier>

#if defined(Q_OS_UNIX)
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

#include <utility>
#endif

Q_LOGGING_CATEGORY(lcQuitSignals, "orvane.signals")

#if defined(Q_OS_UNIX)

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
int g_pipe[2] = {-1, -1};
struct sigaction g_previous[3];
bool g_installed[3] = {};

void onSignal(int number)
{
    // Async-signal-safe: one write of one byte; errno belongs to whatever the signal interrupted.
    const int saved = errno;
    const char byte = static_cast<char>(number);
    [[maybe_unused]] const ssize_t written = ::write(g_pipe[1], &byte, 1);
    errno = saved;
}

} // namespace

QuitSignals::QuitSignals(QObject* parent) : QObject(parent)
{
    if (g_pipe[0] >= 0 || ::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        qCWarning(lcQuitSignals) << "no pipe for the quit signals; they end the program at once";
        return;
    }
    notifier_ = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &QuitSignals::readPending);
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int i = 0; i < 3; ++i) {
        // An ignored signal was ignored on purpose by whoever started us (nohup, a service manager): it stays so.
        g_installed[i] = sigaction(kSignals[i], nullptr, &g_previous[i]) == 0 && g_previous[i].sa_handler != SIG_IGN &&
                         sigaction(kSignals[i], &action, nullptr) == 0;
    }
}

QuitSignals::~QuitSignals()
{
    if (!notifier_)
        return;
    // A second Ctrl+C while the program is being torn down ends it the usual way; the guardian cleans up after it.
    for (int i = 0; i < 3; ++i) {
        if (std::exchange(g_installed[i], false))
            sigaction(kSignals[i], &g_previous[i], nullptr);
    }
    delete notifier_;
    notifier_ = nullptr;
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

void QuitSignals::readPending()
{
    char numbers[16];
    const ssize_t got = ::read(g_pipe[0], numbers, sizeof numbers);
    for (ssize_t i = 0; i < got; ++i) {
        qCInfo(lcQuitSignals) << "signal" << int(numbers[i]) << "received: quitting";
        Q_EMIT quitRequested(numbers[i]);
    }
}

#else

QuitSignals::QuitSignals(QObject* parent) : QObject(parent) {}

QuitSignals::~QuitSignals() = default;

void QuitSignals::readPending() {}

#endif
