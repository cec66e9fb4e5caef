// The lookup of the program's own files: beside the executable first, then in ../share/orvane/; only regular files.

#include "bundle/bundledfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

class TestBundledFile : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void lookup_data()
    {
        QTest::addColumn<QStringList>("present"); // below the root; a trailing "/" makes a folder
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
        for (const QString& path : present) {
            // A trailing "/" names the folder itself; anything else gets its folder and an empty file.
            QVERIFY(QDir().mkpath(QFileInfo(root.filePath(path)).path()));
            QVERIFY(path.endsWith(QLatin1Char('/')) || QFile(root.filePath(path)).open(QIODevice::WriteOnly));
        }
        QCOMPARE(bundle::findBundledFile(QStringLiteral("licenses/a.txt"), root.filePath(QStringLiteral("usr/bin"))),
                 expected.isEmpty() ? QString() : root.filePath(expected));
    }
};

QTEST_GUILESS_MAIN(TestBundledFile)
#include "tst_bundledfile.moc"
