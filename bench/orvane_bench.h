#pragma once

// What the benchmark's rows share, whichever desktop they measure: the clock, the child process that plays a role
// (a replaying Run, the text box), the tally of typed texts and the table's rows. orvane_bench.cpp holds the X11 rows
// and the roles, orvane_bench_program.cpp the rows that start the whole program, orvane_bench_wayland.cpp the Wayland
// rows.

#include <QCoreApplication>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <algorithm>
#include <climits>
#include <vector>

namespace bench {

qint64 nowNs(); // steady_clock, shared by every process on the machine
double ms(qint64 ns);
void sleepMs(int value);
int charsInOrder(const QString& want, const QString& got);
void row(const char* measure, const QString& program, const QString& peer = QStringLiteral("—"));
bool runXdotool(const QStringList& args);
// The Wayland rows, driven from inside a private headless sway.
int waylandMain(const QStringList& args);

// A child process answering line by line on a pipe.
class Child {
public:
    explicit Child(const QStringList& args)
    {
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start(QCoreApplication::applicationFilePath(), args);
        process_.waitForStarted(5000);
    }
    ~Child()
    {
        if (process_.state() != QProcess::NotRunning) {
            send("quit");
            if (!process_.waitForFinished(5000))
                process_.kill(), process_.waitForFinished(1000);
        }
        if (process_.exitStatus() == QProcess::CrashExit)
            crashes << section;
    }
    // What is being measured, and the measurements during which a child died of a signal (or hung and was killed).
    static inline QString section;
    static inline QStringList crashes;
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    void send(const char* line) { process_.write(QByteArray(line) + '\n'), process_.waitForBytesWritten(1000); }
    // The next line starting with prefix (earlier lines are dropped); null on timeout or exit.
    QByteArray waitLine(const QByteArray& prefix, int timeoutMs)
    {
        const qint64 end = nowNs() + timeoutMs * 1000000LL;
        for (;;) {
            while (process_.canReadLine()) {
                const QByteArray line = process_.readLine().trimmed();
                if (line.startsWith(prefix))
                    return line.mid(prefix.size()).trimmed() + ' ';
            }
            if (nowNs() > end || (process_.state() == QProcess::NotRunning && process_.bytesAvailable() == 0))
                return {};
            process_.waitForReadyRead(10);
        }
    }
    // The number in the answer after prefix, or -1.
    qint64 waitNumber(const QByteArray& prefix, int timeoutMs, int field = 0)
    {
        const QByteArray line = waitLine(prefix, timeoutMs);
        return line.isNull() ? -1 : line.split(' ').value(field).toLongLong();
    }

private:
    QProcess process_;
};

struct Typed {
    int exact = 0, runs = 0, worstChars = INT_MAX;
    std::vector<double> rates;
    QString describe(int total) const
    {
        if (runs == 0)
            return QStringLiteral("not run");
        QString text = QStringLiteral("%1/%2 exact").arg(exact).arg(runs);
        if (exact < runs)
            text += QStringLiteral(" (worst: %1 of %2 in order)").arg(worstChars).arg(total);
        if (!rates.empty())
            text += QStringLiteral(", %1–%2 chars/s")
                        .arg(*std::min_element(rates.begin(), rates.end()), 0, 'f', 0)
                        .arg(*std::max_element(rates.begin(), rates.end()), 0, 'f', 0);
        return text;
    }
};

} // namespace bench
