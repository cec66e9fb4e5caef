// The lookup of the program's own files: beside the executable first, then in ../share/orvane/.

#include "bundle/bundledfile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestBundledFile : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void lookup_data()
    {
        QTest::addColumn<QStringList>("present"); // paths below the root that exist ("/" at the end: a folder)
        QTest::addColumn<QString>("expected");    // empty: not found
        const QString beside = QStringLiteral("usr/bin/licenses/a.txt");
        const QString shared = QStringLiteral("usr/share/orvane/licenses/a.txt");
        QTest::newRow("beside") << QStringList{beside} << beside;
        QTest::newRow("share") << QStringList{shared} << shared;
        QTest::newRow("beside wins") << QStringList{shared, beside} << beside;
        QTest::newRow("folder beside") << QStringList{beside + QLatin1Char('/'), shared} << shared;
        QTest::newRow("nowhere") << QStringList{QStringLiteral("usr/share/licenses/a.txt")} << QString();
    }

    void lookup()
    {
        QFETCH(QStringList, present);
        QFETCH(QString, expected);
        QTemporaryDir root;
        QVERIFY(root.isValid());
        for (const QString& path : present) {
            const QString full = root.filePath(path);
            if (path.endsWith(QLatin1Char('/'))) {
                QVERIFY(QDir().mkpath(full));
                continue;
            }
            QVERIFY(QDir().mkpath(QFileInfo(full).path()));
            QFile file(full);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        const QString found =
            bundle::findBundledFile(QStringLiteral("licenses/a.txt"), root.filePath(QStringLiteral("usr/bin")));
        QCOMPARE(found, expected.isEmpty() ? QString() : root.filePath(expected));
    }
};

QTEST_GUILESS_MAIN(TestBundledFile)
#include "tst_bundledfile.moc"
