// A save killed at any moment leaves either the complete old or the complete new project. A child process (this
// program started with --save PATH [before|after]) writes a large project over an old one. The moments around the
// commit are reached on purpose: the child stops itself there (SIGSTOP) once it has said so, and is killed stopped.
// Kills at random moments of a save then only have to leave one of the two files.

#include "model/projectfile.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <cstdio>
#include <thread>

namespace {

// A megabyte or two of pages, so that the write takes long enough to be hit in the middle.
model::EntryList bigProject(bool newer)
{
    const QString text =
        newer ? QStringLiteral("新しいページ %1 ") + QString(40, QLatin1Char('x')) : QStringLiteral("古いページ %1 ");
    model::EntryList entries;
    for (int i = 0; i < 10000; ++i)
        entries << QStringList{model::kind::Input, text.arg(i), QStringLiteral("1")};
    return entries;
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

bool stopAfterCommit = false;

void stopAtCommit(bool committed)
{
    if (committed != stopAfterCommit)
        return;
    std::fputs(committed ? "after\n" : "before\n", stdout);
    std::fflush(stdout);
    std::raise(SIGSTOP);
}

} // namespace

class TestKillSave : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void killedSaveLeavesOldOrNewFile_data()
    {
        QTest::addColumn<QString>("stopAt"); // where the child waits to be killed; empty: 20 random moments
        QTest::addColumn<QString>("left");   // "old", "new" or "either"
        QTest::newRow("just before the commit") << "before"
                                                << "old";
        QTest::newRow("just after the commit") << "after"
                                               << "new";
        QTest::newRow("random moments") << QString() << "either";
    }
    void killedSaveLeavesOldOrNewFile()
    {
        QFETCH(QString, stopAt);
        QFETCH(QString, left);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("big.cmdat"));
        const auto oldPages = bigProject(false), newPages = bigProject(true);
        const QByteArray oldBytes = model::serializeProject(oldPages, oldPages);
        const QByteArray newBytes = model::serializeProject(newPages, newPages);
        QProcess child;
        QStringList arguments{QStringLiteral("--save"), path};

        // One save left to finish tells how long a save takes here.
        QElapsedTimer timer;
        timer.start();
        child.start(QCoreApplication::applicationFilePath(), arguments);
        QVERIFY(child.waitForFinished(60000));
        const qint64 saveMs = std::max<qint64>(timer.elapsed(), 1);
        QCOMPARE(child.exitCode(), 0);
        QVERIFY(readAll(path) == newBytes);

        if (!stopAt.isEmpty())
            arguments << stopAt;
        const int rounds = stopAt.isEmpty() ? 20 : 1;
        for (int round = 0; round < rounds; ++round) {
            QVERIFY(model::writeProjectFile(path, oldPages, oldPages).ok());
            child.start(QCoreApplication::applicationFilePath(), arguments);
            QVERIFY(child.waitForStarted());
            if (stopAt.isEmpty()) {
                std::this_thread::sleep_for(
                    std::chrono::microseconds(QRandomGenerator::global()->bounded(saveMs * 1000)));
            } else {
                while (!child.canReadLine())
                    QVERIFY2(child.waitForReadyRead(60000), "the child never reached the commit");
                QCOMPARE(child.readLine().trimmed(), stopAt.toLatin1());
            }
            child.kill();
            QVERIFY(child.waitForFinished(60000));
            const QByteArray onDisk = readAll(path);
            const bool isOld = onDisk == oldBytes, isNew = onDisk == newBytes;
            QVERIFY2(left == QLatin1String("old")   ? isOld
                     : left == QLatin1String("new") ? isNew
                                                    : isOld || isNew,
                     qPrintable(QStringLiteral("round %1: %2 bytes, old %3, new %4")
                                    .arg(round)
                                    .arg(onDisk.size())
                                    .arg(isOld)
                                    .arg(isNew)));
        }
    }
};

int main(int argc, char** argv)
{
    if ((argc == 3 || argc == 4) && qstrcmp(argv[1], "--save") == 0) {
        if (argc == 4) {
            stopAfterCommit = qstrcmp(argv[3], "after") == 0;
            model::setSaveStepHook(stopAtCommit);
        }
        const auto pages = bigProject(true);
        return model::writeProjectFile(QString::fromLocal8Bit(argv[2]), pages, pages).ok() ? 0 : 1;
    }
    QCoreApplication app(argc, argv);
    TestKillSave test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_killsave.moc"
