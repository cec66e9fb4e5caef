// A save killed at a random moment leaves either the complete old or the complete new project. A child process
// (this program started with --save PATH) writes a large project over an old one while the test kills it with
// SIGKILL at 50 random moments spread over the time a save takes.

#include "model/projectfile.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

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

} // namespace

class TestKillSave : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void killedSaveLeavesOldOrNewFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("big.cmdat"));
        const auto oldPages = bigProject(false), newPages = bigProject(true);
        const QByteArray oldBytes = model::serializeProject(oldPages, oldPages);
        const QByteArray newBytes = model::serializeProject(newPages, newPages);

        // One save left to finish tells how long a save takes here.
        QVERIFY(model::writeProjectFile(path, oldPages, oldPages).ok());
        QProcess child;
        QElapsedTimer timer;
        timer.start();
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--save"), path});
        QVERIFY(child.waitForFinished(60000));
        const qint64 saveMs = std::max<qint64>(timer.elapsed(), 1);
        QCOMPARE(child.exitCode(), 0);
        QVERIFY(readAll(path) == newBytes);

        int sawOld = 0, sawNew = 0;
        for (int round = 0; round < 50; ++round) {
            if (readAll(path) != oldBytes)
                QVERIFY(model::writeProjectFile(path, oldPages, oldPages).ok());
            const auto delay = std::chrono::microseconds(QRandomGenerator::global()->bounded(saveMs * 1000));
            child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--save"), path});
            QVERIFY(child.waitForStarted());
            std::this_thread::sleep_for(delay);
            child.kill();
            QVERIFY(child.waitForFinished(60000));
            const QByteArray onDisk = readAll(path);
            QVERIFY2(onDisk == oldBytes || onDisk == newBytes,
                     qPrintable(QStringLiteral("round %1, killed after %2 us: %3 bytes, neither old nor new")
                                    .arg(round)
                                    .arg(delay.count())
                                    .arg(onDisk.size())));
            ++(onDisk == oldBytes ? sawOld : sawNew);
        }
        qInfo("a save takes %lld ms; after 50 kills the old file stood %d times, the new one %d times", saveMs, sawOld,
              sawNew);
        // Kills spread over a whole save land before and after its commit.
        QVERIFY(sawOld > 0 && sawNew > 0);
    }
};

int main(int argc, char** argv)
{
    if (argc == 3 && qstrcmp(argv[1], "--save") == 0) {
        const auto pages = bigProject(true);
        return model::writeProjectFile(QString::fromLocal8Bit(argv[2]), pages, pages).ok() ? 0 : 1;
    }
    QCoreApplication app(argc, argv);
    TestKillSave test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_killsave.moc"
