// A save killed at any moment leaves either the complete old or the complete new project. A child process (this
// program started with --save PATH [before|after]) writes a large project over an old one and stops itself
// (SIGSTOP), once it has said so, just before or just after the commit; killed there, it must leave the old file or
// the new one. Every other moment of a save is in the temporary file, on the old file's side of the commit.

#include "model/projectfile.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <cstdio>

namespace {

// A megabyte or two of pages: large enough that the save is more than one write.
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
        QTest::addColumn<QString>("stopAt");
        QTest::addColumn<bool>("leavesNew");
        QTest::newRow("just before the commit") << "before" << false;
        QTest::newRow("just after the commit") << "after" << true;
    }
    void killedSaveLeavesOldOrNewFile()
    {
        QFETCH(QString, stopAt);
        QFETCH(bool, leavesNew);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("big.cmdat"));
        const auto oldPages = bigProject(false);
        QVERIFY(model::writeProjectFile(path, oldPages, oldPages).ok());
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--save"), path, stopAt});
        while (!child.canReadLine())
            QVERIFY2(child.waitForReadyRead(60000), "the save never reached its commit");
        QCOMPARE(child.readLine().trimmed(), stopAt.toLatin1());
        child.kill();
        QVERIFY(child.waitForFinished(60000));
        const auto newPages = bigProject(true);
        QVERIFY(readAll(path) == (leavesNew ? model::serializeProject(newPages, newPages)
                                            : model::serializeProject(oldPages, oldPages)));
    }
};

int main(int argc, char** argv)
{
    if (argc == 4 && qstrcmp(argv[1], "--save") == 0) {
        stopAfterCommit = qstrcmp(argv[3], "after") == 0;
        model::setSaveStepHook(stopAtCommit);
        const auto pages = bigProject(true);
        return model::writeProjectFile(QString::fromLocal8Bit(argv[2]), pages, pages).ok() ? 0 : 1;
    }
    QCoreApplication app(argc, argv);
    TestKillSave test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_killsave.moc"
