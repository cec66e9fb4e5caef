// The documents and images that the build places beside the executable: all present, readable, and the LGPLv3
// document holding both licence texts (or, without the system's copies, the note that points to them).

#include "dialogs/documents.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QTest>

class TestBundledFiles : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void documentsBesideExecutable_data();
    void documentsBesideExecutable();
    void lgplDocumentHoldsBothTexts();
    void images_data();
    void images();

private:
    const QString dir = QStringLiteral(ORVANE_BUNDLE_DIR);
};

void TestBundledFiles::documentsBesideExecutable_data()
{
    QTest::addColumn<dialogs::Document>("document");
    QTest::addColumn<QString>("mustContain");
    QTest::newRow("terms") << dialogs::Document::TermsOfUse << QStringLiteral("利用規約");
    QTest::newRow("notice") << dialogs::Document::OpenSourceNotice << QStringLiteral("libXtst");
    QTest::newRow("qt info") << dialogs::Document::QtLibraryInfo << QStringLiteral("LD_LIBRARY_PATH");
    QTest::newRow("lgpl") << dialogs::Document::LgplText << QStringLiteral("Lesser General Public License");
}

void TestBundledFiles::documentsBesideExecutable()
{
    QFETCH(dialogs::Document, document);
    QFETCH(QString, mustContain);
    const QString path = dir + dialogs::documentSuffix(document);
    QVERIFY2(QFileInfo(path).isFile(), qPrintable(path));
    const dialogs::DocumentText text = dialogs::readDocumentText(path);
    QVERIFY(!text.truncated);
    QVERIFY(text.text.contains(mustContain, Qt::CaseInsensitive));
    QVERIFY2(!text.text.contains(QChar::ReplacementCharacter), "the document is not clean UTF-8");
    QVERIFY(!text.text.contains(QLatin1Char('\r')));
}

void TestBundledFiles::lgplDocumentHoldsBothTexts()
{
    const QString text = dialogs::readDocumentText(dir + dialogs::documentSuffix(dialogs::Document::LgplText)).text;
    if (text.contains(QStringLiteral("https://www.gnu.org/licenses/lgpl-3.0.txt")) && text.size() < 2000)
        QSKIP("built without the system's licence texts: the document is the note pointing to them");
    QVERIFY(text.contains(QStringLiteral("GNU LESSER GENERAL PUBLIC LICENSE")));
    QVERIFY(text.contains(QStringLiteral("GNU GENERAL PUBLIC LICENSE")));
    QVERIFY(text.indexOf(QStringLiteral("GNU LESSER")) < text.indexOf(QStringLiteral("GNU GENERAL PUBLIC LICENSE")));
}

void TestBundledFiles::images_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("danger") << QStringLiteral("image/danger.png");
    QTest::newRow("tray") << QStringLiteral("image/SystemTrayIcon.png");
}

void TestBundledFiles::images()
{
    QFETCH(QString, name);
    const QImage image(QDir(dir).filePath(name));
    QVERIFY2(!image.isNull(), qPrintable(QDir(dir).filePath(name)));
    QCOMPARE(image.size(), QSize(64, 64));
    QVERIFY(image.hasAlphaChannel());
}

QTEST_GUILESS_MAIN(TestBundledFiles)
#include "tst_bundledfiles.moc"
