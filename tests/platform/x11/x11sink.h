#pragma once

// The input sink (x11inputsink: a text box or an event-logging window in a process of its own) as the X11 tests see
// it: started at a geometry, answering on a pipe.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QList>
#include <QProcess>
#include <QRect>
#include <QString>

namespace x11test {

// The input sink of the X11 backend tests: "READY" once it has the focus, then "TEXT <hex>" on dump, "CLEARED" on
// clear; in events mode KEYDOWN/KEYUP/PRESS/RELEASE lines, in text mode PRESS lines for clicks in the text box.
class Sink {
public:
    Sink(const QString& program, const QString& mode, QRect geometry)
    {
        process_.setProgram(program);
        process_.setArguments({mode, QString::number(geometry.x()), QString::number(geometry.y()),
                               QString::number(geometry.width()), QString::number(geometry.height())});
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start();
    }
    ~Sink()
    {
        if (process_.state() != QProcess::NotRunning) {
            process_.write("quit\n");
            if (!process_.waitForFinished(3000))
                process_.kill();
            process_.waitForFinished(1000);
        }
    }
    Sink(const Sink&) = delete;
    Sink& operator=(const Sink&) = delete;

    bool waitReady() { return !waitLine("READY", 10000).isNull(); }

    // The next line that starts with prefix (consumed with the lines of that prefix before it; other lines stay);
    // a null array on timeout.
    QByteArray waitLine(const QByteArray& prefix, int timeoutMs)
    {
        QElapsedTimer timer;
        timer.start();
        for (;;) {
            readLines();
            for (int i = 0; i < lines_.size(); ++i) {
                if (lines_.at(i).startsWith(prefix)) {
                    const QByteArray line = lines_.takeAt(i);
                    return line;
                }
            }
            if (timer.elapsed() > timeoutMs || process_.state() == QProcess::NotRunning)
                return {};
            process_.waitForReadyRead(20);
            QCoreApplication::processEvents();
        }
    }

    QString text()
    {
        process_.write("dump\n");
        const QByteArray line = waitLine("TEXT", 5000);
        if (line.isNull())
            return QStringLiteral("<no answer>");
        return QString::fromUtf8(QByteArray::fromHex(line.mid(5)));
    }

    bool clear()
    {
        process_.write("clear\n");
        return !waitLine("CLEARED", 5000).isNull();
    }

    // Every line received so far (and those that arrive within ms), taken out of the buffer.
    QList<QByteArray> drain(int ms)
    {
        QElapsedTimer timer;
        timer.start();
        do {
            process_.waitForReadyRead(10);
            QCoreApplication::processEvents();
            readLines();
        } while (timer.elapsed() < ms);
        QList<QByteArray> all;
        all.swap(lines_);
        return all;
    }

private:
    void readLines()
    {
        while (process_.canReadLine())
            lines_.append(process_.readLine().trimmed());
    }

    QProcess process_;
    QList<QByteArray> lines_;
};

} // namespace x11test
