// Side-by-side benchmark of the run engine on the real X11 backend and xdotool, on a private X server (started by
// scripts/bench.sh), and on the Wayland backend next to wtype, on a private headless sway. One executable, four roles:
//   orvane_bench [--program <orvane> --home <dir>]   drives everything and prints one table
//   orvane_bench wayland <observer>                 the Wayland rows (orvane_bench_wayland.cpp): typing into the
//                                                   observer client given
//   orvane_bench sink                               a text box in a process of its own that takes the focus
//   orvane_bench run type <hex>|clicks <n>|idle     replays one project with Run and the real backend
// Both typists' input is observed from a connection of the driver's own through XI2 raw events, each stamped with
// the monotonic clock when it is read (steady_clock, shared by every process on the machine). Asserts nothing.

#include "model/pagemodel.h"
#include "platform/inputservices.h"
#include "run/run.h"

#include <QApplication>
#include <QDir>
#include <QLoggingCategory>
#include <QPlainTextEdit>
#include <QProcess>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <mutex>
#include <random>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "orvane_bench_x11.h" // after every Qt header

namespace bench {

using Clock = std::chrono::steady_clock;

qint64 nowNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count();
}

double ms(qint64 ns)
{
    return static_cast<double>(ns) / 1e6;
}

void sleepMs(int value)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(value));
}

// Characters of want that got arrives with in order (longest common subsequence).
int charsInOrder(const QString& want, const QString& got)
{
    std::vector<int> row(static_cast<std::size_t>(got.size()) + 1, 0);
    for (QChar w : want) {
        int diagonal = 0;
        for (qsizetype j = 1; j <= got.size(); ++j) {
            const int above = row[static_cast<std::size_t>(j)];
            row[static_cast<std::size_t>(j)] =
                w == got.at(j - 1) ? diagonal + 1 : std::max(above, row[static_cast<std::size_t>(j - 1)]);
            diagonal = above;
        }
    }
    return row.back();
}

void row(const char* measure, const QString& program, const QString& peer)
{
    std::printf("| %s | %s | %s |\n", measure, qPrintable(program), qPrintable(peer));
    std::fflush(stdout);
}

bool runXdotool(const QStringList& args)
{
    QProcess process;
    process.start(QStringLiteral("xdotool"), args);
    return process.waitForFinished(120000) && process.exitCode() == 0;
}

namespace {

void say(const QByteArray& line)
{
    std::fwrite(line.constData(), 1, static_cast<std::size_t>(line.size()), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// Calls handle with each line that arrives on stdin, and with an empty line at its end.
void onStdinLines(QObject* owner, std::function<void(const QByteArray&)> handle)
{
    auto* notifier = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, owner);
    auto buffer = std::make_shared<QByteArray>();
    QObject::connect(notifier, &QSocketNotifier::activated, [notifier, buffer, handle] {
        char chunk[256];
        const ssize_t n = ::read(STDIN_FILENO, chunk, sizeof chunk);
        if (n <= 0) {
            notifier->setEnabled(false);
            handle({});
            return;
        }
        buffer->append(chunk, static_cast<int>(n));
        for (int at = 0; (at = static_cast<int>(buffer->indexOf('\n'))) >= 0;) {
            const QByteArray line = buffer->left(at).trimmed();
            buffer->remove(0, at + 1);
            if (!line.isEmpty())
                handle(line);
        }
    });
}

// ---- the text box that both typists type into -----------------------------------------------------------------

int sinkMain(QApplication& app)
{
    QPlainTextEdit edit;
    edit.setGeometry(100, 100, 600, 400);
    edit.show();
    QTimer focus;
    QObject::connect(&focus, &QTimer::timeout, [&] {
        if (!edit.isActiveWindow())
            edit.activateWindow(); // without a window manager, this sets the X input focus
        else if (focus.interval() == 20)
            say("READY"), focus.setInterval(500);
    });
    focus.start(20);
    onStdinLines(&app, [&](const QByteArray& line) {
        if (line == "dump")
            say("TEXT " + edit.toPlainText().toUtf8().toHex());
        else if (line == "clear")
            edit.clear(), say("CLEARED");
        else
            app.quit();
    });
    return app.exec();
}

// ---- one project replayed by the program's run engine ----------------------------------------------------------

int runMain(QApplication& app, const QStringList& args)
{
    platform::setServices(platform::createDefaultServices());
    if (!platform::services().isAvailable()) {
        say("FAILED no input backend");
        return 1;
    }
    namespace kind = model::kind;
    const QString job = args.value(2);
    model::EntryList commands{model::freshCommand()}; // "nothing"
    model::EntryList conditions{{kind::Time, QStringLiteral("30")}};
    int repeat = 1;
    if (job == QLatin1String("type")) {
        // A duration far shorter than any safe pace: the backend types as fast as it can deliver exactly.
        commands = {
            {kind::Input, QString::fromUtf8(QByteArray::fromHex(args.value(3).toLatin1())), QStringLiteral("0.01")}};
        conditions = {{kind::Immediate}};
    } else if (job == QLatin1String("clicks")) {
        commands = {{kind::Click, model::LeftButton, QStringLiteral("0.005")}};
        conditions = {{kind::Time, QStringLiteral("0.02")}};
        repeat = args.value(3) == QLatin1String("endless") ? EndlessRunNumber : args.value(3).toInt();
    }
    auto* run = new Run;
    run->setBeeper([] {});
    run->configure(0, repeat, QStringLiteral("83,3"), commands, conditions, QStringLiteral("bench")); // Ctrl+Alt+S
    QThread worker;
    run->moveToThread(&worker);
    QObject::connect(&worker, &QThread::started, run, &Run::start);
    QObject::connect(
        run, &Run::finished, run,
        [&app] {
            say("FINISHED " + QByteArray::number(nowNs()));
            QMetaObject::invokeMethod(&app, &QCoreApplication::quit, Qt::QueuedConnection);
        },
        Qt::DirectConnection);
    onStdinLines(&app, [run](const QByteArray& line) {
        if (line == "cpu") {
            rusage usage{};
            getrusage(RUSAGE_SELF, &usage);
            const qint64 us = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000000LL + usage.ru_utime.tv_usec +
                              usage.ru_stime.tv_usec;
            say("CPU " + QByteArray::number(us) + ' ' + QByteArray::number(nowNs()));
        } else {
            run->requestStop();
        }
    });
    worker.start();
    const int result = app.exec();
    worker.quit();
    worker.wait();
    delete run;
    return result;
}

// ---- the driver ------------------------------------------------------------------------------------------------

QString sinkText(Child& sink)
{
    sleepMs(300); // the box's client reads the last key events
    sink.send("dump");
    return QString::fromUtf8(QByteArray::fromHex(sink.waitLine("TEXT", 5000).trimmed()));
}

// Chars per second from the first key press to the last key release observed in [from, to].
void addTyping(Typed& typed, Observer& observer, Child& sink, const QString& text, qint64 from, qint64 to)
{
    const QString got = sinkText(sink);
    ++typed.runs;
    typed.exact += got == text;
    typed.worstChars = std::min(typed.worstChars, charsInOrder(text, got));
    std::vector<qint64> keys;
    for (const RawEvent& e : observer.between(from, to + 300000000LL))
        if (e.key)
            keys.push_back(e.at);
    if (keys.size() >= 2)
        typed.rates.push_back(text.size() / (ms(keys.back() - keys.front()) / 1000.0));
    sink.send("clear");
    sink.waitLine("CLEARED", 5000);
}

// Mean absolute interval error, p99 of it and drift of button presses meant to come every 20 ms [ms], by the time
// they were read or by the server's millisecond time stamps (which the reader's own scheduling does not blur).
QString cadence(const std::vector<RawEvent>& events, int expected, bool serverTime = false)
{
    std::vector<qint64> presses;
    for (const RawEvent& e : events)
        if (!e.key && e.down)
            presses.push_back(serverTime ? e.serverMs * 1000000 : e.at);
    if (presses.size() < 2)
        return QStringLiteral("no clicks seen");
    std::vector<double> errors;
    for (std::size_t i = 1; i < presses.size(); ++i)
        errors.push_back(std::abs(ms(presses[i] - presses[i - 1]) - 20.0));
    double sum = 0;
    for (double e : errors)
        sum += e;
    std::sort(errors.begin(), errors.end());
    const double p99 = errors[static_cast<std::size_t>(std::ceil(0.99 * errors.size())) - 1];
    const double drift = ms(presses.back() - presses.front()) - 20.0 * static_cast<double>(presses.size() - 1);
    QString text = QStringLiteral("mean %1 ms, p99 %2 ms, drift %3 ms")
                       .arg(sum / errors.size(), 0, 'f', 2)
                       .arg(p99, 0, 'f', 2)
                       .arg(drift, 0, 'f', 1);
    if (static_cast<int>(presses.size()) != expected)
        text += QStringLiteral(" (%1 of %2 clicks seen)").arg(presses.size()).arg(expected);
    return text;
}

// Ctrl+Alt+S held 120 ms or tapped during an endless run of clicks; times on steady_clock [ns].
struct StopTrial {
    qint64 pressed = 0, released = 0, lastEvent = 0, finished = -1;
};

StopTrial stopTrial(Observer& observer, User& user, int holdMs, int leadMs)
{
    const qint64 spawned = nowNs();
    Child run({QStringLiteral("run"), QStringLiteral("clicks"), QStringLiteral("endless")});
    // The stop comes leadMs into the clicking, not into the process's start-up.
    for (int waited = 0; waited < 5000 && observer.between(spawned, nowNs()).empty(); waited += 5)
        sleepMs(5);
    sleepMs(leadMs);
    StopTrial trial;
    user.stopCombination(true);
    trial.pressed = nowNs();
    if (holdMs > 0)
        sleepMs(holdMs);
    user.stopCombination(false);
    trial.released = nowNs();
    trial.finished = run.waitNumber("FINISHED", holdMs > 0 ? 5000 : 1000);
    if (trial.finished < 0) {
        run.send("stop");
        run.waitLine("FINISHED", 5000);
    }
    for (const RawEvent& e : observer.between(trial.pressed, nowNs()))
        if (!e.key)
            trial.lastEvent = std::max(trial.lastEvent, e.at);
    return trial;
}

int driverMain(const QStringList& args)
{
    const auto option = [&args](const char* name) {
        const qsizetype at = args.indexOf(QString::fromLatin1(name));
        return at < 0 ? QString() : args.value(at + 1);
    };
    const QString programPath = option("--program");
    // --only typing,dense,cadence,stop,idle,startup,recording measures those rows alone.
    const QStringList only = option("--only").split(QLatin1Char(','), Qt::SkipEmptyParts);
    const auto wants = [&only](const char* rows) { return only.isEmpty() || only.contains(QLatin1String(rows)); };
    const QString home =
        option("--home").isEmpty() ? QDir::tempPath() + QStringLiteral("/orvane_bench") : option("--home");
    XInitThreads(); // the observer's thread and this one each use a connection of their own
    Observer observer;
    User user;
    if (!observer.isOpen() || !user.display()) {
        std::fprintf(stderr, "orvane_bench: no X display with XInput 2.2\n");
        return 1;
    }
    const bool xdotool = !QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty();
    Child sink({QStringLiteral("sink")});
    if (sink.waitLine("READY", 10000).isNull()) {
        std::fprintf(stderr, "orvane_bench: the text box did not take the focus\n");
        return 1;
    }
    user.pointTo(400, 300); // clicks land in the text box, far from the run's stop window
    const auto load = [] {
        QFile file(QStringLiteral("/proc/loadavg"));
        return file.open(QIODevice::ReadOnly) ? file.readLine().split(' ').mid(0, 3).join(' ') : QByteArray("?");
    };
    std::printf("Run engine + X11 backend (this program) vs xdotool on Xvfb %s; input observed through XI2 raw events "
                "by a client of its own, stamped with the monotonic clock on receipt; load average %s\n\n"
                "| Measure | This program | xdotool |\n|---|---|---|\n",
                qgetenv("DISPLAY").constData(), load().constData());

    const QString japanese =
        QStringLiteral("吾輩は猫である。名前はまだ無い。どこで生れたかとんと見当がつかぬ。何でも薄暗いじめじめ"
                       "した所でニャーニャー泣いていた事だけは記憶している。「東京、2026年12月」発行・第3版です。ABC");
    const QString ascii =
        QStringLiteral("The quick brown fox jumps over the lazy dog; PACK MY BOX WITH 5 DOZEN LIQUOR JUGS! (123+4)");
    // 101 distinct kanji in 128 characters: nearly every character needs a binding of its own.
    const QString dense = QStringLiteral(
        "春夏秋冬、東西南北。山川海空に雨雪風雲が舞う。父母兄弟姉妹と祖先の墓前で線香を焚き、寺社仏閣を巡る旅路。"
        "医師看護薬局病院、鉄道駅港湾橋梁。政治経済法律憲章、科学技術研究開発。歴史地理数学物理化学生物。"
        "朝昼晩夜明暗光影。赤青黄緑紫白黒灰。犬猫馬牛羊豚鳥魚虫。");
    QStringList texts;
    if (wants("typing"))
        texts << japanese << ascii;
    if (wants("dense"))
        texts << dense;
    Child::section = QStringLiteral("typing");
    for (const QString& text : texts) {
        Typed ours, slow, fast;
        for (int i = 0; i < 3; ++i) {
            const qint64 from = nowNs();
            Child run({QStringLiteral("run"), QStringLiteral("type"), QString::fromLatin1(text.toUtf8().toHex())});
            const qint64 to = run.waitNumber("FINISHED", 120000);
            addTyping(ours, observer, sink, text, from, to < 0 ? nowNs() : to);
        }
        for (int i = 0; xdotool && i < 3; ++i) {
            for (Typed* typed : {&slow, &fast}) {
                const qint64 from = nowNs();
                runXdotool({QStringLiteral("type"), QStringLiteral("--delay"), QString::number(typed == &slow ? 20 : 0),
                            QStringLiteral("--"), text});
                addTyping(*typed, observer, sink, text, from, nowNs());
            }
        }
        const QByteArray name =
            text == japanese ? "Japanese 94 chars: exact, rate (program: 入力 over 0.01 s, 3 runs each)"
            : text == dense
                ? "Dense Japanese 128 chars, 101 distinct kanji: exact, rate (入力 over 0.01 s, 3 runs each)"
                : "ASCII 90 chars: exact, rate (program: 入力 over 0.01 s, 3 runs each)";
        row(name.constData(), ours.describe(static_cast<int>(text.size())),
            xdotool
                ? QStringLiteral("--delay 20: %1; --delay 0: %2")
                      .arg(slow.describe(static_cast<int>(text.size())), fast.describe(static_cast<int>(text.size())))
                : QStringLiteral("not installed"));
    }

    Child::section = QStringLiteral("cadence");
    QString ourCadence, peerCadence = QStringLiteral("not installed");
    if (wants("cadence")) {
        const qint64 from = nowNs();
        Child run({QStringLiteral("run"), QStringLiteral("clicks"), QStringLiteral("200")});
        const qint64 to = run.waitNumber("FINISHED", 60000);
        const auto events = observer.between(from, to < 0 ? nowNs() : to);
        ourCadence = cadence(events, 200) + QStringLiteral("; server clock: ") + cadence(events, 200, true);
    }
    if (xdotool && wants("cadence")) {
        const qint64 from = nowNs();
        runXdotool({QStringLiteral("click"), QStringLiteral("--repeat"), QStringLiteral("200"),
                    QStringLiteral("--delay"), QStringLiteral("20"), QStringLiteral("1")});
        const auto events = observer.between(from, nowNs() + 100000000LL);
        peerCadence = cadence(events, 200) + QStringLiteral("; server clock: ") + cadence(events, 200, true);
    }
    if (wants("cadence"))
        row("200 clicks every 20 ms: interval error (page クリック 0.005 s, 時間 0.02, 200 runs / click --repeat "
            "200 --delay 20)",
            ourCadence, peerCadence);

    Child::section = QStringLiteral("stop");
    QStringList toLast, afterRelease;
    for (int i = 0; wants("stop") && i < 3; ++i) {
        const StopTrial t = stopTrial(observer, user, 120, 200 + 37 * i);
        toLast << (t.lastEvent > 0 ? QString::number(ms(t.lastEvent - t.pressed), 'f', 1) : QStringLiteral("none"));
        afterRelease << (t.finished > 0 ? QString::number(ms(t.finished - t.released), 'f', 0)
                                        : QStringLiteral("never"));
    }
    int caught = 0;
    double longestTap = 0;
    std::mt19937 random(7);
    for (int i = 0; wants("stop") && i < 10; ++i) {
        const StopTrial t = stopTrial(observer, user, 0, 100 + static_cast<int>(random() % 100));
        caught += t.finished > 0;
        longestTap = std::max(longestTap, ms(t.released - t.pressed));
    }
    if (wants("stop")) {
        row("Stop Ctrl+Alt+S held 120 ms: press → last synthetic event [ms]", toLast.join(QStringLiteral(", ")));
        row("Stop Ctrl+Alt+S held 120 ms: release → Run::finished emitted [ms] (negative: before the release)",
            afterRelease.join(QStringLiteral(", ")));
        row("Stop Ctrl+Alt+S tapped: caught",
            QStringLiteral("%1 of 10 (taps ≤ %2 ms)").arg(caught).arg(longestTap, 0, 'f', 1));
    }

    if (wants("idle")) {
        Child::section = QStringLiteral("idle CPU");
        Child run({QStringLiteral("run"), QStringLiteral("idle")});
        sleepMs(1000);
        run.send("cpu");
        const QByteArray first = run.waitLine("CPU", 5000);
        sleepMs(10000);
        run.send("cpu");
        const QByteArray second = run.waitLine("CPU", 5000);
        const qint64 stopped = nowNs();
        run.send("stop");
        const qint64 finished = run.waitNumber("FINISHED", 5000);
        const auto field = [](const QByteArray& line, int i) { return line.split(' ').value(i).toLongLong(); };
        const double busy = static_cast<double>(field(second, 0) - field(first, 0)) / 1000.0;
        const double span = ms(field(second, 1) - field(first, 1));
        row("CPU while a run waits on a 30 s time condition (10 s of it, whole run process)",
            QStringLiteral("%1 % of one core; Run::requestStop() during the wait → finished: %2")
                .arg(100.0 * busy / span, 0, 'f', 2)
                .arg(finished > 0 ? QStringLiteral("%1 ms").arg(ms(finished - stopped), 0, 'f', 1)
                                  : QStringLiteral("never")));
    }

    if (wants("startup")) {
        // The nearest peer with a window of its own; scripts/bench.sh installs it when asked to.
        const QString actiona = QStandardPaths::findExecutable(QStringLiteral("actiona"));
        row("Start-up to first window / RSS after 1 s, own: its anonymous part (7 starts; peer: Actiona)",
            programPath.isEmpty() ? QStringLiteral("no --program given") : startup(programPath, home),
            actiona.isEmpty() ? QStringLiteral("not installed") : startup(actiona, home + QStringLiteral("/peer")));
    }
    if (xdotool && !programPath.isEmpty() && wants("recording")) {
        Child::section = QStringLiteral("recording");
        row("30 actions performed by xdotool, recorded (--record), replayed (--run): gap error against the recording",
            recordedGaps(observer, user, programPath, home));
    }
    row("Processes that died of a signal or hung, by measurement",
        Child::crashes.isEmpty() ? QStringLiteral("none") : Child::crashes.join(QStringLiteral(", ")));
    std::printf("\nLoad average at the end: %s\n", load().constData());
    return 0;
}

} // namespace

} // namespace bench

int main(int argc, char* argv[])
{
    const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (mode == QLatin1String("sink") || mode == QLatin1String("run")) {
        QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false"));
        platform::prepareGuiPlatform();
        QApplication app(argc, argv);
        return mode == QLatin1String("sink") ? bench::sinkMain(app) : bench::runMain(app, app.arguments());
    }
    QCoreApplication app(argc, argv);
    return mode == QLatin1String("wayland") ? bench::waylandMain(app.arguments()) : bench::driverMain(app.arguments());
}
