// The documents and images that the build places beside the executable: each present, the documents clean UTF-8 with
// their own text, the LGPLv3 document holding both licence texts (or, without the system's copies, the note that
// points to them), the images with their size and transparency.

#include "dialogs/documents.h"

#include <QImage>
#include <QTest>

using dialogs::Document;

class TestBundledFiles : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void filesBesideExecutable_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("mustContain"); // empty: an image
        QTest::newRow("terms") << dialogs::documentSuffix(Document::TermsOfUse) << QStringLiteral("利用規約");
        QTest::newRow("notice") << dialogs::documentSuffix(Document::OpenSourceNotice) << QStringLiteral("libXtst");
        QTest::newRow("qt info") << dialogs::documentSuffix(Document::QtLibraryInfo)
                                 << QStringLiteral("LD_LIBRARY_PATH");
        QTest::newRow("lgpl") << dialogs::documentSuffix(Document::LgplText)
                              << QStringLiteral("Lesser General Public License");
        QTest::newRow("danger") << QStringLiteral("/image/danger.png") << QString();
        QTest::newRow("tray") << QStringLiteral("/image/SystemTrayIcon.png") << QString();
    }
    void filesBesideExecutable()
    {
        QFETCH(QString, path);
        QFETCH(QString, mustContain);
        path.prepend(QStringLiteral(ORVANE_BUNDLE_DIR));
        if (mustContain.isEmpty()) {
            const QImage image(path);
            QVERIFY2(!image.isNull(), qPrintable(path));
            QCOMPARE(image.size(), QSize(64, 64));
            QVERIFY(image.hasAlphaChannel());
            return;
        }
        const QString text = dialogs::readDocumentText(path).text;
        QVERIFY2(text.contains(mustContain, Qt::CaseInsensitive), qPrintable(path));
        QVERIFY2(!text.contains(QChar::ReplacementCharacter), "the document is not clean UTF-8");
        if (!path.endsWith(dialogs::documentSuffix(Document::LgplText)))
            return;
        if (text.contains(QStringLiteral("https://www.gnu.org/licenses/lgpl-3.0.txt")) && text.size() < 2000)
            QSKIP("built without the system's licence texts: the document is the note pointing to them");
        QVERIFY(text.indexOf(QStringLiteral("GNU LESSER GENERAL PUBLIC LICENSE")) >= 0);
        QVERIFY(text.indexOf(QStringLiteral("GNU LESSER")) <
                text.indexOf(QStringLiteral("GNU GENERAL PUBLIC LICENSE")));
    }
};

QTEST_GUILESS_MAIN(TestBundledFiles)
#include "tst_bundledfiles.moc"
