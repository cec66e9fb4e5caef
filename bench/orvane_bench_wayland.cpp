// The Wayland rows of the benchmark: the run engine's Wayland backend next to wtype, measured by the role
// `orvane_bench wayland <observer>` inside a private headless sway. They observe through the Wayland tests' observer
// client rather than XI2, so they live apart from the X11 driver and need no Xlib.

#include "orvane_bench.h"

#include <QFile>
#include <QStandardPaths>

#include <csignal>
#include <cstdio>
#include <mutex>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace bench {

namespace {

// The observer client of the Wayland tests, read on a thread of its own so that each line is stamped as it arrives:
// the text it was typed and the span from its first key press to its last key release.
class WaylandObserver {
public:
    explicit WaylandObserver(const QString& path)
    {
        int ends[2];
        if (pipe(ends) != 0)
            return;
        const QByteArray program = QFile::encodeName(path);
        pid_ = fork();
        if (pid_ == 0) {
            dup2(ends[1], STDOUT_FILENO);
            close(ends[0]), close(ends[1]);
            execl(program.constData(), program.constData(), static_cast<char*>(nullptr));
            _exit(127);
        }
        close(ends[1]);
        pipe_ = fdopen(ends[0], "r");
        if (pid_ > 0 && pipe_)
            reader_ = std::thread([this] { readLoop(); });
    }
    ~WaylandObserver()
    {
        // The observer runs until it is killed; its end closes the pipe and ends the reader.
        if (pid_ > 0)
            kill(pid_, SIGTERM), waitpid(pid_, nullptr, 0);
        if (reader_.joinable())
            reader_.join();
        if (pipe_)
            fclose(pipe_);
    }
    WaylandObserver(const WaylandObserver&) = delete;
    WaylandObserver& operator=(const WaylandObserver&) = delete;

    // The keyboard focus comes only with a keyboard, which each typist brings along.
    bool mapped()
    {
        for (int i = 0; i < 500; ++i, sleepMs(20)) {
            std::lock_guard lock(mutex_);
            if (mapped_)
                return true;
        }
        return false;
    }
    // Waits until nothing has come for quietMs (or timeoutMs), then hands back what came since the last call.
    QString collect(int quietMs, int timeoutMs, double& seconds)
    {
        const qint64 end = nowNs() + timeoutMs * 1000000LL;
        for (;; sleepMs(20)) {
            std::lock_guard lock(mutex_);
            if (nowNs() > end || nowNs() - std::max(last_, lastCollect_) > quietMs * 1000000LL) {
                seconds = firstDown_ && lastUp_ > firstDown_ ? ms(lastUp_ - firstDown_) / 1000.0 : 0;
                const QString got = QString::fromUtf8(text_);
                text_.clear();
                firstDown_ = lastUp_ = 0;
                lastCollect_ = nowNs();
                return got;
            }
        }
    }

private:
    void readLoop()
    {
        char buffer[4096];
        while (std::fgets(buffer, sizeof buffer, pipe_)) {
            const qint64 at = nowNs();
            const QByteArray line = QByteArray(buffer).chopped(1);
            std::lock_guard lock(mutex_);
            last_ = at;
            mapped_ = mapped_ || line == "mapped";
            if (line.startsWith("text "))
                text_ += line.mid(5);
            else if (line.startsWith("key ") && line.contains(" down ") && !firstDown_)
                firstDown_ = at;
            else if (line.startsWith("key ") && line.contains(" up "))
                lastUp_ = at;
        }
    }

    pid_t pid_ = -1;
    FILE* pipe_ = nullptr;
    std::thread reader_;
    std::mutex mutex_;
    bool mapped_ = false;
    QByteArray text_;
    qint64 firstDown_ = 0, lastUp_ = 0, last_ = 0, lastCollect_ = 0;
};

} // namespace

int waylandMain(const QStringList& args)
{
    WaylandObserver observer(args.value(2));
    if (!observer.mapped()) {
        std::fprintf(stderr, "orvane_bench: the Wayland observer did not come up\n");
        return 1;
    }
    std::printf("\nRun engine + Wayland backend (this program) vs wtype on a headless sway (%s); text observed by a "
                "Wayland client of its own (tests/platform/wayland/waylandobserver), keys stamped with the monotonic "
                "clock on receipt\n\n| Measure | This program | wtype |\n|---|---|---|\n",
                qgetenv("WAYLAND_DISPLAY").constData());
    const bool wtype = !QStandardPaths::findExecutable(QStringLiteral("wtype")).isEmpty();
    const auto add = [&observer](Typed& typed, const QString& text) {
        double seconds = 0;
        const QString got = observer.collect(700, 120000, seconds);
        ++typed.runs;
        typed.exact += got == text;
        typed.worstChars = std::min(typed.worstChars, charsInOrder(text, got));
        if (got != text && qEnvironmentVariableIsSet("ORVANE_BENCH_SHOW"))
            std::fprintf(stderr, "typed: %s\n", got.toUtf8().constData());
        if (seconds > 0)
            typed.rates.push_back(static_cast<double>(text.size()) / seconds);
    };
    const QString japanese = QStringLiteral("吾輩は猫である。名前はまだ無い。どこで生れたかとんと見当がつかぬ。"
                                            "「東京、2026年12月」発行・第3版です。ABC");
    const QString ascii =
        QStringLiteral("The quick brown fox jumps over the lazy dog; PACK MY BOX WITH 5 DOZEN LIQUOR JUGS! (123+4)");
    // A headless seat has a keyboard only while some typist's virtual keyboard exists, and a client sees keys only once
    // it has bound the keyboard the seat gained: measured with no other keyboard, and with an idle one held by a
    // wtype that sleeps, as a real desktop's keyboard would be.
    for (const bool held : {false, true})
        for (const QString& text : {japanese, ascii}) {
            QProcess holder;
            if (held && wtype) {
                holder.start(QStringLiteral("wtype"), {QStringLiteral("-s"), QStringLiteral("600000")});
                sleepMs(500);
            }
            Typed ours, fast, slow;
            for (int i = 0; i < 3; ++i) {
                {
                    Child run(
                        {QStringLiteral("run"), QStringLiteral("type"), QString::fromLatin1(text.toUtf8().toHex())});
                    run.waitNumber("FINISHED", 120000);
                }
                add(ours, text);
                for (Typed* typed : {&fast, &slow}) {
                    if (!wtype)
                        break;
                    // wtype refuses -d 0; without -d it types with no delay.
                    QProcess::execute(QStringLiteral("wtype"),
                                      typed == &slow ? QStringList{QStringLiteral("-d"), QStringLiteral("20"), text}
                                                     : QStringList{text});
                    add(*typed, text);
                }
            }
            const QString name = QStringLiteral("%1 %2 chars, %3: exact, rate (program: 入力 over 0.01 s, 3 runs each)")
                                     .arg(text == japanese ? QStringLiteral("Japanese") : QStringLiteral("ASCII"))
                                     .arg(text.size())
                                     .arg(held ? QStringLiteral("idle keyboard on the seat")
                                               : QStringLiteral("no other keyboard on the seat"));
            const int total = static_cast<int>(text.size());
            row(qPrintable(name), ours.describe(total),
                wtype ? QStringLiteral("no delay: %1; -d 20: %2").arg(fast.describe(total), slow.describe(total))
                      : QStringLiteral("not installed"));
            holder.kill();
            holder.waitForFinished(1000);
        }
    return 0;
}

} // namespace bench
