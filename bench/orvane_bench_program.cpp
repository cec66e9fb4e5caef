// The rows that measure the whole program rather than its run engine: start-up to the first window, and a recording
// replayed. They start orvane itself in an environment of its own and watch the X server for its windows.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>

#include <cmath>
#include <functional>
#include <random>

#include "orvane_bench_x11.h" // after every Qt header

namespace bench {

namespace {

// The program's environment: every directory it writes in lies under home.
QProcessEnvironment programEnvironment(const QString& home)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    const std::pair<const char*, const char*> dirs[] = {{"HOME", ""},
                                                        {"XDG_CONFIG_HOME", "/config"},
                                                        {"XDG_DATA_HOME", "/share"},
                                                        {"XDG_CACHE_HOME", "/cache"},
                                                        {"XDG_RUNTIME_DIR", "/runtime"}};
    for (const auto& [name, dir] : dirs)
        env.insert(QString::fromLatin1(name), home + QString::fromLatin1(dir));
    return env;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

// The first `count` action starts (key and button presses) on the server's millisecond clock.
std::vector<qint64> actionStarts(const std::vector<RawEvent>& events, std::size_t count)
{
    std::vector<qint64> starts;
    for (const RawEvent& e : events)
        if (e.down && starts.size() < count)
            starts.push_back(e.serverMs);
    return starts;
}

} // namespace

// Start-up of a whole program to its first mapped window, and its resident size a second later (all of it, and the
// anonymous part that is the program's own rather than clean pages of its files), over several starts:
// the fastest and the median, which a loaded machine blurs less than a single start.
QString startup(const QString& program, const QString& home)
{
    const QString configDir = home + QStringLiteral("/config/orvane");
    QDir().mkpath(configDir);
    QDir().mkpath(home + QStringLiteral("/runtime"));
    QFile::setPermissions(home + QStringLiteral("/runtime"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QFile config(configDir + QStringLiteral("/orvane_free.json"));
    // A returning user's settings: no greeting, no notices.
    if (config.open(QIODevice::WriteOnly))
        config.write(R"({"stert_time":1,"run_number":1,"stop_command":"83,3","file_path":"","is_used_stert":true,)"
                     R"("is_used_this":true,"is_help":false,"is_message_file":true,"is_message_paste":false,)"
                     R"("is_message_delete":true})");
    config.close();
    const QProcessEnvironment env = programEnvironment(home);
    std::vector<double> times, sizes, own;
    int missing = 0;
    for (int i = 0; i < 7; ++i) {
        User x;
        XSelectInput(x.display(), DefaultRootWindow(x.display()), SubstructureNotifyMask);
        XSync(x.display(), False);
        const Atom pidAtom = XInternAtom(x.display(), "_NET_WM_PID", False);
        QProcess process;
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(QFileInfo(program).absolutePath());
        process.setStandardOutputFile(QProcess::nullDevice());
        process.setStandardErrorFile(QProcess::nullDevice());
        const qint64 t0 = nowNs();
        process.start(program, {});
        qint64 shown = -1;
        pollfd fd{ConnectionNumber(x.display()), POLLIN, 0};
        while (shown < 0 && nowNs() - t0 < 20000000000LL && process.state() != QProcess::NotRunning) {
            if (XPending(x.display()) == 0 && poll(&fd, 1, 50) <= 0)
                continue;
            XEvent event;
            XNextEvent(x.display(), &event);
            if (event.type != MapNotify)
                continue;
            Atom type = 0;
            int format = 0;
            unsigned long count = 0, left = 0;
            unsigned char* data = nullptr;
            if (XGetWindowProperty(x.display(), event.xmap.window, pidAtom, 0, 1, False, XA_CARDINAL, &type, &format,
                                   &count, &left, &data) == Success &&
                data && count == 1 &&
                *reinterpret_cast<unsigned long*>(data) == static_cast<unsigned long>(process.processId()))
                shown = nowNs();
            if (data)
                XFree(data);
        }
        sleepMs(1000);
        QFile status(QStringLiteral("/proc/%1/status").arg(process.processId()));
        if (shown > 0)
            times.push_back(ms(shown - t0));
        else
            ++missing;
        if (status.open(QIODevice::ReadOnly)) {
            for (const QByteArray& line : status.readAll().split('\n')) {
                if (line.startsWith("VmRSS:"))
                    sizes.push_back(line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0);
                else if (line.startsWith("RssAnon:"))
                    own.push_back(line.mid(8).trimmed().split(' ').value(0).toDouble() / 1024.0);
            }
        }
        process.terminate();
        if (!process.waitForFinished(5000))
            process.kill(), process.waitForFinished(1000);
    }
    if (times.empty())
        return QStringLiteral("no window");
    QString text = QStringLiteral("fastest %1 ms, median %2 ms / median %3 MB (own %4 MB)")
                       .arg(*std::min_element(times.begin(), times.end()), 0, 'f', 0)
                       .arg(median(times), 0, 'f', 0)
                       .arg(median(sizes), 0, 'f', 1)
                       .arg(median(own), 0, 'f', 1);
    if (missing > 0)
        text += QStringLiteral(" (%1 of 7 starts showed no window)").arg(missing);
    return text;
}

// xdotool does 30 clicks and key taps with gaps of 40 to 440 ms while `orvane --record` records them, then Ctrl+Alt+S
// ends the recording; `orvane --run` replays the project. Each gap between two actions as replayed against the same
// gap as performed: mean and p99 of the absolute difference, by the server's time stamps.
QString recordedGaps(Observer& observer, User& user, const QString& program, const QString& home)
{
    constexpr std::size_t actions = 30;
    const QString project = home + QStringLiteral("/recorded.cmdat");
    QStringList work;
    std::mt19937 random(11);
    for (std::size_t i = 0; i < actions; ++i) {
        work << (i % 2 == 0 ? QStringList{QStringLiteral("click"), QStringLiteral("1")}
                            : QStringList{QStringLiteral("key"), QString(QChar(u'a' + static_cast<int>(i % 26)))});
        work << QStringLiteral("sleep") << QString::number((40 + random() % 400) / 1000.0, 'f', 3);
    }
    const auto perform = [&](const QStringList& args, const std::function<void()>& during) {
        XSelectInput(user.display(), DefaultRootWindow(user.display()), SubstructureNotifyMask);
        XSync(user.display(), False);
        QProcess process;
        process.setProcessEnvironment(programEnvironment(home));
        process.setStandardOutputFile(QProcess::nullDevice());
        process.setStandardErrorFile(QProcess::nullDevice());
        const qint64 from = nowNs();
        process.start(program, args);
        // With no delay the recording runs before the stop window is mapped.
        pollfd fd{ConnectionNumber(user.display()), POLLIN, 0};
        for (bool mapped = false;
             !mapped && nowNs() - from < 20000000000LL && process.state() != QProcess::NotRunning;) {
            if (XPending(user.display()) == 0 && poll(&fd, 1, 50) <= 0)
                continue;
            XEvent event;
            XNextEvent(user.display(), &event);
            mapped = event.type == MapNotify;
        }
        XSelectInput(user.display(), DefaultRootWindow(user.display()), NoEventMask);
        const qint64 start = nowNs();
        if (during)
            during();
        const bool ended = process.waitForFinished(60000) && process.exitCode() == 0;
        sleepMs(200);
        return ended ? actionStarts(observer.between(start, nowNs()), actions) : std::vector<qint64>{};
    };
    user.pointTo(400, 300);
    const std::vector<qint64> done =
        perform({QStringLiteral("--record"), project, QStringLiteral("--delay"), QStringLiteral("0"),
                 QStringLiteral("--stop"), QStringLiteral("Ctrl+Alt+S")},
                [&] {
                    runXdotool(work);
                    user.stopCombination(true);
                    user.stopCombination(false);
                });
    const std::vector<qint64> replayed =
        perform({QStringLiteral("--run"), project, QStringLiteral("--delay"), QStringLiteral("0")}, {});
    if (done.size() != actions || replayed.size() != actions)
        return QStringLiteral("recorded %1, replayed %2 of %3 actions")
            .arg(done.size())
            .arg(replayed.size())
            .arg(actions);
    std::vector<double> errors;
    for (std::size_t i = 1; i < actions; ++i)
        errors.push_back(std::abs(double((replayed[i] - replayed[i - 1]) - (done[i] - done[i - 1]))));
    double sum = 0;
    for (double e : errors)
        sum += e;
    std::sort(errors.begin(), errors.end());
    const double p99 = errors[static_cast<std::size_t>(std::ceil(0.99 * errors.size())) - 1];
    return QStringLiteral("mean %1 ms, p99 %2 ms (%3 gaps)")
        .arg(sum / errors.size(), 0, 'f', 1)
        .arg(p99, 0, 'f', 1)
        .arg(errors.size());
}

} // namespace bench
