// The document viewer and the reading of the documents: heading, line ends, broken UTF-8, missing files, the size cap
// and the document paths beside the executable.

#include "dialogs/documents.h"
#include "dialogs/termdialog.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>

class TestTermDialog : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void readsText_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::newRow("windows line ends")
            << QByteArray("一行目\r\n二行目\r\n\r\n四行目\r\n") << QStringLiteral("一行目\n二行目\n\n四行目\n");
        QTest::newRow("byte-order mark dropped") << QByteArray("\xEF\xBB\xBFterms") << QStringLiteral("terms");
        QTest::newRow("invalid byte") << QByteArray("a\xFF"
                                                    "b")
                                      << QStringLiteral("a\uFFFDb");
        QTest::newRow("truncated last character") << QByteArray("ok\xE6\x97") << QStringLiteral("ok\uFFFD\uFFFD");
    }

    void readsText()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        const QString path = writeFile(QStringLiteral("doc.txt"), bytes);
        QVERIFY(!path.isEmpty());
        const dialogs::DocumentText document = dialogs::readDocumentText(path);
        QCOMPARE(document.text, text);
        QVERIFY(!document.truncated);
    }

    // A document that cannot be read gives an empty view under the heading of its name.
    void unreadableGivesEmptyView()
    {
        QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("folder.txt")));
        for (const QString& name : {QStringLiteral("licenses/ない文書.txt"), QStringLiteral("folder.txt")}) {
            TermDialog dialog(dir.filePath(name));
            QCOMPARE(dialog.findChild<QLabel*>(QStringLiteral("titleLabel"))->text(), QFileInfo(name).baseName());
            QVERIFY(dialog.findChild<QPlainTextEdit*>(QStringLiteral("textView"))->toPlainText().isEmpty());
        }
    }

    void capsHugeFile()
    {
        // Lines of 100 bytes, one more megabyte than the cap.
        const QByteArray line = QByteArray(99, 'x') + '\n';
        QByteArray bytes;
        while (bytes.size() < dialogs::MaxDocumentBytes + 1024 * 1024)
            bytes += line;
        const QString path = writeFile(QStringLiteral("huge.txt"), bytes);
        QVERIFY(!path.isEmpty());

        const dialogs::DocumentText document = dialogs::readDocumentText(path);
        QVERIFY(document.truncated);
        QCOMPARE(document.text.size(), dialogs::MaxDocumentBytes);

        TermDialog dialog(path);
        const QString shown = dialog.findChild<QPlainTextEdit*>(QStringLiteral("textView"))->toPlainText();
        QVERIFY(shown.size() < dialogs::MaxDocumentBytes + 200);
        QVERIFY2(shown.endsWith(QStringLiteral("だけを表示しています。）")), qPrintable(shown.right(80)));
    }

    void capNeverSplitsCharacter()
    {
        // "あ" is three bytes; a cap of 4 bytes falls inside the second one.
        const QString path = writeFile(QStringLiteral("split.txt"), QByteArray("\xE3\x81\x82\xE3\x81\x82"));
        const dialogs::DocumentText document = dialogs::readDocumentText(path, 4);
        QVERIFY(document.truncated);
        QCOMPARE(document.text, QStringLiteral("あ"));
    }

private:
    QString writeFile(const QString& name, const QByteArray& bytes);
    QTemporaryDir dir;
};

QString TestTermDialog::writeFile(const QString& name, const QByteArray& bytes)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        return {};
    return path;
}

QTEST_MAIN(TestTermDialog)
#include "tst_termdialog.moc"
